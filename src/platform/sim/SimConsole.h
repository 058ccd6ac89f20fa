#pragma once
// A console for the tests: attached or not, it keeps what was written to it.

#include "platform/Console.h"

#include <string>
#include <string_view>
#include <vector>

namespace hivetidy::sim {

class SimConsole final : public Console {
public:
    explicit SimConsole(bool attached = true) : m_attached(attached) {}

    [[nodiscard]] bool Attached() const override { return m_attached; }
    void WriteLine(std::string_view line) override
    {
        if (m_attached) {
            m_lines.emplace_back(line);
        }
    }

    [[nodiscard]] const std::vector<std::string>& Lines() const { return m_lines; }
    // Forgets the lines so far, for a test that starts the program again.
    void Clear() { m_lines.clear(); }

private:
    bool m_attached;
    std::vector<std::string> m_lines;
};

} // namespace hivetidy::sim
