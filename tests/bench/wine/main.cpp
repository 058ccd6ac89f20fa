// hivebench.exe: the measurements of scripts/bench, one per start, each printed as one line of
// name=value fields for the script to read.
//   hivebench seed CLASSES            foreign registrations of that size, and the controller's
//                                     installation (nothing of it to remove); tops a smaller size up
//   hivebench trees                   the trees a run walks, each in its view
//   hivebench walk [METHOD|all]       the bare walk of those trees: naive, enumerating, counted,
//                                     ntdll (the fastest, taken when none is named)
//   hivebench scan PROGRAM BACKUP     one whole scan of the program, timed from outside
//   hivebench tool reg|regedit        reg query /s or regedit /e of each tree, as whole processes
//   hivebench hold                    waits until it is ended, keeping the Wine server and the
//                                     prefix's system processes up between the measurements

#include "BareWalk.h"
#include "DriverError.h"
#include "ForeignRegistrations.h"
#include "ScanTiming.h"
#include "Text.h"
#include "ToolTiming.h"
#include "WalkedTrees.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace hivebench {
namespace {

using hivedrive::ToUtf8;

constexpr char kUsage[] =
    "usage: hivebench seed CLASSES | trees | walk [naive|enumerating|counted|ntdll|all] |\n"
    "       scan PROGRAM BACKUP | tool reg|regedit | hold\n";

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int Seed(int classes)
{
    const auto started = std::chrono::steady_clock::now();
    SeedControllerInstallation();
    const SeedReport report = SeedForeignRegistrations(classes);
    std::printf("seed classes=%d typelibs=%d apppaths=%d new_classes=%d new_typelibs=%d new_apppaths=%d ms=%.1f\n",
                report.after.classes, report.after.typeLibraries, report.after.appPaths,
                report.after.classes - report.before.classes,
                report.after.typeLibraries - report.before.typeLibraries,
                report.after.appPaths - report.before.appPaths, MillisecondsSince(started));
    return 0;
}

int Trees()
{
    for (const WalkedTree& tree : TreesOfARun()) {
        std::printf("tree view=%s name=%s\n", ToUtf8(tree.viewName).c_str(), ToUtf8(tree.fullName).c_str());
    }
    return 0;
}

void WalkOnce(const std::vector<WalkedTree>& trees, WalkMethod method)
{
    const auto started = std::chrono::steady_clock::now();
    std::vector<WalkTotals> each;
    WalkTotals totals;
    for (const WalkedTree& tree : trees) {
        each.push_back(WalkTree(tree, method));
        totals += each.back();
    }
    const double milliseconds = MillisecondsSince(started);
    for (std::size_t i = 0; i < trees.size(); ++i) {
        std::printf("tree view=%s name=%s keys=%llu values=%llu\n", ToUtf8(trees[i].viewName).c_str(),
                    ToUtf8(trees[i].fullName).c_str(), static_cast<unsigned long long>(each[i].keys),
                    static_cast<unsigned long long>(each[i].values));
    }
    std::printf("walk method=%s trees=%zu keys=%llu values=%llu bytes=%llu ms=%.1f\n", NameOf(method), trees.size(),
                static_cast<unsigned long long>(totals.keys), static_cast<unsigned long long>(totals.values),
                static_cast<unsigned long long>(totals.dataBytes), milliseconds);
    std::fflush(stdout);
}

int Walk(const std::wstring& methodName)
{
    const std::vector<WalkedTree> trees = TreesOfARun();
    if (methodName == L"all") {
        for (const WalkMethod method :
             {WalkMethod::Naive, WalkMethod::Enumerating, WalkMethod::Counted, WalkMethod::Ntdll}) {
            WalkOnce(trees, method);
        }
        return 0;
    }
    const auto method = methodName.empty() ? std::optional(kFastestWalk) : WalkMethodNamed(methodName);
    if (!method) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    WalkOnce(trees, *method);
    return 0;
}

int Scan(const std::wstring& program, const std::wstring& backupPath)
{
    const ScanResult result = TimeScan(program, backupPath);
    std::printf("scan ms=%.1f peak_working_set=%llu peak_private=%llu poll_ms=%lld\n", result.milliseconds,
                static_cast<unsigned long long>(result.peakWorkingSet),
                static_cast<unsigned long long>(result.peakPrivate),
                static_cast<long long>(kScanPollInterval.count()));
    return 0;
}

int RunTool(Tool tool)
{
    const std::vector<WalkedTree> trees = TreesOfARun();
    const ToolResult result = TimeTool(tool, trees);
    std::string each;
    for (const double milliseconds : result.treeMilliseconds) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%.1f", each.empty() ? "" : ",", milliseconds);
        each += text;
    }
    std::printf("tool name=%s trees=%zu bytes=%llu tree_ms=%s ms=%.1f\n", NameOf(tool), trees.size(),
                static_cast<unsigned long long>(result.outputBytes), each.c_str(), result.milliseconds);
    return 0;
}

int Hold()
{
    // Wine starts the desktop process for the first program that asks for the desktop window, and
    // that process inherits the program's output: started here, it is not left holding the
    // output of a measurement.
    ::GetDesktopWindow();
    for (;;) {
        ::Sleep(INFINITE);
    }
}

int Run(const std::vector<std::wstring>& arguments)
{
    const std::wstring command = arguments.empty() ? L"" : arguments[0];
    if (command == L"seed" && arguments.size() == 2) {
        return Seed(std::stoi(arguments[1]));
    }
    if (command == L"trees" && arguments.size() == 1) {
        return Trees();
    }
    if (command == L"walk" && arguments.size() <= 2) {
        return Walk(arguments.size() == 2 ? arguments[1] : L"");
    }
    if (command == L"scan" && arguments.size() == 3) {
        return Scan(arguments[1], arguments[2]);
    }
    if (command == L"hold" && arguments.size() == 1) {
        return Hold();
    }
    if (command == L"tool" && arguments.size() == 2) {
        if (const auto tool = ToolNamed(arguments[1])) {
            return RunTool(*tool);
        }
    }
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace
} // namespace hivebench

int wmain(int argc, wchar_t** argv)
{
    try {
        return hivebench::Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "error: %s\n", failure.what());
        return 1;
    }
}
