#include "files/RunOutcome.h"

#include "files/WorkingFiles.h"

namespace hivetidy {

namespace {

constexpr std::string_view kUnreadableTree = "Nicht lesbar";
constexpr std::string_view kLeftLoaded = "Nicht entladen";

} // namespace

void RunOutcome::Add(const KeyOutcome& key)
{
    switch (key.kind) {
    case KeyOutcome::Kind::NotThere:
    case KeyOutcome::Kind::NotSelected:
        break;
    case KeyOutcome::Kind::RemovedInPart:
        ++m_removedInPart;
        [[fallthrough]];
    case KeyOutcome::Kind::Removed:
        ++m_removed;
        m_removedNames.push_back(key.name);
        break;
    case KeyOutcome::Kind::Stayed:
        ++m_stayed;
        m_notRemoved.push_back(std::string(ReasonText(key.reason)) + ": " + key.name);
        break;
    }
}

void RunOutcome::TreeUnreadable(std::string name)
{
    m_notRemoved.push_back(std::string(kUnreadableTree) + ": " + name);
    m_unreadable.push_back(std::move(name));
}

void RunOutcome::HiveLeftLoaded(std::string name)
{
    m_notRemoved.push_back(std::string(kLeftLoaded) + ": " + name);
    m_leftLoaded.push_back(std::move(name));
}

std::vector<std::string> RunOutcome::ClosingLogLines() const
{
    if (m_notRemoved.empty()) {
        return {};
    }
    std::vector<std::string> lines{"", std::string(kLogNotRemovedHeadLine), std::string(kLogRuler), ""};
    lines.insert(lines.end(), m_notRemoved.begin(), m_notRemoved.end());
    return lines;
}

std::vector<std::string> RunOutcome::CountLines() const
{
    std::string removed = "Gel\u00f6scht: " + CountOfKeys(Removed());
    if (RemovedInPart() > 0) {
        removed += ", davon " + std::to_string(RemovedInPart()) + " nur zum Teil";
    }
    std::vector<std::string> lines{removed + ".", "Geblieben: " + CountOfKeys(Stayed()) + "."};
    for (const std::string& tree : UnreadableTrees()) {
        lines.push_back(std::string(kUnreadableTree) + ": " + tree);
    }
    for (const std::string& hive : m_leftLoaded) {
        lines.push_back(std::string(kLeftLoaded) + ": " + hive);
    }
    return lines;
}

std::string CountOfKeys(int count)
{
    return std::to_string(count) + " Schl\u00fcssel";
}

} // namespace hivetidy
