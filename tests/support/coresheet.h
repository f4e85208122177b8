// Sheets of the core-driver stand-in on the plug-in linked into the test program: the options
// that call it in-process, the plug-in DLL of the build whose resources the dialogs load, and a
// fixture that starts the stand-in, opens a document sheet and ends everything after the test.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <memory>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "plugin/object.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/testprinters.h"

namespace testenv {

// A stand-in of `printer` whose plug-in is the one linked into the test program.
inline host::CoreDriverOptions InProcessOptions(const wchar_t* printer) {
    host::CoreDriverOptions options;
    options.printerName = printer;
    options.getClassObject = InProcessGetClassObject;
    options.canUnloadNow = InProcessCanUnloadNow;
    return options;
}

// The plug-in object's document map (null before a document sheet is opened).
inline oemui::DriverItemMap* DocumentMapOf(host::CoreDriver& core) {
    return static_cast<oemui::PluginObject*>(core.Plugin())->DocumentContext;
}

// Ends what the stand-in still holds: the modeless sheet window, the sheet, the plug-in (which
// must agree to be unloaded).
inline void EndCore(host::CoreDriver& core) {
    if (core.SheetWindow() != nullptr) DestroyWindow(core.SheetWindow());
    if (core.SheetOpen()) core.CloseSheet();
    EXPECT_EQ(core.Shutdown(), S_OK);
}

// Each test runs with the plug-in DLL of the build as the module whose resources the dialogs
// load, and ends the stand-in it started.
class CoreSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        dll_ = LoadLibraryW(Widen(OEMUI_DLL_PATH).c_str());
        ASSERT_NE(dll_, nullptr) << OEMUI_DLL_PATH;
        oldModule_ = oemui::ModuleHandle;
        oemui::ModuleHandle = dll_;
    }
    void TearDown() override {
        if (core_) EndCore(*core_);
        oemui::ModuleHandle = oldModule_;
        if (dll_ != nullptr) FreeLibrary(dll_);
    }

    // Starts the stand-in (the plug-in is loaded, no sheet yet).
    void StartCore(const host::CoreDriverOptions& options) {
        core_ = std::make_unique<host::CoreDriver>(options);
        ASSERT_TRUE(core_->Start()) << Narrow(core_->Error());
    }
    // Opens the document sheet of the started stand-in and finds the plug-in's map.
    void OpenDocumentSheet() {
        ASSERT_TRUE(core_->OpenSheet(host::SheetKind::Document));
        map_ = DocumentMapOf(*core_);
        ASSERT_NE(map_, nullptr);
    }
    // Shows the opened sheet modeless on page `index` (0: the first page) and keeps the sheet
    // and page windows.
    void ShowPage(int index) {
        sheet_ = core_->ShowModeless(nullptr);
        ASSERT_NE(sheet_, nullptr);
        core_->PumpSheet();
        if (index != 0) {
            PropSheet_SetCurSel(sheet_, nullptr, index);
            core_->PumpSheet();
        }
        page_ = PropSheet_GetCurrentPageHwnd(sheet_);
        ASSERT_NE(page_, nullptr);
    }
    // Ends the stand-in within a test, for a row that opens a sheet of its own.
    void Close() {
        EndCore(*core_);
        core_.reset();
    }

    HMODULE dll_ = nullptr;
    std::unique_ptr<host::CoreDriver> core_;
    oemui::DriverItemMap* map_ = nullptr;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;

private:
    HMODULE oldModule_ = nullptr;
};

}  // namespace testenv
