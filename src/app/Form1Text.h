#pragma once
// The window's own texts and the registry paths it probes, exactly as the program shows and uses them.


#include <string_view>

namespace hivetidy {

inline constexpr std::string_view kCancelCaption = "&Cancel";
inline constexpr std::string_view kExitCaption = "E&xit";
inline constexpr std::string_view kPurposeText =
    "Programm zur S\u00e4uberung der Registry von ung\u00fcltigen Servereintr\u00e4gen !";
inline constexpr std::string_view kUndoHint =
    "Durch Anklicken des Undo - Buttons kann der L\u00f6schvorgang wieder r\u00fcckg\u00e4ngig gemacht werden !";
// A run that could not delete all it set out to: told in the label and in a message.
// No longer than the Undo hint, so that it fits the label in the same three lines.
inline constexpr std::string_view kPartialHint =
    "Der L\u00f6schvorgang ist nur zum Teil gelungen. Mit dem Undo - Button wird er r\u00fcckg\u00e4ngig gemacht !";
// A run in which every key that was to go stayed: there is nothing to undo.
inline constexpr std::string_view kNothingRemovedHint =
    "Es wurde kein Schl\u00fcssel gel\u00f6scht. Die Gr\u00fcnde stehen im L\u00f6schprotokoll !";
// A run that could not go on after it had deleted keys.
inline constexpr std::string_view kFailedHint =
    "Der Bereinigungslauf wurde abgebrochen. Mit dem Undo - Button wird er r\u00fcckg\u00e4ngig gemacht !";
// A run whose backup another program opened for writing as the run closed it: Undo cannot trust it.
inline constexpr std::string_view kNoUndoHint =
    "Ein anderes Programm hat die Sicherungskopie ge\u00f6ffnet. Undo ist nicht m\u00f6glich !";
// Undo found the backup changed since the run and did not import it.
inline constexpr std::string_view kUndoRefusedHint =
    "Die Sicherungskopie wurde ver\u00e4ndert. Undo ist nicht m\u00f6glich !";
// A run that ended before it deleted anything: there is nothing to undo.
inline constexpr std::string_view kNothingDeletedHint = "Der Bereinigungslauf wurde abgebrochen. Es wurde nichts gel\u00f6scht.";
// Two carriage returns put the text in the middle of the label.
inline constexpr std::string_view kUpdatingText = "\r\rRegistry wird aktualisiert ...";

} // namespace hivetidy
