#pragma once
// A file system that hands every call on to another one, and a file that does the same: a test
// or benchmark overrides only the calls it watches or changes.

#include "platform/FileSystem.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace hivetidy::testing {

class ForwardingFile : public WritableFile {
public:
    explicit ForwardingFile(std::unique_ptr<WritableFile> below) : m_below(std::move(below)) {}

    bool Write(std::string_view bytes) override { return m_below->Write(bytes); }
    bool Flush() override { return m_below->Flush(); }
    bool Close() override { return m_below->Close(); }
    std::unique_ptr<HeldFile> CloseIntoHold() override { return m_below->CloseIntoHold(); }

protected:
    WritableFile& Below() { return *m_below; }

private:
    std::unique_ptr<WritableFile> m_below;
};

class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& below) : m_below(below) {}

    std::string CurrentDirectory() override { return m_below.CurrentDirectory(); }
    bool SetCurrentDirectory(std::string_view path) override { return m_below.SetCurrentDirectory(path); }
    bool CreateDirectory(std::string_view path) override { return m_below.CreateDirectory(path); }
    bool CreateProtectedDirectory(std::string_view path) override { return m_below.CreateProtectedDirectory(path); }
    bool IsRealFolder(std::string_view path) override { return m_below.IsRealFolder(path); }
    std::string FindFirst(std::string_view fullName) override { return m_below.FindFirst(fullName); }
    std::optional<std::string> ShortPathOf(std::string_view path) override { return m_below.ShortPathOf(path); }
    std::optional<std::string> FullPathOf(std::string_view path) override { return m_below.FullPathOf(path); }
    std::unique_ptr<WritableFile> Create(std::string_view path) override { return m_below.Create(path); }
    std::optional<std::string> ReadAll(std::string_view path) override { return m_below.ReadAll(path); }
    std::unique_ptr<HeldFile> HoldForReading(std::string_view path) override { return m_below.HoldForReading(path); }
    bool Delete(std::string_view path) override { return m_below.Delete(path); }

protected:
    FileSystem& Below() { return m_below; }

private:
    FileSystem& m_below;
};

} // namespace hivetidy::testing
