// libFuzzer target: the simulated registry editor's reader on any bytes, as Undo hands it the
// backup file: by its byte-order mark UTF-16LE, else ANSI. It must take or reject every line and
// never crash, whatever the bytes.

#include "platform/sim/RegFile.h"
#include "platform/sim/SimRegistry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    hivetidy::sim::SimRegistry registry;
    (void)hivetidy::sim::ImportRegFile(registry, std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
