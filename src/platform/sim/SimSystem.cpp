#include "platform/sim/SimSystem.h"

#include "platform/sim/Cp1252.h"

#include <cstdio>

namespace hivetidy::sim {

std::string SimSystem::ToAnsi(std::string_view utf8)
{
    return Utf8ToCp1252(utf8);
}

std::string SimSystem::FromAnsi(std::string_view ansi)
{
    return Cp1252ToUtf8(ansi);
}

std::string SimSystem::FormatTimeOfDay(int hours, int minutes, int seconds)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
    return text;
}

void SimSystem::Beep()
{
    ++m_beeps;
}

void SimSystem::Terminate()
{
    Terminate(0);
}

void SimSystem::Terminate(int exitCode)
{
    m_ended = true;
    m_exitCode = exitCode;
    throw ProgramEnded{};
}

namespace {

class SimRunLock final : public RunLock {
public:
    SimRunLock(int& holder, int number) : m_holder(holder), m_number(number) { m_holder = number; }
    // Only while it still holds the machine's run: its program may have ended meanwhile, and
    // another one taken the run.
    ~SimRunLock() override
    {
        if (m_holder == m_number) {
            m_holder = 0;
        }
    }

    SimRunLock(const SimRunLock&) = delete;
    SimRunLock& operator=(const SimRunLock&) = delete;

private:
    int& m_holder;
    int m_number;
};

} // namespace

std::unique_ptr<RunLock> SimSystem::TakeRunLock()
{
    if (m_runLockHolder != 0) {
        return nullptr;
    }
    return std::make_unique<SimRunLock>(m_runLockHolder, ++m_runLocksTaken);
}

} // namespace hivetidy::sim
