#pragma once
// The save-file dialog and the message box, both modal to the main window.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hivetidy {

// The settings of one showing of the save-file dialog, as the common dialog control holds them.
struct SaveDialogSettings {
    bool cancelError = false;
    std::string dialogTitle;
    std::string fileName;    // initial file name
    std::string initDir;     // initial folder
    std::string filter;      // "Description|pattern|Description|pattern", '|'-separated
    int filterIndex = 0;     // 1-based
    std::uint32_t flags = 0; // OFN_* bits
    std::string defaultExt;  // empty: none
};

// Message box styles and answers, with their Windows numbers.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows the save dialog; the full path of the confirmed file, nullopt when the user cancelled
    // or closed it or it could not be shown.
    [[nodiscard]] virtual std::optional<std::string> ShowSave(const SaveDialogSettings& settings) = 0;
    // Shows a message box; the button pressed (kIdYes, kIdNo, ...).
    virtual int MessageBox(std::string_view text, std::string_view title, std::uint32_t style) = 0;
};

} // namespace hivetidy
