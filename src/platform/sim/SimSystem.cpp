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
    m_ended = true;
    throw ProgramEnded{};
}

} // namespace hivetidy::sim
