#include "files/KeyOutcome.h"

namespace hivetidy {

std::string_view ReasonText(StayReason reason)
{
    switch (reason) {
    case StayReason::ExportNotMade:
        return "Export misslungen";
    case StayReason::ExportIncomplete:
        return "Export unvollst\u00e4ndig";
    case StayReason::ExportFileBusy:
        return "hlp.reg belegt";
    case StayReason::DeleteDenied:
        return "L\u00f6schen verweigert";
    case StayReason::SharedWithOtherSoftware:
        return "Geh\u00f6rt auch anderer Software";
    case StayReason::DeletingStopped:
        return "L\u00f6schen eingestellt";
    case StayReason::KeyUnreadable:
        return "Nicht vollst\u00e4ndig lesbar";
    case StayReason::NoEditorName:
        return "Name f\u00fcr regedit ungeeignet";
    case StayReason::KeyUnopenable:
        return "Nicht zu \u00f6ffnen";
    case StayReason::LeadsOutOfHive:
        return "Verweis aus dem Benutzerprofil hinaus";
    }
    return "Unbekannter Grund";
}

} // namespace hivetidy
