#pragma once
// The names and head lines of the run's files.

#include "platform/Processes.h"

#include <string_view>

namespace hivetidy {

inline constexpr std::string_view kWorkingFolder = "C:\\REGISTRY";
inline constexpr std::string_view kRemovalLogPath = "C:\\REGISTRY\\HIVETIDY.BAK";
inline constexpr std::string_view kExportFilePath = "c:\\registry\\hlp.reg";

inline constexpr std::string_view kLogHeadLine = "Folgende Knoten wurden aus der Registry gel\u00f6scht :";
inline constexpr std::string_view kLogRuler = "=========================================";
// Heads the keys that stayed, after the removed ones.
inline constexpr std::string_view kLogNotRemovedHeadLine = "Folgende Knoten wurden nicht gel\u00f6scht :";

inline constexpr std::string_view kVersion4Header = "REGEDIT4";
inline constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

// The first line of a registry export file of that format.
[[nodiscard]] constexpr std::string_view ExportHeader(ExportFormat format)
{
    return format == ExportFormat::Version5 ? kVersion5Header : kVersion4Header;
}

} // namespace hivetidy
