// The integrator's trace: the event provider's registration and the levels its sessions ask
// for (through a stand-in of the system's event-tracing calls, and once through Wine's own),
// the process's first line, and the lines of the failures an integrator hunts, caught from the
// debug output of the real DLL and of the plug-in's routines.
#include <gtest/gtest.h>

#include <windows.h>
#include <evntrace.h>
#include <winddiui.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/devmode.h"
#include "base/driverfiles.h"
#include "base/trace.h"
#include "tests/support/debugoutput.h"
#include "tests/support/plugindll.h"
#include "tests/support/testprinters.h"

namespace {

using oemui::kTraceDecisions;
using oemui::kTraceError;
using oemui::kTraceWarning;

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

size_t CountWith(const std::vector<std::wstring>& lines, const std::wstring& part) {
    return static_cast<size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::wstring& l) { return Contains(l, part); }));
}

std::string Shown(const std::vector<std::wstring>& lines) {
    std::wstring all;
    for (const std::wstring& l : lines) all += l + L"\n";
    return testenv::Narrow(all);
}

// The line every process writes first, as this test program must see it.
std::wstring ExpectedProcessLine() {
    return L"vroemui: version " + testenv::Widen(OEMUI_PROJECT_VERSION) + L" (" +
           host::kPluginFileName + L") in trace_tests.exe, process " +
           std::to_wstring(GetCurrentProcessId());
}

// A stand-in of the system's event-tracing calls: what the provider registered, wrote and
// released.
struct FakeEventTracing {
    int registrations = 0;
    int releases = 0;
    GUID provider = {};
    PENABLECALLBACK callback = nullptr;
    REGHANDLE released = 0;
    std::vector<std::pair<UCHAR, std::wstring>> events;
};
FakeEventTracing fake;
constexpr REGHANDLE kFakeRegistration = 0x5EA51;

ULONG WINAPI FakeRegister(LPCGUID provider, PENABLECALLBACK callback, PVOID, PREGHANDLE handle) {
    ++fake.registrations;
    fake.provider = *provider;
    fake.callback = callback;
    *handle = kFakeRegistration;
    return ERROR_SUCCESS;
}
ULONG WINAPI FakeWriteString(REGHANDLE handle, UCHAR level, ULONGLONG, PCWSTR text) {
    if (handle == kFakeRegistration) fake.events.emplace_back(level, text);
    return ERROR_SUCCESS;
}
ULONG WINAPI FakeUnregister(REGHANDLE handle) {
    ++fake.releases;
    fake.released = handle;
    return ERROR_SUCCESS;
}

oemui::EventTracingCalls FakeCalls() {
    oemui::EventTracingCalls calls;
    calls.Register = FakeRegister;
    calls.WriteString = FakeWriteString;
    calls.Unregister = FakeUnregister;
    return calls;
}

// A session enabling (level), disabling or asking for the provider's state.
void Session(ULONG code, UCHAR level = 0) {
    ASSERT_NE(fake.callback, nullptr);
    fake.callback(&oemui::kTraceProviderId, code, level, 0, 0, nullptr, nullptr);
}

// The debug output off for the plug-in's routines in this process (they read the machine's
// level again after a second).
void DebugOutputOff() {
    testenv::SetMachineTraceLevel(0);
    Sleep(1100);
    oemui::TraceForPrinter(nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The event provider

TEST(TraceProvider, RegistersOnceAndReleasesItsOwnRegistration) {
    fake = FakeEventTracing{};
    ASSERT_TRUE(oemui::StartTraceProvider(FakeCalls()));
    EXPECT_TRUE(oemui::StartTraceProvider(FakeCalls()));
    EXPECT_EQ(fake.registrations, 1);
    EXPECT_TRUE(IsEqualGUID(fake.provider, oemui::kTraceProviderId));
    oemui::StopTraceProvider();
    oemui::StopTraceProvider();
    EXPECT_EQ(fake.releases, 1);
    EXPECT_EQ(fake.released, kFakeRegistration);
    // A later load registers again.
    ASSERT_TRUE(oemui::StartTraceProvider(FakeCalls()));
    EXPECT_EQ(fake.registrations, 2);
    oemui::StopTraceProvider();
    EXPECT_EQ(fake.releases, 2);
}

TEST(TraceProvider, WithoutTheSystemsCallsNothingIsRegisteredAndLinesStillGo) {
    fake = FakeEventTracing{};
    oemui::EventTracingCalls partial = FakeCalls();
    partial.WriteString = nullptr;
    EXPECT_FALSE(oemui::StartTraceProvider(partial));
    EXPECT_FALSE(oemui::StartTraceProvider(oemui::EventTracingCalls{}));
    EXPECT_EQ(fake.registrations, 0);
    oemui::StopTraceProvider();
    EXPECT_EQ(fake.releases, 0);
    OEMUI_TRACE(kTraceError, L"no provider");  // must not reach for a missing call
    EXPECT_TRUE(fake.events.empty());
}

TEST(TraceProvider, SessionsLevelChoosesTheLinesAndEachCollectionStartsWithTheProcessLine) {
    DebugOutputOff();
    fake = FakeEventTracing{};
    ASSERT_TRUE(oemui::StartTraceProvider(FakeCalls()));
    OEMUI_TRACE(kTraceError, L"before any session");
    EXPECT_TRUE(fake.events.empty());

    Session(EVENT_CONTROL_CODE_ENABLE_PROVIDER, TRACE_LEVEL_WARNING);
    EXPECT_TRUE(oemui::TraceOn(kTraceWarning));
    EXPECT_FALSE(oemui::TraceOn(kTraceDecisions));
    OEMUI_TRACE(kTraceDecisions, L"a decision");
    OEMUI_TRACE(kTraceWarning, L"a warning %d", 7);
    OEMUI_TRACE(kTraceError, L"an error");
    ASSERT_EQ(fake.events.size(), 3u);
    EXPECT_EQ(fake.events[0], std::make_pair(UCHAR{kTraceWarning}, ExpectedProcessLine()));
    EXPECT_EQ(fake.events[1],
              std::make_pair(UCHAR{kTraceWarning}, std::wstring(L"vroemui: a warning 7")));
    EXPECT_EQ(fake.events[2],
              std::make_pair(UCHAR{kTraceError}, std::wstring(L"vroemui: an error")));

    // Asked for its state, the provider writes the process line again before its next line.
    Session(EVENT_CONTROL_CODE_CAPTURE_STATE);
    OEMUI_TRACE(kTraceError, L"after the rundown");
    ASSERT_EQ(fake.events.size(), 5u);
    EXPECT_EQ(fake.events[3].second, ExpectedProcessLine());

    Session(EVENT_CONTROL_CODE_DISABLE_PROVIDER);
    EXPECT_FALSE(oemui::TraceOn(kTraceError));
    OEMUI_TRACE(kTraceError, L"nobody listens");
    EXPECT_EQ(fake.events.size(), 5u);

    // Level 0 asks for every level; a new session gets the process line first.
    Session(EVENT_CONTROL_CODE_ENABLE_PROVIDER, 0);
    OEMUI_TRACE(oemui::kTraceDetail, L"detail");
    ASSERT_EQ(fake.events.size(), 7u);
    EXPECT_EQ(fake.events[5].second, ExpectedProcessLine());
    EXPECT_EQ(fake.events[6],
              std::make_pair(UCHAR{oemui::kTraceDetail}, std::wstring(L"vroemui: detail")));

    // Once released, no session reaches the lines.
    oemui::StopTraceProvider();
    EXPECT_FALSE(oemui::TraceOn(kTraceError));
    OEMUI_TRACE(kTraceError, L"after release");
    EXPECT_EQ(fake.events.size(), 7u);
}

TEST(TraceProvider, WinesEventTracingRegistersAndReleases) {
    // Wine's advapi32 has the calls (forwarded to ntdll): it registers and writes nothing.
    const oemui::EventTracingCalls system = oemui::SystemEventTracingCalls();
    ASSERT_NE(system.Register, nullptr);
    ASSERT_NE(system.WriteString, nullptr);
    ASSERT_NE(system.Unregister, nullptr);
    EXPECT_TRUE(oemui::StartTraceProvider(system));
    oemui::StopTraceProvider();
}

// ---------------------------------------------------------------------------------------------
// The lines of the real DLL, in the debug output

TEST(TraceOfThePlugin, ProcessLineOnceAcrossLoadsThenTheMissingIniFile) {
    testenv::TestDriver driver;
    driver.name = L"Trace NoIni PS";
    driver.dependentFiles = {
        {host::kCapabilityFileName, testenv::SampleFile(host::kCapabilityFileName)}};
    ASSERT_TRUE(testenv::InstallDriver(driver));
    ASSERT_TRUE(testenv::InstallPrinter(L"Trace NoIni 1", driver.name));
    testenv::SetMachineTraceLevel(1);
    oemui::ForgetProcessLine();

    testenv::DebugOutputCapture capture;
    for (int load = 0; load < 2; ++load) {
        testenv::PluginDll dll;
        ASSERT_TRUE(dll.Loaded());
        IPrintOemUI2* object = dll.Create();
        ASSERT_NE(object, nullptr);
        HANDLE printer = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(L"Trace NoIni 1"), &printer, nullptr));
        OEMCUIPPARAM param = {};
        param.cbSize = sizeof(param);
        param.hPrinter = printer;
        EXPECT_EQ(object->CommonUIProp(OEMCUIP_DOCPROP, &param), E_FAIL);
        ClosePrinter(printer);
        object->Release();
    }
    testenv::SetMachineTraceLevel(0);
    const std::vector<std::wstring> lines = capture.TraceLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), ExpectedProcessLine());
    EXPECT_EQ(CountWith(lines, L"vroemui: version "), 1u) << Shown(lines);
    EXPECT_EQ(CountWith(lines,
                        L"document tree: no plug-in INI file among the driver's dependent "
                        L"files"),
              2u)
        << Shown(lines);
}

TEST(TraceOfThePlugin, StoredRecordsReplacedAndTheEncryptionLibrary) {
    testenv::SetMachineTraceLevel(1);
    testenv::DebugOutputCapture capture;
    {
        testenv::PluginDll dll;
        ASSERT_TRUE(dll.Loaded());
        IPrintOemUI2* object = dll.Create();
        ASSERT_NE(object, nullptr);
        HANDLE printer = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(testenv::kColorPrinter), &printer, nullptr));
        oemui::PrivateDevmode stored = {};
        oemui::PrivateDevmode out = {};
        OEMDMPARAM param = {};
        param.cbSize = sizeof(param);
        param.hPrinter = printer;
        param.pOEMDMIn = &stored;
        param.pOEMDMOut = &out;
        param.cbBufSize = sizeof(out);
        out.Header.dwSize = sizeof(out);
        out.Header.dwSignature = oemui::kPrivateDevmodeSignature;

        // Another driver's record.
        stored.Header.dwSize = sizeof(stored);
        stored.Header.dwSignature = 0x31313131;
        EXPECT_EQ(object->DevMode(OEMDM_CONVERT, &param), S_OK);
        const oemui::PrivateDevmode defaults = out;
        // This plug-in's record with a three-digit PIN, which its dialog never stores.
        stored = defaults;
        wcscpy(stored.JobPin, L"123");
        EXPECT_EQ(object->DevMode(OEMDM_CONVERT, &param), S_OK);
        EXPECT_EQ(out.JobPin[0], L'\0');
        // A sound record changes nothing and writes no warning.
        stored = defaults;
        wcscpy(stored.JobPin, L"1234");
        EXPECT_EQ(object->DevMode(OEMDM_CONVERT, &param), S_OK);
        EXPECT_EQ(std::wstring(out.JobPin), L"1234");
        ClosePrinter(printer);
        object->Release();
    }
    testenv::SetMachineTraceLevel(0);
    const std::vector<std::wstring> lines = capture.TraceLines();
    EXPECT_EQ(CountWith(lines,
                        L"private record: stored record not this plug-in's (3920 bytes, "
                        L"signature 0x31313131), replaced by defaults"),
              1u)
        << Shown(lines);
    EXPECT_EQ(CountWith(lines, L"private record: stored fields out of range or unterminated"), 1u)
        << Shown(lines);
    EXPECT_GE(CountWith(lines, L"encryption library (CryptoDll): loaded "), 1u) << Shown(lines);
}

TEST(TraceOfThePlugin, WhatThePrinterEventWrote) {
    ASSERT_TRUE(testenv::InstallPrinter(L"Trace Event 1", testenv::kColorDriver));
    testenv::SetMachineTraceLevel(1);
    testenv::DebugOutputCapture capture;
    {
        testenv::PluginDll dll;
        IPrintOemUI2* object = dll.Create();
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->PrinterEvent(const_cast<wchar_t*>(L"Trace Event 1"),
                                       PRINTER_EVENT_INITIALIZE, 0, 0),
                  S_OK);
        EXPECT_EQ(object->PrinterEvent(const_cast<wchar_t*>(L"Trace No Such Printer"),
                                       PRINTER_EVENT_INITIALIZE, 0, 0),
                  S_OK);
        object->Release();
    }
    testenv::SetMachineTraceLevel(0);
    const std::vector<std::wstring> lines = capture.TraceLines();
    EXPECT_EQ(CountWith(lines, L"printer event: preparing \"Trace Event 1\""), 1u) << Shown(lines);
    EXPECT_EQ(CountWith(lines,
                        L"printer event: printer data \"SPLUserModePrinterDriver\" set to "
                        L"\"Vrdrvum.dll\""),
              1u)
        << Shown(lines);
    EXPECT_EQ(CountWith(lines, L"printer event: default DEVMODE stored: PSOutputOpt "), 1u)
        << Shown(lines);
    EXPECT_EQ(CountWith(lines, L"printer event: \"Trace No Such Printer\" not opened (error "), 1u)
        << Shown(lines);
}

TEST(TraceOfThePlugin, LibraryMissingIsAWarningWithItsPathAndError) {
    DebugOutputOff();
    testenv::SetMachineTraceLevel(1);
    Sleep(1100);
    oemui::TraceForPrinter(nullptr);
    testenv::DebugOutputCapture capture;
    const std::wstring absent = testenv::DriverDirectory3() + L"\\trace-absent.dll";
    SetLastError(0);
    EXPECT_FALSE(oemui::LoadModelLibrary(absent.c_str(), L"card-reader library (CARD_DLL)"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND))
        << "the trace keeps the loader's error for the caller";
    EXPECT_FALSE(oemui::LoadModelLibrary(L"relative.dll", L"card-reader library (CARD_DLL)"));
    DebugOutputOff();
    const std::vector<std::wstring> lines = capture.TraceLines();
    EXPECT_EQ(CountWith(lines, L"vroemui: card-reader library (CARD_DLL): missing, " + absent +
                                   L" not loaded (error 126)"),
              1u)
        << Shown(lines);
    EXPECT_EQ(CountWith(lines, L"relative.dll not loaded (error 161)"), 1u) << Shown(lines);
}
