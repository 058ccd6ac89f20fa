#pragma once
// The one RAII idiom for every Win32 handle: a move-only owner parameterised by its close function
// and its invalid value, so each handle kind is a one-line alias.

#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <type_traits>
#include <utility>

namespace hivetidy::win32 {

// Owns one handle; closes it with CloseFn unless it holds InvalidValue.
template <class Handle, auto CloseFn, std::intptr_t InvalidValue = 0>
class UniqueResource {
public:
    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle handle) noexcept : m_handle(handle) {}
    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    explicit operator bool() const noexcept { return m_handle != Invalid(); }
    [[nodiscard]] Handle get() const noexcept { return m_handle; }

    // Gives the handle up without closing it.
    [[nodiscard]] Handle release() noexcept { return std::exchange(m_handle, Invalid()); }

    // Closes the handle held so far and lends out the empty slot, for a Win32 call that returns
    // its handle through an out parameter (RegOpenKeyExW and the like).
    [[nodiscard]] Handle* put() noexcept
    {
        reset();
        return &m_handle;
    }

    // Closes the handle held so far and takes the new one.
    void reset(Handle handle = Invalid()) noexcept
    {
        const Handle old = std::exchange(m_handle, handle);
        if (old != Invalid()) {
            static_cast<void>(CloseFn(old));
        }
    }

    // The value that stands for "no handle" (INVALID_HANDLE_VALUE is -1 cast to a pointer).
    [[nodiscard]] static Handle Invalid() noexcept
    {
        if constexpr (std::is_pointer_v<Handle>) {
            return reinterpret_cast<Handle>(InvalidValue);
        } else {
            return static_cast<Handle>(InvalidValue);
        }
    }

private:
    Handle m_handle = Invalid();
};

// ReleaseDC needs the window as well; the screen's DC belongs to no window.
inline int ReleaseScreenDc(HDC dc) noexcept
{
    return ReleaseDC(nullptr, dc);
}

using UniqueHkey = UniqueResource<HKEY, &RegCloseKey>;
using UniqueHandle = UniqueResource<HANDLE, &CloseHandle>;
using UniqueFile = UniqueResource<HANDLE, &CloseHandle, -1>;
// Memory that LocalAlloc or a function returning it (a security descriptor, say) gave.
using UniqueLocalMemory = UniqueResource<HLOCAL, &LocalFree>;
using UniqueFindHandle = UniqueResource<HANDLE, &FindClose, -1>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, &DeleteObject>;
using UniqueFont = UniqueResource<HFONT, &DeleteObject>;
using UniqueWindow = UniqueResource<HWND, &DestroyWindow>;
using UniqueScreenDc = UniqueResource<HDC, &ReleaseScreenDc>;
using UniqueMemoryDc = UniqueResource<HDC, &DeleteDC>;

// Both handles that CreateProcessW hands back, closed together.
class UniqueProcessInformation {
public:
    UniqueProcessInformation() noexcept = default;
    explicit UniqueProcessInformation(const PROCESS_INFORMATION& info) noexcept
        : m_process(info.hProcess), m_thread(info.hThread), m_processId(info.dwProcessId)
    {
    }

    explicit operator bool() const noexcept { return static_cast<bool>(m_process); }
    [[nodiscard]] HANDLE Process() const noexcept { return m_process.get(); }
    [[nodiscard]] HANDLE Thread() const noexcept { return m_thread.get(); }
    [[nodiscard]] DWORD ProcessId() const noexcept { return m_processId; }

private:
    UniqueHandle m_process;
    UniqueHandle m_thread;
    DWORD m_processId = 0;
};

} // namespace hivetidy::win32
