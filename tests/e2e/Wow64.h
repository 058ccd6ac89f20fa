#pragma once
// 64-bit Windows as the driver sees it, whichever build it is: the 64-bit one, or the 32-bit one
// that runs there through WOW64 and has the system's folders turned into their 32-bit copies.

namespace hivedrive {

// True on 64-bit Windows, for either build of the driver.
[[nodiscard]] bool IsWindows64();

// Turns the file-system redirector off for this thread while it lives, so that a 32-bit driver
// reaches the native programs (%windir%\regedit.exe is the 32-bit editor for it otherwise). Does
// nothing where there is no redirector.
class FileSystemRedirectionOff {
public:
    FileSystemRedirectionOff();
    ~FileSystemRedirectionOff();

    FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
    FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

private:
    void* m_previous = nullptr;
    bool m_turnedOff = false;
};

} // namespace hivedrive
