// Page registration in the document and printer property sheets.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "plugin/object.h"
#include "plugin/sheets.h"
#include "setup/printeritemmap.h"
#include "ui/common/dialogs.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"

using namespace oemui;
using testenv::Printer;

namespace {

// What the core driver's pfnComPropSheet was asked to add.
struct AddedPage {
    HINSTANCE instance;
    std::wstring templateName;  // "#113" for numeric templates
    DWORD flags;
    HICON icon;
    DLGPROC proc;
    LPARAM lParam;
    UINT size;
};

std::vector<AddedPage> g_pages;
LONG_PTR g_nextHandle = 100;
bool g_refuse = false;

LONG_PTR CALLBACK FakeComPropSheet(HANDLE, UINT function, LPARAM lParam1, LPARAM) {
    if (function != CPSFUNC_ADD_PROPSHEETPAGEW) return 0;
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam1);
    AddedPage added{page->hInstance,  L"",          page->dwFlags, page->hIcon,
                    page->pfnDlgProc, page->lParam, page->dwSize};
    if (IS_INTRESOURCE(page->pszTemplate)) {
        added.templateName = L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(page->pszTemplate));
    } else {
        added.templateName = page->pszTemplate;
    }
    g_pages.push_back(added);
    return g_refuse ? 0 : g_nextHandle++;
}

std::string Cap(const std::string& driver, const std::string& body) {
    return "[Capability]\r\n" + driver + "=Model\r\n\r\n[Model]\r\n" + body;
}

class SheetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string linkLib =
            testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrlinkres.dll");
        ASSERT_FALSE(linkLib.empty());
        auto install = [&](const wchar_t* driver, const wchar_t* printer, const wchar_t* capName,
                           const std::string& body) {
            testenv::TestDriver d;
            d.name = driver;
            d.dependentFiles = {{capName, Cap(testenv::Narrow(driver), body)},
                                {L"vroemui.ini", testenv::SampleFile(host::kPluginIniName)},
                                {L"vrlinkres.dll", linkLib}};
            ASSERT_TRUE(testenv::InstallDriver(d));
            ASSERT_TRUE(testenv::InstallPrinter(printer, driver));
        };
        install(L"Link PS", L"Link 1", L"link.cap",
                "AskVaroURL=http://printers.example.com/support\r\nAskVaroRES=vrlinkres.dll\r\n");
        install(L"Link No Url PS", L"Link No Url 1", L"linknourl.cap",
                "AskVaroRES=vrlinkres.dll\r\n");
        install(L"Link Missing Lib PS", L"Link Missing Lib 1", L"linkmissing.cap",
                "AskVaroURL=http://printers.example.com/\r\nAskVaroRES=vrnosuchres.dll\r\n");
    }

    void SetUp() override {
        g_pages.clear();
        g_refuse = false;
        heap_ = HeapCreate(0, 0, 0);
        object_ = new PluginObject();
        object_->OemHeap = heap_;
        map_ =
            static_cast<DriverItemMap*>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, sizeof(DriverItemMap)));
        for (DWORD& index : map_->ItemIndex) index = kNoItem;
        object_->DocumentContext = map_;
    }
    void TearDown() override {
        object_->Release();
        HeapDestroy(heap_);
        // Each test starts as a fresh process would: no link library loaded yet.
        if (LinkResourceModule != nullptr) FreeLibrary(LinkResourceModule);
        LinkResourceModule = nullptr;
    }

    PROPSHEETUI_INFO Info(WORD reason, OEMUIPSPARAM* param) {
        PROPSHEETUI_INFO info = {};
        info.cbSize = sizeof(info);
        info.Version = PROPSHEETUI_INFO_VERSION;
        info.Reason = reason;
        info.hComPropSheet = reinterpret_cast<HANDLE>(0x5EE7);
        info.pfnComPropSheet = FakeComPropSheet;
        info.lParamInit = reinterpret_cast<LPARAM>(param);
        return info;
    }

    // Runs the document sheet's INIT for a printer.
    HRESULT InitDocumentSheet(const wchar_t* printerName, bool colour) {
        Printer printer(printerName);
        EXPECT_TRUE(printer);
        map_->ItemIndex[kEntryColor] = colour ? 7 : kNoItem;
        OEMUIPSPARAM param = {};
        param.cbSize = sizeof(param);
        param.hPrinter = printer.get();
        param.pPrinterName = const_cast<wchar_t*>(printerName);
        param_ = param;
        PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, &param_);
        const HRESULT hr = object_->DocumentPropertySheets(&info, 0);
        EXPECT_EQ(info.Result, 1u);
        return hr;
    }

    HANDLE heap_ = nullptr;
    PluginObject* object_ = nullptr;
    DriverItemMap* map_ = nullptr;
    OEMUIPSPARAM param_ = {};
};

}  // namespace

TEST_F(SheetsTest, ColourModelGetsJobOptionsColourAndLinkPages) {
    ASSERT_EQ(InitDocumentSheet(L"Link 1", true), 1);
    ASSERT_EQ(g_pages.size(), 3u);
    EXPECT_EQ(g_pages[0].templateName, L"#113");
    EXPECT_EQ(g_pages[0].instance, ModuleHandle);
    EXPECT_EQ(g_pages[0].flags, 0u);
    EXPECT_EQ(g_pages[1].templateName, L"#111");
    EXPECT_EQ(g_pages[2].templateName, L"#800");
    EXPECT_EQ(g_pages[2].instance, LinkResourceModule);
    EXPECT_EQ(g_pages[2].flags, static_cast<DWORD>(PSP_USEHICON));
    EXPECT_NE(g_pages[2].icon, nullptr);
    EXPECT_EQ(g_pages[2].proc, &LinkPageProc);
    for (const AddedPage& page : g_pages) {
        EXPECT_EQ(page.lParam, reinterpret_cast<LPARAM>(map_)) << "every page gets the map";
        EXPECT_EQ(page.size, static_cast<UINT>(PROPSHEETPAGEW_V3_SIZE));
    }
#if !defined(_WIN64)
    static_assert(PROPSHEETPAGEW_V3_SIZE == 52);
#endif
    EXPECT_EQ(map_->SheetHandle, reinterpret_cast<HANDLE>(0x5EE7));
    EXPECT_EQ(map_->ComPropSheet, &FakeComPropSheet);
    EXPECT_EQ(map_->SheetParam, &param_);
    EXPECT_EQ(map_->JobOptionsPageHandle, reinterpret_cast<HANDLE>(100));
    EXPECT_EQ(map_->ColorPageHandle, reinterpret_cast<HANDLE>(101));
    EXPECT_EQ(map_->LinkPageHandle, reinterpret_cast<HANDLE>(102));
}

TEST_F(SheetsTest, MonochromeModelGetsNoColourPage) {
    ASSERT_EQ(InitDocumentSheet(L"Link 1", false), 1);
    ASSERT_EQ(g_pages.size(), 2u);
    EXPECT_EQ(g_pages[0].templateName, L"#113");
    EXPECT_EQ(g_pages[1].templateName, L"#800");
    EXPECT_EQ(map_->ColorPageHandle, nullptr);
}

TEST_F(SheetsTest, TheLinkLibraryLoadsOncePerProcess) {
    ASSERT_EQ(InitDocumentSheet(L"Link 1", true), 1);
    HMODULE first = LinkResourceModule;
    ASSERT_NE(first, nullptr);
    // A second sheet in the same process: new map, same library.
    map_ = static_cast<DriverItemMap*>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, sizeof(DriverItemMap)));
    for (DWORD& index : map_->ItemIndex) index = kNoItem;
    object_->DocumentContext = map_;
    g_pages.clear();
    ASSERT_EQ(InitDocumentSheet(L"Link 1", true), 1);
    EXPECT_EQ(LinkResourceModule, first);
    EXPECT_EQ(g_pages.size(), 3u);
    // Loaded once: one release unloads it.
    FreeLibrary(LinkResourceModule);
    LinkResourceModule = nullptr;
    EXPECT_EQ(GetModuleHandleW(L"vrlinkres.dll"), nullptr);
}

TEST_F(SheetsTest, LinkPageNeedsAddressLibraryAndFile) {
    ASSERT_EQ(LinkResourceModule, nullptr);
    ASSERT_EQ(InitDocumentSheet(L"Link No Url 1", true), 1);
    EXPECT_EQ(g_pages.size(), 2u) << "no address: no link page";
    EXPECT_EQ(LinkResourceModule, nullptr) << "and the library is not loaded";
    EXPECT_EQ(GetModuleHandleW(L"vrlinkres.dll"), nullptr);

    g_pages.clear();
    ASSERT_EQ(InitDocumentSheet(L"Link Missing Lib 1", true), 1);
    EXPECT_EQ(g_pages.size(), 2u) << "a library that does not load: no link page";
    EXPECT_EQ(map_->LinkPageHandle, nullptr);

    g_pages.clear();
    ASSERT_EQ(InitDocumentSheet(testenv::kMonoPrinter, false), 1);
    EXPECT_EQ(g_pages.size(), 1u) << "the sample mono model names no link page";
}

TEST_F(SheetsTest, RefusedPagesLeaveTheCallbackResult) {
    g_refuse = true;
    ASSERT_EQ(InitDocumentSheet(L"Link No Url 1", true), 1);
    EXPECT_EQ(g_pages.size(), 2u) << "set-up continues after a refusal";
    EXPECT_EQ(map_->JobOptionsPageHandle, nullptr);
    EXPECT_EQ(map_->ColorPageHandle, nullptr);
}

TEST_F(SheetsTest, DocumentSheetReasonsAndArguments) {
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_DESTROY, nullptr);
    EXPECT_EQ(object_->DocumentPropertySheets(&info, 0), 1);
    EXPECT_EQ(info.Result, 1u);

    SETRESULT_INFO result = {sizeof(result), 0, nullptr, 42};
    info = Info(PROPSHEETUI_REASON_SET_RESULT, nullptr);
    EXPECT_EQ(object_->DocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&result)), 42);
    EXPECT_EQ(info.Result, 42u);

    info = Info(PROPSHEETUI_REASON_GET_ICON, nullptr);
    info.Result = 77;
    EXPECT_EQ(object_->DocumentPropertySheets(&info, 5), 0);
    EXPECT_EQ(info.Result, 0u);

    info = Info(PROPSHEETUI_REASON_INIT, nullptr);
    info.Version = 0x0200;
    SetLastError(0);
    EXPECT_EQ(object_->DocumentPropertySheets(&info, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(object_->DocumentPropertySheets(nullptr, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // Without the sheet's map nothing can be added, but the sheet still opens.
    object_->DocumentContext = nullptr;
    OEMUIPSPARAM param = {};
    info = Info(PROPSHEETUI_REASON_INIT, &param);
    EXPECT_EQ(object_->DocumentPropertySheets(&info, 0), 1);
    EXPECT_EQ(info.Result, 1u);
    EXPECT_TRUE(g_pages.empty());
    object_->DocumentContext = map_;
}

TEST_F(SheetsTest, PrinterSheetAddsNoPage) {
    auto* record =
        static_cast<PrinterItemMap*>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, sizeof(PrinterItemMap)));
    object_->PrinterContext = record;
    OEMUIPSPARAM param = {};
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, &param);
    EXPECT_EQ(object_->DevicePropertySheets(&info, 1234), S_OK);
    EXPECT_EQ(info.Result, 1234u);
    EXPECT_EQ(record->SheetHandle, reinterpret_cast<HANDLE>(0x5EE7));
    EXPECT_EQ(record->SheetParam, &param);
    EXPECT_EQ(record->ComPropSheet, &FakeComPropSheet);

    PROPSHEETUI_INFO_HEADER header = {};
    header.cbSize = sizeof(header);
    info = Info(PROPSHEETUI_REASON_GET_INFO_HEADER, &param);
    // The title is a resource text: it comes from the plug-in DLL's string table.
    const HMODULE linkedModule = ModuleHandle;
    ModuleHandle = testenv::PluginModule();
    EXPECT_EQ(object_->DevicePropertySheets(&info, reinterpret_cast<LPARAM>(&header)), S_OK);
    ModuleHandle = linkedModule;
    ASSERT_NE(header.pTitle, nullptr);
    EXPECT_STREQ(header.pTitle, L"OEM UI Page");
    EXPECT_EQ(info.Result, 1u);

    const std::pair<WORD, ULONG_PTR> reasons[] = {
        {PROPSHEETUI_REASON_DESTROY, 1}, {PROPSHEETUI_REASON_GET_ICON, 0}, {9, 55}};
    for (auto [reason, expected] : reasons) {
        info = Info(reason, &param);
        EXPECT_EQ(object_->DevicePropertySheets(&info, 55), S_OK);
        EXPECT_EQ(info.Result, expected) << reason;
    }
    SETRESULT_INFO result = {sizeof(result), 0, nullptr, 3};
    info = Info(PROPSHEETUI_REASON_SET_RESULT, &param);
    EXPECT_EQ(object_->DevicePropertySheets(&info, reinterpret_cast<LPARAM>(&result)), S_OK);
    EXPECT_EQ(info.Result, 3u);
    EXPECT_TRUE(g_pages.empty());

    // Before any printer tree was seen there is no record to fill; nothing breaks.
    object_->PrinterContext = nullptr;
    info = Info(PROPSHEETUI_REASON_INIT, &param);
    EXPECT_EQ(object_->DevicePropertySheets(&info, 8), S_OK);
    EXPECT_EQ(info.Result, 8u);
    object_->PrinterContext = record;

    info.Version = 1;
    EXPECT_EQ(object_->DevicePropertySheets(&info, 0), E_FAIL);
}

TEST_F(SheetsTest, LinkPageShowsInARealSheet) {
    ASSERT_EQ(InitDocumentSheet(L"Link 1", false), 1);
    ASSERT_EQ(g_pages.size(), 2u);
    const AddedPage& link = g_pages[1];
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = link.flags;
    page.hInstance = link.instance;
    page.pszTemplate = MAKEINTRESOURCEW(800);
    page.hIcon = link.icon;
    page.pfnDlgProc = link.proc;
    page.lParam = link.lParam;
    HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page);
    ASSERT_NE(handle, nullptr);
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = L"Document Properties";
    header.nPages = 1;
    header.phpage = &handle;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    ASSERT_NE(sheet, nullptr);
    HWND pageWindow = PropSheet_GetCurrentPageHwnd(sheet);
    ASSERT_NE(pageWindow, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(pageWindow, DWLP_USER), reinterpret_cast<LONG_PTR>(map_));
    EXPECT_NE(GetDlgItem(pageWindow, 1002), nullptr);
    EXPECT_TRUE(SheetFlags & kSheetFlagPluginPageSeen);
    UpdateWindow(sheet);
    DestroyWindow(sheet);
}
