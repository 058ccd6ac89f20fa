#pragma once
// The files and folders the tests look at and prepare in the prefix.

#include <optional>
#include <string>
#include <string_view>

namespace hivedrive {

// The program's working folder and its removal log; the tests choose their backups in the folder too.
inline constexpr std::wstring_view kWorkingFolder = L"C:\\REGISTRY";
inline constexpr std::wstring_view kRemovalLogPath = L"C:\\REGISTRY\\HIVETIDY.BAK";
inline constexpr std::wstring_view kExportFilePath = L"C:\\REGISTRY\\hlp.reg";

[[nodiscard]] bool FileExists(std::wstring_view path);
// The whole content of a file; nullopt when it is not there.
[[nodiscard]] std::optional<std::string> ReadBytes(std::wstring_view path);
void WriteBytes(std::wstring_view path, std::string_view bytes);
// Creates the folder and every missing folder above it.
void CreateFolders(std::wstring_view path);
// Deletes the folder with everything in it; a folder that is not there is fine.
void DeleteFolderTree(std::wstring_view path);
// A fresh folder of the driver's own for scratch files, emptied on each call with the same name.
// The files of a folder with their sizes, one per line, for a failure message.
[[nodiscard]] std::wstring FolderListing(std::wstring_view path);
[[nodiscard]] std::wstring ScratchFolder(std::wstring_view name);

} // namespace hivedrive
