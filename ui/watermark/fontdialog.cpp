#include "ui/watermark/fontdialog.h"

#include <imm.h>
#include <strsafe.h>

#include "docprop/itemmap.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/watermark/watermarks.h"
#include "wmfont_ids.h"

namespace oemui {

namespace {

// The font edit shows at most this many characters of a list name; the size edit takes five.
constexpr int kFontNameEditChars = 30;
constexpr int kStyleEditChars = 5;
constexpr int kSizeEditChars = 5;
constexpr int kInitialEditChars = 128;
// A font file is a short list; this bounds the reading of a damaged or endless one.
constexpr int kMaxFontEntries = 1024;
constexpr int kStyleCount = 4;

// The font list file of the sheet the dialog works for (null: none).
const wchar_t* FontFileOf(const FontDialogState& state) {
    return state.map != nullptr ? state.map->Watermarks.FontFile : nullptr;
}

// Shows the list name of font entry fontIndex + 1 in the font edit (empty when none).
void ShowFontName(HWND dialog, const wchar_t* fontFile, INT32 fontIndex) {
    GlobalBlock<wchar_t> entry(kFontEntryChars * sizeof(wchar_t));
    wchar_t name[kFontNameEditChars + 1] = {};
    if (entry && ReadFontEntry(fontFile, fontIndex, entry.get(), kFontEntryChars)) {
        FontEntryListName(entry.get(), name, ARRAYSIZE(name));
    }
    SetControlText(dialog, IDC_WMFONT_NAME, name);
}

void ShowStyle(HWND dialog, int style) {
    wchar_t text[32] = {};
    if (style >= 0 && style < kStyleCount) {
        LoadStringW(ModuleHandle, IDS_FONT_STYLE_FIRST + style, text, ARRAYSIZE(text));
    }
    SetControlText(dialog, IDC_WMFONT_STYLE, text);
}

// Fills a list box with `count` strings from `firstId`, item data 0..count - 1.
void FillFromStrings(HWND dialog, int listId, UINT firstId, int count) {
    SendToControl(dialog, listId, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
        wchar_t text[32] = {};
        LoadStringW(ModuleHandle, firstId + i, text, ARRAYSIZE(text));
        const LRESULT at =
            SendToControl(dialog, listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendToControl(dialog, listId, LB_SETITEMDATA, at, i);
    }
}

void SelectListedSize(HWND dialog, INT32 size) {
    SendToControl(dialog, IDC_WMFONT_SIZE_LIST, LB_SETCURSEL,
                  static_cast<WPARAM>(FontDialogSizeIndex(size)), 0);
}

// Item data of the list's selection, or -1 when nothing is selected.
LRESULT SelectedItemData(HWND dialog, int listId) {
    const LRESULT at = SendToControl(dialog, listId, LB_GETCURSEL, 0, 0);
    if (at == LB_ERR) return -1;
    return SendToControl(dialog, listId, LB_GETITEMDATA, at, 0);
}

void OnInitDialog(HWND dialog, const FontDialogState& state) {
    ApplyContextHelpStyle(dialog);
    for (int id : {IDC_WMFONT_NAME, IDC_WMFONT_STYLE, IDC_WMFONT_SIZE}) {
        SendToControl(dialog, id, EM_LIMITTEXT, kInitialEditChars, 0);
    }

    FillFontList(dialog, FontFileOf(state), state.FontIndex);

    FillFromStrings(dialog, IDC_WMFONT_STYLE_LIST, IDS_FONT_STYLE_FIRST, kStyleCount);
    const int style = FontStyleIndex(state.Weight, state.Italic);
    SendToControl(dialog, IDC_WMFONT_STYLE_LIST, LB_SETCURSEL, style, 0);
    SendToControl(dialog, IDC_WMFONT_STYLE, EM_LIMITTEXT, kStyleEditChars, 0);
    ShowStyle(dialog, style);

    FillFromStrings(dialog, IDC_WMFONT_SIZE_LIST, IDS_FONT_SIZE_FIRST, kFontDialogSizeCount);
    SelectListedSize(dialog, state.Size);
    SendToControl(dialog, IDC_WMFONT_SIZE, EM_LIMITTEXT, kSizeEditChars, 0);
    // Setting the text notifies the size edit, which takes the value back as typed sizes are.
    SetDlgItemInt(dialog, IDC_WMFONT_SIZE, static_cast<UINT>(state.Size), FALSE);
}

void OnCancel(HWND dialog, FontDialogState& state) {
    // The choice goes back to the record it was loaded from.
    if (state.map != nullptr && state.map->Watermarks.Working != nullptr) {
        LoadFontChoice(state, *state.map->Watermarks.Working);
    }
    EndDialog(dialog, IDCANCEL);
}

void OnFontChosen(HWND dialog, FontDialogState& state) {
    const LRESULT data = SelectedItemData(dialog, IDC_WMFONT_LIST);
    if (data < 0) return;
    state.FontIndex = static_cast<INT32>(data);
    ShowFontName(dialog, FontFileOf(state), state.FontIndex);
    FillFontList(dialog, FontFileOf(state), state.FontIndex);
}

void OnStyleChosen(HWND dialog, FontDialogState& state) {
    const LRESULT style = SelectedItemData(dialog, IDC_WMFONT_STYLE_LIST);
    if (style < 0 || style >= kStyleCount) return;
    state.Weight = style < 2 ? kWeightRegular : kWeightBold;
    state.Italic = static_cast<BYTE>(style & 1);
    ShowStyle(dialog, static_cast<int>(style));
}

void OnSizeChosen(HWND dialog, FontDialogState& state) {
    const LRESULT at = SelectedItemData(dialog, IDC_WMFONT_SIZE_LIST);
    if (at < 0 || at >= kFontDialogSizeCount) return;
    state.Size = kFontDialogSizes[at];
    SetDlgItemInt(dialog, IDC_WMFONT_SIZE, static_cast<UINT>(state.Size), FALSE);
}

void OnSizeTyped(HWND dialog, FontDialogState& state) {
    // Sizes are typed as plain digits: no input method composition.
    ImmAssociateContext(FindControl(dialog, IDC_WMFONT_SIZE), nullptr);
    state.Size = ClampTypedFontSize(GetDlgItemInt(dialog, IDC_WMFONT_SIZE, nullptr, FALSE));
    SelectListedSize(dialog, state.Size);
}

void OnCommand(HWND dialog, FontDialogState& state, int id, int notifyCode) {
    const bool chosen = notifyCode == LBN_SELCHANGE;
    switch (id) {
        case IDOK:
            EndDialog(dialog, IDOK);
            break;
        case IDCANCEL:
            OnCancel(dialog, state);
            break;
        case IDC_WMFONT_LIST:
            if (chosen) OnFontChosen(dialog, state);
            break;
        case IDC_WMFONT_STYLE_LIST:
            if (chosen) OnStyleChosen(dialog, state);
            break;
        case IDC_WMFONT_SIZE_LIST:
            if (chosen) OnSizeChosen(dialog, state);
            break;
        case IDC_WMFONT_SIZE:
            OnSizeTyped(dialog, state);
            break;
        default:
            break;
    }
}

}  // namespace

void LoadFontChoice(FontDialogState& state, const WatermarkRecord& record) {
    state.FontIndex = record.FontIndex;
    state.Size = record.Size;
    state.Weight = record.Weight;
    state.Italic = record.Italic;
}

void StoreFontChoice(const FontDialogState& state, WatermarkRecord& record) {
    record.Size = state.Size;
    record.FontIndex = state.FontIndex;
    record.Weight = state.Weight;
    record.Italic = state.Italic;
}

int FontDialogSizeIndex(INT32 size) {
    for (int i = 0; i < kFontDialogSizeCount; ++i) {
        if (kFontDialogSizes[i] == size) return i;
    }
    return -1;
}

int FontStyleIndex(INT32 weight, BYTE italic) {
    return (weight == kWeightBold ? 2 : 0) + (italic != 0 ? 1 : 0);
}

INT32 ClampTypedFontSize(UINT typed) {
    // The whole typed number counts: a five-digit size must not wrap into a small one.
    return typed > static_cast<UINT>(kWatermarkSizeMax) ? kWatermarkSizeMax
                                                        : static_cast<INT32>(typed);
}

void FontEntryListName(const wchar_t* entry, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    size_t length = 0;
    for (const wchar_t* p = entry; p != nullptr && *p != L'\0' && *p != L',' && *p != L';'; ++p) {
        if (length + 1 < outChars) out[length++] = *p;
    }
    out[length] = L'\0';
}

int FillFontList(HWND dialog, const wchar_t* fontFile, INT32 fontIndex) {
    SendToControl(dialog, IDC_WMFONT_LIST, LB_RESETCONTENT, 0, 0);
    GlobalBlock<wchar_t> entry(kFontEntryChars * sizeof(wchar_t));
    int count = 0;
    if (entry) {
        for (; count < kMaxFontEntries; ++count) {
            if (!ReadFontEntry(fontFile, count, entry.get(), kFontEntryChars)) break;
            wchar_t name[kFontEntryChars] = {};
            FontEntryListName(entry.get(), name, ARRAYSIZE(name));
            const LRESULT at = SendToControl(dialog, IDC_WMFONT_LIST, LB_ADDSTRING, 0,
                                             reinterpret_cast<LPARAM>(name));
            if (at >= 0) SendToControl(dialog, IDC_WMFONT_LIST, LB_SETITEMDATA, at, count);
        }
    }
    SendToControl(dialog, IDC_WMFONT_LIST, LB_SETCURSEL, static_cast<WPARAM>(fontIndex), 0);
    SendToControl(dialog, IDC_WMFONT_NAME, EM_LIMITTEXT, kFontNameEditChars, 0);
    ShowFontName(dialog, fontFile, fontIndex);
    return count;
}

INT_PTR CALLBACK WatermarkFontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (auto* state = AttachDialogState<FontDialogState>(dialog, lParam)) {
            OnInitDialog(dialog, *state);
        }
        return TRUE;
    }
    FontDialogState* state = DialogStateOf<FontDialogState>(dialog);
    if (state == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CONTEXTMENU:
            return HandleContextHelp(state->map, message, wParam, lParam) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowWatermarkFontDialog(HWND owner, FontDialogState& state) {
    const INT_PTR result =
        DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_WATERMARK_FONT), owner,
                        &WatermarkFontDialogProc, reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? IDOK : IDCANCEL;
}

}  // namespace oemui
