#pragma once
// Waiting for what another process does, always with a time limit: the driver never waits forever.

#include <windows.h>

#include <chrono>

namespace hivedrive {

using namespace std::chrono_literals;

// Long enough for Wine to start a program on a busy machine.
inline constexpr std::chrono::milliseconds kWindowTimeout = 30s;
// How long a program may take to end once it has been told to.
inline constexpr std::chrono::milliseconds kEndTimeout = 10s;
// A whole cleaning run of the realistic installation, one registry editor per removed key.
inline constexpr std::chrono::milliseconds kRunTimeout = 180s;

// Calls the probe until it gives a value that tests true or the time is up; that value, or the
// last one it gave.
template <class Probe>
auto PollFor(Probe&& probe, std::chrono::milliseconds timeout, std::chrono::milliseconds interval = 50ms)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto value = probe();
        if (value || std::chrono::steady_clock::now() >= deadline) {
            return value;
        }
        ::Sleep(static_cast<DWORD>(interval.count()));
    }
}

} // namespace hivedrive
