// One open property sheet of the core-driver stand-in (internal to the host library).
#pragma once

#include "host/coredriver.h"

#include <commctrl.h>
#include <prsht.h>

namespace host {

struct CoreDriver::Sheet {
    CoreDriver* owner = nullptr;
    SheetKind kind = SheetKind::Document;
    OptionTree tree;
    HANDLE heap = nullptr;
    OEMCUIPPARAM param{};
    std::vector<OPTITEM> oemItems;
    OEMUIPSPARAM sheetParam{};
    PROPSHEETUI_INFO info{};
    PROPSHEETUI_INFO_HEADER header{};
    HRESULT firstCommonUIProp = E_NOTIMPL;
    HRESULT secondCommonUIProp = E_NOTIMPL;
    HRESULT initResult = E_NOTIMPL;
    ULONG_PTR initInfoResult = 0;
    std::wstring headerTitle;
    std::vector<CollectedPage> pages;
    std::vector<SetResultRecord> results;
    std::vector<UINT> functions;
    std::vector<CallbackRecord> callbacks;

    // The stand-in's own page and the window of the sheet.
    std::vector<WORD> pageTemplate;
    std::wstring caption;
    std::vector<int> rowItems;  // list row -> tree index (>= 0) or -(OEM index + 1)
    HWND window = nullptr;
    INT_PTR windowResult = 0;
    bool inCallback = false;

    // Is `handle` a live sheet? (pfnComPropSheet receives the handle back from the plug-in.)
    static Sheet* FromHandle(HANDLE handle);
    static LONG_PTR CALLBACK ComPropSheet(HANDLE hComPropSheet, UINT function, LPARAM lParam1,
                                          LPARAM lParam2);

    Sheet();
    ~Sheet();
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    // Fills PROPSHEETHEADERW pages: the collected ones and the stand-in page.
    bool BuildPages(std::vector<HPROPSHEETPAGE>& handles);
    void FillList(HWND list);
};

}  // namespace host
