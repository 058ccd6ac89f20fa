#pragma once
// The real registry under the component, over advapi32's wide functions.

#include "component/RegistryStore.h"

#include <memory>

namespace hivetidy::win32 {

// Names and string data cross as UTF-8 here and as UTF-16 in the registry; data bytes are as stored.
// Walks and deletes never pass through a registry link: a user can put one below a class key that
// an administrator's run deletes, pointing at any key of the machine.
class Win32Registry final : public RegistryStore {
public:
    using RegistryStore::OpenHive;
    // The four predefined roots in a view; the handles are the system's and are never closed.
    [[nodiscard]] std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override;
    // Both views on 64-bit Windows, whichever build this is.
    [[nodiscard]] std::vector<RegView> Views() const override;
};

} // namespace hivetidy::win32
