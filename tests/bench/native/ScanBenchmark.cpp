// The scan over the simulated registry at 1k, 10k and 100k foreign classes: keys per second for
// each pass, and the store calls each key costs. Nothing in these registries is the controller's,
// so every figure is the scan alone.

#include "support/CountingStore.h"

#include "app/Form1.h"
#include "passes/Callbacks.h"
#include "passes/ClassKeyCollector.h"
#include "platform/sim/SimPlatform.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace hivetidy::bench {
using testing::CountingStore;
using testing::StoreCalls;
namespace {

constexpr std::string_view kClsid = "HKEY_CLASSES_ROOT\\CLSID\\";
constexpr std::string_view kTypeLib = "HKEY_CLASSES_ROOT\\TypeLib\\";
constexpr std::string_view kAppPaths = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::string Guid(unsigned kind, unsigned number)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-4000-8000-%012X}", number * 2654435761U, kind, number);
    return text;
}

// What a service PC holds besides the controller: per class a server, a ProgID, a type library
// and a version; a type library for every ten classes, an application path for every hundred.
void SeedForeign(sim::SimRegistry& registry, int classes)
{
    const int typeLibs = classes / 10;
    for (int i = 0; i < classes; ++i) {
        const std::string key = std::string(kClsid) + Guid(1, i);
        const std::string folder = "C:\\Program Files\\Vendor" + std::to_string(i % 97) + "\\";
        registry.SetString(key, "", "Component " + std::to_string(i));
        registry.SetString(key + "\\InprocServer32", "", folder + "comp" + std::to_string(i) + ".dll");
        registry.SetString(key + "\\InprocServer32", "ThreadingModel", "Apartment");
        registry.SetString(key + "\\ProgID", "", "Vendor.Component" + std::to_string(i) + ".1");
        registry.SetString(key + "\\TypeLib", "", Guid(2, i % typeLibs));
        registry.SetString(key + "\\Version", "", "1.0");
    }
    for (int i = 0; i < typeLibs; ++i) {
        const std::string key = std::string(kTypeLib) + Guid(2, i) + "\\1.0";
        const std::string folder = "C:\\Program Files\\Vendor" + std::to_string(i % 97) + "\\";
        registry.SetString(key, "", "Library " + std::to_string(i));
        registry.SetString(key + "\\0\\win32", "", folder + "lib" + std::to_string(i) + ".tlb");
        registry.SetString(key + "\\FLAGS", "", "0");
        registry.SetString(key + "\\HELPDIR", "", folder);
    }
    for (int i = 0; i < classes / 100; ++i) {
        const std::string key = std::string(kAppPaths) + "\\tool" + std::to_string(i) + ".exe";
        const std::string folder = "C:\\Program Files\\Vendor" + std::to_string(i % 97);
        registry.SetString(key, "", folder + "\\tool" + std::to_string(i) + ".exe");
        registry.SetString(key, "Path", folder);
    }
    // The controller itself is installed, with nothing of it registered.
    registry.SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH\\Version", "InstallationDir",
                       "C:\\Programme\\OMX");
}

// The keys below a tree, counted by a walk of the store of its own.
std::uint64_t CountKeys(RegistryStore& store, RootHandle root, std::string_view path)
{
    std::uint64_t count = 0;
    std::vector<std::unique_ptr<StoreKey>> pending;
    pending.push_back(store.OpenHive(root)->Open(path));
    while (!pending.empty()) {
        auto key = std::move(pending.back());
        pending.pop_back();
        for (const std::string& name : key->SubkeyNames().value_or(std::vector<std::string>{})) {
            ++count;
            pending.push_back(key->OpenSubkey(name));
        }
    }
    return count;
}

// One machine per size, made once: seeding 100k classes takes longer than scanning them.
struct Machine {
    explicit Machine(int classes) : counting(sim.registry()), counted(counting), components(sim.registry())
    {
        sim.files().AddDirectory("C:\\Programme", std::string("PROGRA~2"));
        sim.files().AddDirectory("C:\\Programme\\OMX", std::nullopt);
        SeedForeign(sim.registry(), classes);
        classKeys = CountKeys(counting, kHkeyClassesRoot, "CLSID");
        typeLibKeys = CountKeys(counting, kHkeyClassesRoot, "TypeLib");
        appPathKeys = CountKeys(counting, kHkeyLocalMachine, kAppPaths.substr(sizeof "HKEY_LOCAL_MACHINE"));
        sim.window().SetEvents(nullptr);
    }

    // The program on the registry itself, for the time; on the counting store, for the calls.
    Platform Program() { return Platform{components, sim.files(), sim.processes(), sim.dialogs(), sim.window(), sim.system(), sim.hives()}; }
    Platform CountedProgram() { return Platform{counted, sim.files(), sim.processes(), sim.dialogs(), sim.window(), sim.system(), sim.hives()}; }

    sim::SimPlatform sim;
    CountingStore counting;
    StoreComponentFactory counted;
    StoreComponentFactory components;
    std::uint64_t classKeys = 0;
    std::uint64_t typeLibKeys = 0;
    std::uint64_t appPathKeys = 0;
};

Machine& MachineOf(int classes)
{
    static std::map<int, std::unique_ptr<Machine>> machines;
    auto& machine = machines[classes];
    if (!machine) {
        machine = std::make_unique<Machine>(classes);
    }
    return *machine;
}

// Keys per second from the timed iterations; the store calls per key from one more pass, made
// on the counting store so that counting adds nothing to the time.
template <class Pass>
void Report(benchmark::State& state, Machine& machine, std::uint64_t keys, Pass&& countedPass)
{
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["keys"] = static_cast<double>(keys);
    state.counters["keys/s"] = benchmark::Counter(static_cast<double>(keys) * iterations, benchmark::Counter::kIsRate);
    state.counters["ns/key"] = benchmark::Counter(static_cast<double>(keys) * iterations * 1e-9,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    machine.counting.Reset();
    countedPass();
    const StoreCalls& calls = machine.counting.Calls();
    const double perKey = static_cast<double>(keys);
    state.counters["calls/key"] = static_cast<double>(calls.Total()) / perKey;
    state.counters["opens/key"] = static_cast<double>(calls.opens) / perKey;
    state.counters["reads/key"] = static_cast<double>(calls.valueReads) / perKey;
}

// The walk of HKEY_CLASSES_ROOT\CLSID with the class-key collector, every class key with every
// key below it, and the type library of each class.
void BM_ClassPass(benchmark::State& state)
{
    Machine& machine = MachineOf(static_cast<int>(state.range(0)));
    const auto pass = [](Platform platform) {
        Form1 form(platform);
        form.Run().LocateInstallation();
        CallbackObjects callbacks(form.Run().State(), platform.components, [] {});
        ClassKeyCollector collector(form.Run().State(), callbacks, [] {});
        auto clsid = platform.components.Create();
        clsid->OpenKey(kHkeyClassesRoot, TaggedValue::Text("CLSID"));
        clsid->WalkSubkeys(collector, 0);
        return form.Run().State().InvalidClasses.UpperBound();
    };
    for (auto _ : state) {
        if (pass(machine.Program()) != 0) {
            state.SkipWithError("a foreign class was taken for the controller's");
        }
    }
    Report(state, machine, machine.classKeys, [&] { (void)pass(machine.CountedProgram()); });
}

// The walk of HKEY_CLASSES_ROOT\TypeLib with the type-library collector.
void BM_TypeLibPass(benchmark::State& state)
{
    Machine& machine = MachineOf(static_cast<int>(state.range(0)));
    const auto pass = [](Platform platform) {
        Form1 form(platform);
        form.Run().LocateInstallation();
        Form4 collector(form.Run().State(), [] {});
        auto typeLibs = platform.components.Create();
        typeLibs->OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib"));
        typeLibs->WalkTree(collector, *typeLibs, 0);
    };
    for (auto _ : state) {
        pass(machine.Program());
    }
    Report(state, machine, machine.typeLibKeys, [&] { pass(machine.CountedProgram()); });
}

// The application paths with their collector.
void BM_AppPathsPass(benchmark::State& state)
{
    Machine& machine = MachineOf(static_cast<int>(state.range(0)));
    const auto pass = [](Platform platform) {
        Form1 form(platform);
        form.Run().LocateInstallation();
        Form5 collector(form.Run().State());
        auto appPaths = platform.components.Create();
        appPaths->OpenKey(kHkeyLocalMachine, TaggedValue::Text(kAppPaths.substr(sizeof "HKEY_LOCAL_MACHINE")));
        appPaths->WalkSubkeys(collector, 0);
    };
    for (auto _ : state) {
        pass(machine.Program());
    }
    Report(state, machine, machine.appPathKeys, [&] { pass(machine.CountedProgram()); });
}

// A whole run from Start to the finished window, with nothing to remove: every pass in every view,
// the backup and the log made and closed.
void BM_WholeScan(benchmark::State& state)
{
    Machine& machine = MachineOf(static_cast<int>(state.range(0)));
    const auto run = [&](Platform platform) {
        {
            Form1 form(platform);
            machine.sim.window().SetEvents(&form);
            form.Form_Load();
            machine.sim.dialogs().QueueSave(std::string("C:\\REGISTRY\\backup.reg"));
            form.Command1_Click();
            machine.sim.window().SetEvents(nullptr);
        }
        (void)machine.sim.files().Delete("C:\\REGISTRY\\backup.reg");
        (void)machine.sim.files().Delete("C:\\REGISTRY\\HIVETIDY.BAK");
    };
    for (auto _ : state) {
        run(machine.Program());
    }
    Report(state, machine, machine.classKeys + machine.typeLibKeys + machine.appPathKeys,
           [&] { run(machine.CountedProgram()); });
}

BENCHMARK(BM_ClassPass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeLibPass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppPathsPass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeScan)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace hivetidy::bench

BENCHMARK_MAIN();
