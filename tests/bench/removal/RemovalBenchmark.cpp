// removalbench.exe CLASSES: a whole cleaning run of hivetidy's own code on this machine's registry,
// removing CLASSES controller classes with their ProgIDs and type libraries (three keys each),
// with the platform's calls timed. It prints, per removed key, the time in the registry editor's
// process and the program's own work around it: the export check, the copy into the backup, the
// flushes, the delete, the log line, and what comes before the editor starts.
//
// Only the save dialog is answered by the benchmark; everything else is the real Win32 platform.

#include "app/Form1.h"
#include "component/StoreComponent.h"
#include "platform/Platform.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Hives.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Window.h"
#include "support/ForwardingFileSystem.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <type_traits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace hivetidy;
using Clock = std::chrono::steady_clock;

constexpr char kBackupPath[] = "C:\\REGISTRY\\removalbench.reg";
constexpr char kLogPath[] = "C:\\REGISTRY\\HIVETIDY.BAK";

// What the platform was asked to do, and when.
enum class Step { EditorStart, EditorEnd, ExportRead, BackupWrite, LogWrite, Flush, Delete };

struct Event {
    Step step;
    Clock::time_point start;
    Clock::time_point end;
};

std::vector<Event> g_events;

template <class Call>
auto Timed(Step step, Call&& call)
{
    const auto start = Clock::now();
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        g_events.push_back({step, start, Clock::now()});
    } else {
        auto result = call();
        g_events.push_back({step, start, Clock::now()});
        return result;
    }
}

bool IsLog(std::string_view path)
{
    return std::equal(path.begin(), path.end(), kLogPath, kLogPath + std::strlen(kLogPath),
                      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b)); });
}

class TimedFile final : public hivetidy::testing::ForwardingFile {
public:
    TimedFile(std::unique_ptr<WritableFile> below, Step writes) : ForwardingFile(std::move(below)), m_writes(writes) {}
    bool Write(std::string_view bytes) override { return Timed(m_writes, [&] { return Below().Write(bytes); }); }
    bool Flush() override { return Timed(Step::Flush, [&] { return Below().Flush(); }); }

private:
    Step m_writes;
};

class TimedFiles final : public hivetidy::testing::ForwardingFileSystem {
public:
    TimedFiles() : ForwardingFileSystem(m_files) {}

    std::unique_ptr<WritableFile> Create(std::string_view path) override
    {
        auto file = Below().Create(path);
        if (!file) {
            return nullptr;
        }
        return std::make_unique<TimedFile>(std::move(file), IsLog(path) ? Step::LogWrite : Step::BackupWrite);
    }
    std::optional<std::string> ReadAll(std::string_view path) override
    {
        return Timed(Step::ExportRead, [&] { return Below().ReadAll(path); });
    }

private:
    win32::Win32FileSystem m_files;
};

class TimedEditor final : public StartedProcess {
public:
    explicit TimedEditor(std::unique_ptr<StartedProcess> below) : m_below(std::move(below)) {}
    std::uint32_t Id() const override { return m_below->Id(); }
    std::uint32_t Wait() override
    {
        const auto code = m_below->Wait();
        g_events.push_back({Step::EditorEnd, Clock::now(), Clock::now()});
        return code;
    }

private:
    std::unique_ptr<StartedProcess> m_below;
};

class TimedProcesses final : public Processes {
public:
    std::unique_ptr<StartedProcess> Start(std::string_view commandLine) override { return m_below.Start(commandLine); }
    std::unique_ptr<StartedProcess> StartRegistryEditor(std::string_view commandLine) override
    {
        g_events.push_back({Step::EditorStart, Clock::now(), Clock::now()});
        auto editor = m_below.StartRegistryEditor(commandLine);
        return editor ? std::make_unique<TimedEditor>(std::move(editor)) : nullptr;
    }
    ExportFormat RegistryEditorFormat() const override { return m_below.RegistryEditorFormat(); }

private:
    win32::Win32Processes m_below;
};

// Only deletes are timed: every other call of the store is part of a walk or of the check.
class TimedStore final : public RegistryStore {
public:
    std::unique_ptr<StoreKey> OpenHive(RootHandle root, RegView view) override
    {
        auto hive = m_below.OpenHive(root, view);
        return hive ? std::make_unique<Key>(std::move(hive)) : nullptr;
    }
    std::vector<RegView> Views() const override { return m_below.Views(); }

private:
    class Key final : public StoreKey {
    public:
        explicit Key(std::unique_ptr<StoreKey> below) : m_below(std::move(below)) {}
        std::optional<std::vector<std::string>> SubkeyNames() override { return m_below->SubkeyNames(); }
        std::optional<std::vector<RawValue>> Values() override { return m_below->Values(); }
        std::optional<RawValue> Value(std::string_view name) override { return m_below->Value(name); }
        std::unique_ptr<StoreKey> Open(std::string_view path) override { return Wrap(m_below->Open(path)); }
        std::unique_ptr<StoreKey> OpenSubkey(std::string_view name) override { return Wrap(m_below->OpenSubkey(name)); }
        std::optional<std::string> Identity() override { return m_below->Identity(); }
        bool DeleteTree(std::string_view path) override
        {
            return Timed(Step::Delete, [&] { return m_below->DeleteTree(path); });
        }

    private:
        static std::unique_ptr<StoreKey> Wrap(std::unique_ptr<StoreKey> key)
        {
            return key ? std::make_unique<Key>(std::move(key)) : nullptr;
        }
        std::unique_ptr<StoreKey> m_below;
    };

    win32::Win32Registry m_below;
};

class AnsweringDialogs final : public Dialogs {
public:
    std::optional<std::string> ShowSave(const SaveDialogSettings& /*settings*/) override { return std::string(kBackupPath); }
    int MessageBox(std::string_view text, std::string_view /*title*/, std::uint32_t /*style*/) override
    {
        std::fprintf(stderr, "message box: %.*s\n", static_cast<int>(text.size()), text.data());
        return kIdYes;
    }
};

void SetText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot create %ls\n", path.c_str());
        std::exit(2);
    }
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring Guid(unsigned kind, unsigned number)
{
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08X-%04X-4000-8000-%012X}", 0x5EED0000U + number, kind, number);
    return text;
}

// The controller's classes as its installer registers them, each with a ProgID and a type library.
void SeedController(int classes)
{
    SetText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORVA Roboter GmbH\\Version", L"InstallationDir", L"C:\\Programme\\OMX");
    for (const wchar_t* folder : {L"C:\\Programme", L"C:\\Programme\\OMX", L"C:\\Programme\\OMX\\BIN", L"C:\\Programme\\OMX\\LIB"}) {
        CreateDirectoryW(folder, nullptr);
    }
    for (int i = 0; i < classes; ++i) {
        const std::wstring number = std::to_wstring(i);
        const std::wstring clsid = Guid(0xC1A5, i);
        const std::wstring lib = Guid(0x71B0, i);
        const std::wstring progId = L"Orva.Bench" + number + L".1";
        const std::wstring key = L"CLSID\\" + clsid;
        SetText(HKEY_CLASSES_ROOT, key, L"", L"Steuerung " + number);
        SetText(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"", L"C:\\Programme\\OMX\\BIN\\ctl" + number + L".dll");
        SetText(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        SetText(HKEY_CLASSES_ROOT, key + L"\\ProgID", L"", progId);
        SetText(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"", lib);
        SetText(HKEY_CLASSES_ROOT, progId, L"", L"Steuerung " + number);
        SetText(HKEY_CLASSES_ROOT, progId + L"\\CLSID", L"", clsid);
        const std::wstring version = L"TypeLib\\" + lib + L"\\1.0";
        SetText(HKEY_CLASSES_ROOT, version, L"", L"Steuerung " + number + L" Typbibliothek");
        SetText(HKEY_CLASSES_ROOT, version + L"\\0\\win32", L"", L"C:\\Programme\\OMX\\LIB\\ctl" + number + L".tlb");
        SetText(HKEY_CLASSES_ROOT, version + L"\\FLAGS", L"", L"0");
        SetText(HKEY_CLASSES_ROOT, version + L"\\HELPDIR", L"", L"C:\\Programme\\OMX\\LIB");
    }
}

double Ms(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

int CountLoggedKeys()
{
    FILE* log = std::fopen(kLogPath, "rb");
    if (!log) {
        return -1;
    }
    int keys = 0;
    for (int c; (c = std::fgetc(log)) != EOF;) {
        keys += c == '[' ? 1 : 0;
    }
    std::fclose(log);
    return keys;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int classes = argc > 1 ? std::max(1, _wtoi(argv[1])) : 100;
    SeedController(classes);

    win32::Win32Window window;
    if (!window.Create(GetModuleHandleW(nullptr))) {
        std::fprintf(stderr, "no window\n");
        return 2;
    }
    TimedStore registry;
    StoreComponentFactory components(registry);
    TimedFiles files;
    TimedProcesses processes;
    AnsweringDialogs dialogs;
    win32::Win32System system;
    win32::Win32Hives hives;
    Platform platform{components, files, processes, dialogs, window, system, hives};

    Form1 form(platform);
    window.SetEvents(&form);
    form.Form_Load();
    const auto started = Clock::now();
    form.Command1_Click();
    const auto finished = Clock::now();

    // Each removal is one editor run; the program's own work on a key runs from the editor's end
    // to the next editor's start (its check, copy, delete and log line, then the next key's
    // guards, lookups and the old export's removal).
    struct Split {
        double editor = 0, check = 0, copy = 0, flush = 0, remove = 0, log = 0, before = 0;
    } total;
    int removals = 0;
    std::vector<double> ownWork;
    for (std::size_t i = 0; i < g_events.size(); ++i) {
        if (g_events[i].step != Step::EditorStart) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < g_events.size() && g_events[end].step != Step::EditorEnd) {
            ++end;
        }
        if (end == g_events.size()) {
            break;
        }
        ++removals;
        total.editor += Ms(g_events[end].start - g_events[i].start);
        std::size_t next = end + 1;
        while (next < g_events.size() && g_events[next].step != Step::EditorStart) {
            ++next;
        }
        const auto keyEnd = next < g_events.size() ? g_events[next].start : finished;
        Clock::time_point firstWrite = keyEnd;
        Clock::time_point lastOwn = g_events[end].start;
        for (std::size_t k = end + 1; k < next; ++k) {
            const Event& e = g_events[k];
            const double ms = Ms(e.end - e.start);
            switch (e.step) {
            case Step::BackupWrite:
                firstWrite = std::min(firstWrite, e.start);
                total.copy += ms;
                break;
            case Step::ExportRead:
                total.copy += ms;
                break;
            case Step::Flush:
                total.flush += ms;
                break;
            case Step::Delete:
                total.remove += ms;
                break;
            case Step::LogWrite:
                total.log += ms;
                break;
            default:
                break;
            }
            lastOwn = std::max(lastOwn, e.end);
        }
        // The check: from the editor's end to the first line copied, less reading the export.
        double read = 0;
        for (std::size_t k = end + 1; k < next && g_events[k].start < firstWrite; ++k) {
            if (g_events[k].step == Step::ExportRead) {
                read += Ms(g_events[k].end - g_events[k].start);
            }
        }
        if (firstWrite != keyEnd) {
            total.check += Ms(firstWrite - g_events[end].start) - read;
        }
        if (next < g_events.size()) {
            total.before += Ms(keyEnd - lastOwn);
        }
        // The last key's time runs on into the passes after it: it is left out.
        if (next < g_events.size()) {
            ownWork.push_back(Ms(keyEnd - g_events[end].start));
        }
    }
    const int logged = CountLoggedKeys();
    std::sort(ownWork.begin(), ownWork.end());
    const double n = removals > 0 ? removals : 1;
    std::printf("run classes=%d removals=%d logged=%d run_ms=%.0f\n", classes, removals, logged, Ms(finished - started));
    std::printf("per_key_ms editor=%.2f check=%.3f copy=%.3f flush=%.3f delete=%.3f log=%.3f before_next=%.3f\n",
                total.editor / n, total.check / n, total.copy / n, total.flush / n, total.remove / n, total.log / n,
                total.before / n);
    if (!ownWork.empty()) {
        std::printf("own_work_ms median=%.3f p90=%.3f max=%.3f\n", ownWork[ownWork.size() / 2],
                    ownWork[ownWork.size() * 9 / 10], ownWork.back());
    }
    if (logged != 3 * classes) {
        std::fprintf(stderr, "expected %d removed keys, the log lists %d\n", 3 * classes, logged);
        return 1;
    }
    return 0;
}
