// The plug-in as the core driver sees it: the real DLL's exports, class factory and object.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/devmode.h"
#include "docprop/itemmap.h"
#include "plugin/object.h"
#include "tests/support/coresheet.h"
#include "tests/support/plugindll.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"

using testenv::PluginDll;

namespace {

// A core-driver interface that counts its references.
class CountingDriverUi : public IPrintOemDriverUI {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemDriverUI)) {
            *ppv = static_cast<IPrintOemDriverUI*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD,
                                                  PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    int refs = 1;
};

// An IUnknown that offers nothing else.
class PlainUnknown : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

class PluginDllTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dll.Loaded()) << OEMUI_DLL_PATH; }
    PluginDll dll;
};

}  // namespace

TEST_F(PluginDllTest, ClassObjectOnlyForThePluginClass) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.getClassObject(IID_IPrintOemUI, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);

    IUnknown* unknown = nullptr;
    ASSERT_EQ(
        dll.getClassObject(CLSID_OemUiPlugin, IID_IUnknown, reinterpret_cast<void**>(&unknown)),
        S_OK);
    ASSERT_NE(unknown, nullptr);
    unknown->Release();

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.getClassObject(CLSID_OemUiPlugin, IID_IPrintOemUI, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST_F(PluginDllTest, UnloadOnlyWithoutObjectsAndLocks) {
    ASSERT_EQ(dll.canUnloadNow(), S_OK);
    IClassFactory* factory = dll.Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(dll.canUnloadNow(), S_OK) << "a factory alone does not keep the DLL";

    IPrintOemUI2* first = nullptr;
    IPrintOemUI2* second = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&first)),
              S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&second)),
              S_OK);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
    first->Release();
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "one object still lives";
    second->Release();
    EXPECT_EQ(dll.canUnloadNow(), S_OK);

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "one lock left";
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(dll.canUnloadNow(), S_OK);
    factory->Release();
}

TEST_F(PluginDllTest, CreateInstanceRefusalsLeaveNoObject) {
    IClassFactory* factory = dll.Factory();
    ASSERT_NE(factory, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemDriverUI, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dll.canUnloadNow(), S_OK);

    PlainUnknown outer;
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dll.canUnloadNow(), S_OK);

    IUnknown* asFactory = nullptr;
    EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&asFactory)),
              S_OK);
    EXPECT_EQ(asFactory, factory);
    asFactory->Release();
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->QueryInterface(IID_IPrintOemUI2, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->Release(), 0u);
}

TEST_F(PluginDllTest, ObjectAnswersItsInterfacesWithOnePointer) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    void* unknown = nullptr;
    void* v1 = nullptr;
    void* v2 = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(object->QueryInterface(IID_IPrintOemUI, &v1), S_OK);
    EXPECT_EQ(object->QueryInterface(IID_IPrintOemUI2, &v2), S_OK);
    EXPECT_EQ(unknown, object);
    EXPECT_EQ(v1, object);
    EXPECT_EQ(v2, object);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IPrintOemDriverUI, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(object->AddRef(), 5u);
    EXPECT_EQ(object->Release(), 4u);
    object->Release();
    object->Release();
    object->Release();
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(dll.canUnloadNow(), S_OK);
}

TEST_F(PluginDllTest, GetInfoBuffersAndModes) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    BYTE buffer[8];
    DWORD needed = 0;

    memset(buffer, 0xCC, sizeof(buffer));
    EXPECT_EQ(object->GetInfo(OEMGI_GETSIGNATURE, buffer, 4, &needed), S_OK);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(memcmp(buffer, "0002", 4), 0);
    EXPECT_EQ(buffer[4], 0xCC);

    memset(buffer, 0xCC, sizeof(buffer));
    needed = 0;
    SetLastError(0);
    EXPECT_EQ(object->GetInfo(OEMGI_GETSIGNATURE, buffer, 3, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(buffer[0], 0xCC);

    needed = 0;
    EXPECT_EQ(object->GetInfo(OEMGI_GETVERSION, nullptr, 4, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 4u);

    DWORD version = 0;
    EXPECT_EQ(object->GetInfo(OEMGI_GETVERSION, &version, sizeof(version), &needed), S_OK);
    EXPECT_EQ(version, 1u);

    SetLastError(0);
    EXPECT_EQ(object->GetInfo(OEMGI_GETINTERFACEVERSION, buffer, 8, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(object->GetInfo(99, buffer, 8, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(object->GetInfo(OEMGI_GETSIGNATURE, buffer, 8, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    needed = 77;
    SetLastError(0);
    EXPECT_EQ(object->GetInfo(OEMGI_GETPUBLISHERINFO, buffer, 8, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(needed, 0u);
    object->Release();
}

TEST_F(PluginDllTest, QueryColorProfileNamesTheDeviceProfile) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    BYTE data[64];
    ULONG size = 31;
    ULONG flags = 0;
    memset(data, 0xCC, sizeof(data));
    SetLastError(0);
    EXPECT_EQ(object->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, 0, data, &size, &flags),
              E_FAIL);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(data[0], 0xCC);

    size = 0;
    EXPECT_EQ(
        object->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, 0, nullptr, &size, &flags),
        E_FAIL);
    EXPECT_EQ(size, 32u);

    size = 32;
    EXPECT_EQ(object->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, 0, data, &size, &flags),
              S_OK);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(flags, QCP_PROFILEDISK);
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(data), L"OEMPROFILE.icm");
    EXPECT_EQ(data[32], 0xCC) << "nothing written past the reported size";

    size = 64;
    EXPECT_EQ(object->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_SOURCEPROFILE, data,
                                        &size, &flags),
              E_FAIL);
    EXPECT_EQ(size, 64u);
    object->Release();
}

TEST_F(PluginDllTest, UnimplementedMethodsSayNotImplemented) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    DWORD result = 0x55;
    EXPECT_EQ(object->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(object->DeviceCapabilities(nullptr, nullptr, nullptr, DC_PAPERS, nullptr, nullptr,
                                         nullptr, 0, &result),
              E_NOTIMPL);
    EXPECT_EQ(result, 0x55u);
    EXPECT_EQ(object->UpgradePrinter(1, nullptr), E_NOTIMPL);
    EXPECT_EQ(object->DriverEvent(1, 3, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(object->FontInstallerDlgProc(nullptr, WM_INITDIALOG, 0, 0), E_NOTIMPL);
    EXPECT_EQ(object->UpdateExternalFonts(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(object->QueryJobAttributes(nullptr, nullptr, 1, nullptr), E_NOTIMPL);
    for (DWORD mode : {0u, 1u, 2u, 3u}) EXPECT_EQ(object->HideStandardUI(mode), E_NOTIMPL);
    object->Release();
}

TEST_F(PluginDllTest, PublishDriverInterfaceKeepsTheFirstAndReleasesIt) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    PlainUnknown plain;
    EXPECT_EQ(object->PublishDriverInterface(&plain), E_FAIL);

    CountingDriverUi first;
    CountingDriverUi second;
    EXPECT_EQ(object->PublishDriverInterface(&first), S_OK);
    EXPECT_EQ(first.refs, 2);
    EXPECT_EQ(object->PublishDriverInterface(&second), S_OK);
    EXPECT_EQ(second.refs, 1) << "the second interface is not taken";
    EXPECT_EQ(first.refs, 2);
    object->Release();
    EXPECT_EQ(first.refs, 1) << "the object releases the core driver's interface";
}

TEST_F(PluginDllTest, DevModeSizeAndArgumentChecks) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    OEMDMPARAM param;
    memset(&param, 0xA5, sizeof(param));
    OEMDMPARAM before = param;
    EXPECT_EQ(object->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(param.cbBufSize, 3920u);
    param.cbBufSize = before.cbBufSize;
    EXPECT_EQ(memcmp(&param, &before, sizeof(param)), 0) << "size mode touches nothing else";

    SetLastError(0);
    EXPECT_EQ(object->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    for (DWORD mode : {0u, 5u}) {
        SetLastError(0);
        EXPECT_EQ(object->DevMode(mode, &param), E_FAIL);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    object->Release();
}

TEST_F(PluginDllTest, CommonUIPropRejectsUnknownModes) {
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    for (DWORD mode : {0u, 3u}) {
        SetLastError(0);
        EXPECT_EQ(object->CommonUIProp(mode, &param), E_FAIL);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    object->Release();
}

// The shared CommonUIProp preamble, on an object created in this process so its state can be
// read back.
TEST(CommonUIPropPreamble, FindsPluginIniAndHelpFile) {
    testenv::Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    auto* object = new oemui::PluginObject();
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.hPrinter = printer.get();
    param.hOEMHeap = heap;
    object->CommonUIProp(OEMCUIP_DOCPROP, &param);
    const std::wstring dir = testenv::DriverDirectory3();
    oemui::SheetPaths paths;
    ASSERT_TRUE(oemui::ResolveSheetPaths(printer.get(), paths));
    EXPECT_EQ(std::wstring(paths.PluginIni), dir + L"\\vroemui.ini");
    EXPECT_EQ(std::wstring(paths.Help), dir + L"\\vrlab.hlp");
    EXPECT_EQ(object->DocumentParam, &param);
    EXPECT_EQ(object->PrinterParam, nullptr);

    object->CommonUIProp(OEMCUIP_PRNPROP, &param);
    EXPECT_EQ(object->PrinterParam, &param);
    object->Release();
    HeapDestroy(heap);
}

TEST(CommonUIPropPreamble, FailsWithoutPluginIni) {
    testenv::TestDriver driver;
    driver.name = L"No Ini PS";
    driver.dependentFiles = {{L"vrlab.cap", testenv::SampleFile(host::kCapabilityFileName)},
                             {L"other.ini", "[OEMFiles]\r\nOEMConfigFile1=\r\n"}};
    ASSERT_TRUE(testenv::InstallDriver(driver));
    ASSERT_TRUE(testenv::InstallPrinter(L"No Ini 1", driver.name));
    testenv::Printer printer(L"No Ini 1");
    ASSERT_TRUE(printer);
    auto* object = new oemui::PluginObject();
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.hPrinter = printer.get();
    param.hOEMHeap = GetProcessHeap();
    EXPECT_EQ(object->CommonUIProp(OEMCUIP_DOCPROP, &param), E_FAIL);
    EXPECT_EQ(object->DocumentParam, nullptr) << "nothing goes on after a failed preamble";
    object->Release();
}

TEST(PluginObjectLifetime, DestructionFreesOnlyItsOwnHeapBlocks) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    auto countBusy = [&] {
        int busy = 0;
        PROCESS_HEAP_ENTRY entry = {};
        HeapLock(heap);
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
        }
        HeapUnlock(heap);
        return busy;
    };
    const int baseline = countBusy();
    auto* object = new oemui::PluginObject();
    object->OemHeap = heap;
    object->DocumentContext = static_cast<oemui::DriverItemMap*>(
        HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(oemui::DriverItemMap)));
    object->PrinterContext =
        static_cast<oemui::PrinterItemMap*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 128));
    ASSERT_EQ(countBusy(), baseline + 2);
    object->Release();
    EXPECT_EQ(countBusy(), baseline);
    HeapDestroy(heap);
}

// The one-time OS check, run in a probe process for which Wine reports a chosen Windows
// version, with stand-ins of the system's WinHelp viewer.
class OsCheck : public ::testing::Test {
protected:
    void SetUp() override {
        winhlp_ = testenv::WindowsDirectory() + L"\\winhlp32.exe";
        backup_ = testenv::WindowsDirectory() + L"\\winhlp32.exe.oemui-backup";
        hadOriginal_ = CopyFileW(winhlp_.c_str(), backup_.c_str(), FALSE) != 0;
        // Wine would otherwise answer for WINHLP32.EXE with its built-in program.
        ASSERT_TRUE(testenv::SetWineNativeOverrideFor(L"oscheck_probe.exe", L"winhlp32.exe", true));
    }
    void TearDown() override {
        testenv::SetWineVersionFor(L"oscheck_probe.exe", L"");
        testenv::SetWineNativeOverrideFor(L"oscheck_probe.exe", L"winhlp32.exe", false);
        if (hadOriginal_) {
            CopyFileW(backup_.c_str(), winhlp_.c_str(), FALSE);
            DeleteFileW(backup_.c_str());
        }
    }
    bool UseStandIn(int major) {
        const std::wstring standIn =
            testenv::TestBinDir() + L"\\winhlp32_v" + std::to_wstring(major) + L".exe";
        return CopyFileW(standIn.c_str(), winhlp_.c_str(), FALSE) != 0;
    }
    std::string Probe(const wchar_t* version) {
        EXPECT_TRUE(testenv::SetWineVersionFor(L"oscheck_probe.exe", version));
        int code = -1;
        std::string out =
            testenv::RunAndCapture(L"\"" + testenv::TestBinDir() + L"\\oscheck_probe.exe\"", &code);
        EXPECT_EQ(code, 0) << out;
        std::erase(out, '\r');
        return out;
    }

    std::wstring winhlp_;
    std::wstring backup_;
    bool hadOriginal_ = false;
};

TEST_F(OsCheck, WindowsXpKeepsWinHelp) {
    ASSERT_TRUE(UseStandIn(6));
    EXPECT_EQ(Probe(L"winxp"), "major=5 vista=0 winhelp=1\n");
}

TEST_F(OsCheck, Windows7WithStubViewerLosesWinHelp) {
    ASSERT_TRUE(UseStandIn(6));
    EXPECT_EQ(Probe(L"win7"), "major=6 vista=1 winhelp=0\n");
}

TEST_F(OsCheck, Windows7WithOlderViewerKeepsWinHelp) {
    ASSERT_TRUE(UseStandIn(5));
    EXPECT_EQ(Probe(L"win7"), "major=6 vista=1 winhelp=1\n");
}

TEST_F(OsCheck, Windows7WithoutViewerKeepsWinHelp) {
    DeleteFileW(winhlp_.c_str());
    EXPECT_EQ(Probe(L"win7"), "major=6 vista=1 winhelp=1\n");
}

TEST(OsCheckDecision, VersionResourceRule) {
    const std::wstring v6 = testenv::TestBinDir() + L"\\winhlp32_v6.exe";
    const std::wstring v5 = testenv::TestBinDir() + L"\\winhlp32_v5.exe";
    EXPECT_FALSE(oemui::WinHelpUsable(6, v6.c_str()));
    EXPECT_TRUE(oemui::WinHelpUsable(5, v6.c_str())) << "before Vista the viewer is not asked";
    EXPECT_TRUE(oemui::WinHelpUsable(6, v5.c_str()));
    EXPECT_TRUE(oemui::WinHelpUsable(10, L"C:\\no\\such\\winhlp32.exe"));
}

namespace {

// The lowest free handle value: Wine hands out the lowest free slot of the handle table and
// reports no handle count, so a handle left behind shows as a probe that moved up.
ULONG_PTR FreeHandleSlot() {
    HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto slot = reinterpret_cast<ULONG_PTR>(probe);
    CloseHandle(probe);
    return slot;
}

// What the core driver does for one sheet's record: load, create, default record, release,
// unload.
void LoadDefaultUnload(HANDLE printer) {
    PluginDll dll;
    ASSERT_TRUE(dll.Loaded());
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    std::vector<BYTE> record(4096);
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.hPrinter = printer;
    param.pOEMDMOut = record.data();
    param.cbBufSize = static_cast<DWORD>(record.size());
    EXPECT_EQ(object->DevMode(OEMDM_DEFAULT, &param), S_OK);
    object->Release();
}

}  // namespace

// The core driver loads and unloads the plug-in around each sheet on one long-lived thread:
// nothing of a load (thread records of the runtime, events, modules) may stay behind.
TEST(PluginUnload, NoHandleStaysAfterEachLoadAndUnload) {
    ASSERT_TRUE(testenv::InstallSamplePrinters());
    testenv::Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    LoadDefaultUnload(printer.get());  // the test's own first-use allocations
    const ULONG_PTR before = FreeHandleSlot();
    for (int i = 0; i < 50; ++i) LoadDefaultUnload(printer.get());
    const ULONG_PTR after = FreeHandleSlot();
    EXPECT_EQ(after, before) << (after - before) / 4 << " handles left by 50 default records";
}

// The same for whole document sheets: the stand-in loads the DLL by path, opens, shows and
// closes the sheet, and unloads the DLL.
TEST(PluginUnload, NoHandleStaysAfterEachDocumentSheet) {
    ASSERT_TRUE(testenv::InstallSamplePrinters());
    host::CoreDriverOptions options;
    options.printerName = testenv::kColorPrinter;
    options.pluginPath = testenv::Widen(OEMUI_DLL_PATH);
    const auto sheet = [&options] {
        host::CoreDriver core(options);
        ASSERT_TRUE(core.Start()) << testenv::Narrow(core.Error());
        ASSERT_TRUE(core.OpenSheet(host::SheetKind::Document));
        ASSERT_NE(core.ShowModeless(nullptr), nullptr);
        core.PumpSheet();
        testenv::EndCore(core);
    };
    sheet();
    const ULONG_PTR before = FreeHandleSlot();
    for (int i = 0; i < 20; ++i) sheet();
    const ULONG_PTR after = FreeHandleSlot();
    EXPECT_EQ(after, before) << (after - before) / 4 << " handles left by 20 sheets";
}

namespace {

// A second model with files of its own, so that a path read from the wrong model shows.
constexpr wchar_t kOtherDriver[] = L"Lab Threads PS";
constexpr wchar_t kOtherPrinter[] = L"Lab Threads 1";

bool InstallOtherModel() {
    return testenv::InstallColorModel(
        kOtherDriver, kOtherPrinter,
        {{L"threads.cap",
          "[Capability]\r\nLab Threads PS=Threads\r\n[Threads]\r\nCompression=2\r\n"
          "CryptoDll=vrcrypt.dll\r\n"},
         {L"threads.ini",
          "[OEMFiles]\r\nOEMConfigFile1=threads.ini\r\n[DependentFiles]\r\nHELP=threads.hlp\r\n"},
         {L"vrcrypt.dll", testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrcrypt.dll")}},
        L"threads.PPD");
}

// What one call of a kind gives for one printer, as bytes: the default private record
// (DevMode), or the paths the document tree's record kept (CommonUIProp).
enum class CallKind { DefaultRecord, DocumentTree };

std::string CallOnce(testenv::PluginDll& dll, CallKind kind, HANDLE printer) {
    IPrintOemUI2* object = dll.Create();
    if (object == nullptr) return "<no object>";
    std::string result = "<refused>";
    if (kind == CallKind::DefaultRecord) {
        std::vector<BYTE> record(oemui::kPrivateDevmodeSize, 0xA5);
        OEMDMPARAM param = {};
        param.cbSize = sizeof(param);
        param.hPrinter = printer;
        param.pOEMDMOut = record.data();
        param.cbBufSize = static_cast<DWORD>(record.size());
        if (object->DevMode(OEMDM_DEFAULT, &param) == S_OK)
            result.assign(record.begin(), record.end());
        object->Release();
        return result;
    }
    // The map lives on the tree's heap: read it before the object and the heap go.
    HANDLE heap = HeapCreate(0, 0, 0);
    OPTITEM own[1] = {};
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.hPrinter = printer;
    param.hOEMHeap = heap;
    param.pOEMOptItems = own;  // the tree's second call
    const oemui::DriverItemMap* map = nullptr;
    if (object->CommonUIProp(OEMCUIP_DOCPROP, &param) == S_OK) {
        map = static_cast<oemui::PluginObject*>(object)->DocumentContext;
    }
    if (map != nullptr) {
        result = testenv::Narrow(std::wstring(map->IniPath) + L"|" + map->CapabilityPath + L"|" +
                                 map->HelpPath);
    }
    object->Release();
    HeapDestroy(heap);
    return result;
}

}  // namespace

// Sheets and print paths of several printers share one process: calls on several threads give
// what the same calls give one at a time.
TEST(ConcurrentCalls, GiveWhatTheSameCallsGiveOneAtATime) {
    ASSERT_TRUE(testenv::InstallSamplePrinters());
    ASSERT_TRUE(InstallOtherModel());
    testenv::PluginDll dll;
    ASSERT_TRUE(dll.Loaded());
    const wchar_t* printers[] = {testenv::kColorPrinter, testenv::kMonoPrinter, kOtherPrinter};
    const CallKind kinds[] = {CallKind::DefaultRecord, CallKind::DocumentTree};
    constexpr size_t kCases = std::size(printers) * std::size(kinds);
    std::string expected[kCases];
    for (size_t c = 0; c < kCases; ++c) {
        testenv::Printer printer(printers[c / 2]);
        ASSERT_TRUE(printer);
        expected[c] = CallOnce(dll, kinds[c % 2], printer.get());
        ASSERT_NE(expected[c].front(), '<') << expected[c];
    }
    ASSERT_NE(expected[1], expected[5]) << "the two models' paths differ";

    constexpr int kThreads = 4;
    constexpr int kCallsEach = 75;
    std::atomic<int> wrong[kCases] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Each thread keeps its handles open, as a sheet or a print job does.
            testenv::Printer opened[] = {testenv::Printer(printers[0]),
                                         testenv::Printer(printers[1]),
                                         testenv::Printer(printers[2])};
            for (int i = 0; i < kCallsEach; ++i) {
                const size_t c = static_cast<size_t>(t * 7 + i * 5) % kCases;
                if (CallOnce(dll, kinds[c % 2], opened[c / 2].get()) != expected[c]) ++wrong[c];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t c = 0; c < kCases; ++c) {
        EXPECT_EQ(wrong[c].load(), 0) << testenv::Narrow(printers[c / 2])
                                      << (c % 2 == 0 ? " default record" : " document tree");
    }
}
