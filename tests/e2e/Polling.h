#pragma once
// Waiting for what another process does, always with a time limit: the driver never waits forever.

#include "WindowQueries.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

namespace hivedrive {

using namespace std::chrono_literals;

// Long enough for Wine to start a program on a busy machine.
inline constexpr std::chrono::milliseconds kWindowTimeout = 30s;
// How long a program may take to end once it has been told to.
inline constexpr std::chrono::milliseconds kEndTimeout = 10s;
// A whole cleaning run of the realistic installation, one registry editor per removed key.
inline constexpr std::chrono::milliseconds kRunTimeout = 180s;

// Calls the probe until it gives a value that tests true, the handle (if any) is signalled, or
// the time is up; that value, or the last one it gave. It looks again as soon as the window system
// reports a change to some window, and after the interval at the latest, for what it does not
// report: a file written, a key deleted, and of Wine 8's windows all but a window made and the
// focus moving (which is how a dialog or message box coming up, or going, shows to another process).
template <class Probe>
auto PollFor(Probe&& probe, std::chrono::milliseconds timeout, std::chrono::milliseconds interval = 50ms,
             HANDLE endsWait = nullptr)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Watching before the first look: a change between a look and the wait after it is not missed.
    WindowChanges changes;
    bool ended = false;
    for (;;) {
        auto value = probe();
        const auto now = std::chrono::steady_clock::now();
        if (value || ended || now >= deadline) {
            return value;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        (void)changes.WaitForChange(std::min(interval, left), endsWait);
        ended = endsWait && ::WaitForSingleObject(endsWait, 0) == WAIT_OBJECT_0;
    }
}

} // namespace hivedrive
