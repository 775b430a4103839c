// tbBench.exe: measures tbSetup.exe under Wine and prints a table of medians
// with min and max. Run by scripts/bench.sh inside the test prefix.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "setup/Setup.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace tbtest;

constexpr int kRuns = 5;
// The grant is cheap per run and noisy under Wine: more runs.
constexpr int kGrantRuns = 15;

struct Stats {
    double median;
    double min;
    double max;
};

Stats Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.front(), samples.back()};
}

void PrintRow(const char* what, const Stats& s, const char* unit, const char* note)
{
    printf("| %-44s | %9.1f | %9.1f | %9.1f | %-5s | %s\n", what, s.median, s.min, s.max, unit, note);
}

// Wall time of tbSetup.exe runs, each after its own preparation.
Stats TimeRuns(const std::wstring& arguments, const std::function<void()>& prepare, const std::wstring& exe)
{
    std::vector<double> samples;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        samples.push_back(RunSetup(arguments, exe).elapsedMs);
    }
    return Summarise(samples);
}

// Time per subkey of the access grant over a product key with n subkeys.
Stats TimeGrant(int subkeys)
{
    ScopedKeyAside product(HKEY_LOCAL_MACHINE, tbtest::kProductKey);
    for (int i = 0; i < subkeys; ++i)
        WriteDword(HKEY_LOCAL_MACHINE, std::wstring(tbtest::kProductKey) + L"\\Child" + std::to_wstring(i), L"Value", 1);
    std::vector<double> samples;
    for (int i = 0; i < kGrantRuns; ++i) {
        LARGE_INTEGER frequency;
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        GrantUsersAccessToProductKey();
        QueryPerformanceCounter(&end);
        const double us = 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
        samples.push_back(us / subkeys);
    }
    return Summarise(samples);
}

// Wall time of silent msiexec runs: installing the example package (its
// "/Commit" included) and removing it again (its "/Uninstall" included).
void PrintMsiRows()
{
    ScopedKeyAside appPaths(HKEY_LOCAL_MACHINE, kAppPathsSubkey);
    ScopedKeyAside product(HKEY_LOCAL_MACHINE, tbtest::kProductKey);
    ScopedValueAside run(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName);
    const std::wstring msiexec = SystemProgramPath(L"msiexec.exe");
    const std::wstring package = L"\"" + BinDir() + L"\\TAVOBatt.msi\"";
    std::vector<double> install;
    std::vector<double> removal;
    for (int i = 0; i < kRuns; ++i) {
        install.push_back(RunProgram(msiexec, L"msiexec /i " + package + L" /qn").elapsedMs);
        removal.push_back(RunProgram(msiexec, L"msiexec /x " + package + L" /qn").elapsedMs);
    }
    StandInScheduler::Reinstall();
    PrintRow("msiexec /i TAVOBatt.msi /qn", Summarise(install), "ms", "includes /Commit");
    PrintRow("msiexec /x TAVOBatt.msi /qn", Summarise(removal), "ms", "includes /Uninstall: 2000 ms of waits");
}

}  // namespace

int main()
{
    printf("| %-44s | %9s | %9s | %9s | %-5s | %s\n", "measure", "median", "min", "max", "unit", "note");
    printf("|%s|%s|%s|%s|%s|%s\n", "----------------------------------------------", "-----------",
           "-----------", "-----------", "-------", "------");

    {
        StandInScheduler scheduler;
        PrintRow("/Uninstall, scheduler running", TimeRuns(L"/Uninstall", [&] { scheduler.Start(); }, SetupExePath()),
                 "ms", "mandated waits: 2000 ms");
    }
    {
        SimulatedInstallation install;
        const std::wstring settings = install.settingsPath();
        PrintRow("/Commit, simulated installation",
                 TimeRuns(L"/Commit",
                          [&] { WriteSettingsFile(settings, kImportedSubkey, {{kImportedValueName, 1}}); },
                          SetupExePath()),
                 "ms", "includes reg.exe's own run");
        PrintRow("/Commit, no settings file", TimeRuns(L"/Commit", [] {}, SetupExePath()), "ms", "no reg.exe started");
    }
    {
        SimulatedInstallation install;
        ScopedFile program(std::wstring(kProductFolder) + L"\\tbSetup.exe");
        CopyFileW(SetupExePath().c_str(), program.path().c_str(), FALSE);
        PrintRow("/StandAlone, from the product folder", TimeRuns(L"/StandAlone", [] {}, program.path()), "ms",
                 "import and grant");
    }
    PrintRow("no switch", TimeRuns(L"", [] {}, SetupExePath()), "ms", "process start only");
    for (int subkeys : {10, 30, 100, 300, 1000}) {
        char label[64];
        snprintf(label, sizeof(label), "grant, %d direct subkeys, per subkey", subkeys);
        PrintRow(label, TimeGrant(subkeys), "us", "in process");
    }
    PrintMsiRows();
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(SetupExePath().c_str(), GetFileExInfoStandard, &data);
    const double bytes = data.nFileSizeLow;
    PrintRow("tbSetup.exe file size", {bytes, bytes, bytes}, "bytes", "static runtime, stripped, no EH tables");
    return 0;
}
