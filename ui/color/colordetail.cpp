#include "ui/color/colordetail.h"

#include <prsht.h>
#include <strsafe.h>

#include <cstring>

#include "base/pluginstate.h"
#include "resource.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

namespace oemui {

namespace {}  // namespace

bool FillOptionList(HWND dialog, int id, const DriverItemMap& map, int entry) {
    if (!HasControl(dialog, id)) return false;
    SendToControl(dialog, id, CB_RESETCONTENT, 0, 0);
    // BoundItem checks the index against the tree, so an unbound entry (0xFFFF) is never read.
    const POPTITEM item = BoundItem(map, entry);
    if (item == nullptr || item->pOptType == nullptr || item->pOptType->pOptParam == nullptr) {
        EnableControl(dialog, id, false);
        return false;
    }
    for (WORD i = 0; i < item->pOptType->Count; ++i) {
        const OPTPARAM& option = item->pOptType->pOptParam[i];
        const wchar_t* name =
            option.pData != nullptr && !IS_INTRESOURCE(option.pData) ? option.pData : L"";
        SendToControl(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    return true;
}

void SelectListItem(HWND dialog, int id, DWORD index) {
    const LRESULT count = SendToControl(dialog, id, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR || static_cast<LRESULT>(index) >= count) return;
    SendToControl(dialog, id, CB_SETCURSEL, index, 0);
}

DWORD ListSelection(HWND dialog, int id, DWORD fallback) {
    const LRESULT selection = SendToControl(dialog, id, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR || selection < 0 ? fallback : static_cast<DWORD>(selection);
}

bool StoreBoundCommand(HWND dialog, std::span<const CheckBinding> boxes,
                       std::span<const ListBinding> lists, int id, int code, EntryValues& values) {
    for (const CheckBinding& box : boxes) {
        if (box.controlId != id || code != BN_CLICKED) continue;
        values[box.entry] = IsTicked(dialog, id) ? box.onValue : box.offValue;
        return true;
    }
    for (const ListBinding& list : lists) {
        if (list.controlId != id || code != CBN_SELCHANGE) continue;
        values[list.entry] = ListSelection(dialog, id, values[list.entry]);
        return true;
    }
    return false;
}

bool ConfirmExclusion(HWND dialog, UINT textId) {
    return MessageBoxById(dialog, textId, IDS_CAPTION_WARNING, MB_OKCANCEL | MB_ICONEXCLAMATION) ==
           IDOK;
}

LRESULT SelectChosenSetting(HWND dialog, int id, DWORD& choice) {
    LRESULT count = SendToControl(dialog, id, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR) count = 0;
    LRESULT chosen = -1;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT data = SendToControl(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
        if (data != CB_ERR && static_cast<DWORD>(data) == LOWORD(choice)) chosen = i;
    }
    if (chosen < 0) {
        chosen = 0;
        const LRESULT data = count > 0 ? SendToControl(dialog, id, CB_GETITEMDATA, 0, 0) : CB_ERR;
        choice = data == CB_ERR ? 0 : static_cast<DWORD>(data) & 0xFFFF;
    }
    SendToControl(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    return count;
}

bool TakeSelectedSetting(HWND dialog, int id, DWORD& choice) {
    const LRESULT selection = SendToControl(dialog, id, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) return false;
    const LRESULT data =
        SendToControl(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
    if (data == CB_ERR) return false;
    choice = (choice & kChoiceOnMask) | (static_cast<DWORD>(data) & 0xFFFF);
    return true;
}

void SwitchChoice(DWORD& choice, bool on) {
    if (on) {
        choice |= kChoiceOnBit;
    } else {
        choice &= ~kChoiceOnMask;
    }
}

namespace {

// PSN_KILLACTIVE and PSN_APPLY as the Color page answers them: the first pushes the wanted
// values and saves the colour settings, the second reports the Color page's result to the
// sheet when `answersApply`. True when `code` was one of them (the answer is set).
bool AnswerColorSheetNotice(HWND dialog, DriverItemMap& map, UINT code, bool answersApply) {
    switch (code) {
        case PSN_KILLACTIVE:
            PushDocumentSettings(map);
            SaveColorSettings(dialog, map);
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, FALSE);
            return true;
        case PSN_APPLY:
            if (!answersApply) return false;
            if (map.ComPropSheet != nullptr) {
                map.ComPropSheet(map.SheetHandle, CPSFUNC_SET_RESULT,
                                 reinterpret_cast<LPARAM>(map.ColorPageHandle), CPSUI_OK);
            }
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, PSNRET_NOERROR);
            return true;
        default:
            return false;
    }
}

// The state record once WM_INITDIALOG has attached a complete one; null otherwise.
ColorDetailState* StateOf(HWND dialog) {
    auto* state = DialogStateOf<ColorDetailState>(dialog);
    if (state == nullptr || state->map == nullptr || state->parts == nullptr) return nullptr;
    return state;
}

void OpenDialog(HWND dialog, LPARAM lParam) {
    AttachDialogState<ColorDetailState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    ColorDetailState* state = StateOf(dialog);
    if (state == nullptr) return;
    const ColorDetailParts& parts = *state->parts;
    if (parts.visitsPluginPage) SheetFlags |= kSheetFlagPluginPageSeen;
    std::memcpy(state->values, state->map->WantedValue, sizeof(state->values));
    parts.open(dialog, *state);
    parts.refresh(dialog, *state);
}

// "&Default": only the working copy and the controls change; the map waits for OK.
void RestoreDefaults(HWND dialog, ColorDetailState& state) {
    const ColorDetailParts& parts = *state.parts;
    for (int entry : parts.features) state.values[entry] = 0;
    for (int entry : parts.ownValues) state.values[entry] = 0;
    if (parts.afterDefaults != nullptr) parts.afterDefaults(dialog, state);
    parts.refresh(dialog, state);
}

// The page marks itself changed when the dialog ends with OK.
void StoreAndClose(HWND dialog, ColorDetailState& state) {
    DriverItemMap& map = *state.map;
    const ColorDetailParts& parts = *state.parts;
    if (parts.readsControlsOnOk) {
        StoreChecks(dialog, parts.boxes.data(), parts.boxes.size(), map, state.values);
        StoreLists(dialog, parts.lists.data(), parts.lists.size(), map, state.values);
    }
    for (int entry : parts.features) {
        if (HasItem(map, entry)) map.WantedValue[entry] = state.values[entry];
    }
    for (int entry : parts.ownValues) map.WantedValue[entry] = state.values[entry];
    EndDialog(dialog, kDetailAccepted);
}

bool OnCommand(HWND dialog, int id, int code) {
    if (id == IDCANCEL) {
        EndDialog(dialog, kDetailCancelled);
        return true;
    }
    ColorDetailState* state = StateOf(dialog);
    if (state == nullptr) return false;
    const ColorDetailParts& parts = *state->parts;
    switch (id) {
        case IDOK:
            StoreAndClose(dialog, *state);
            return true;
        case IDC_DEFAULT:
            RestoreDefaults(dialog, *state);
            return true;
        default:
            break;
    }
    if (StoreBoundCommand(dialog, parts.boxes, parts.lists, id, code, state->values)) {
        parts.refresh(dialog, *state);
        if (parts.marksChanges) MarkOpeningPageChanged(dialog, *state);
        return true;
    }
    return parts.command != nullptr && parts.command(dialog, *state, id, code);
}

INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    ColorDetailState* state = StateOf(dialog);
    if (header == nullptr || state == nullptr) return FALSE;
    const DetailNotices notices = state->parts->notices;
    if (notices == DetailNotices::None) return FALSE;
    if (header->code == PSN_SETACTIVE) {
        state->parts->refresh(dialog, *state);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    if (notices == DetailNotices::LikeThePage) {
        return AnswerColorSheetNotice(dialog, *state->map, header->code, true) ? TRUE : FALSE;
    }
    if (header->code != PSN_KILLACTIVE) return FALSE;
    AnswerColorSheetNotice(dialog, *state->map, header->code, false);
    DeleteColorLinkFont();
    return TRUE;
}

INT_PTR OnDrawItem(HWND dialog, const DRAWITEMSTRUCT* item) {
    ColorDetailState* state = StateOf(dialog);
    if (state == nullptr || item == nullptr || state->parts->drawItem == nullptr) return FALSE;
    return state->parts->drawItem(dialog, *state, *item) ? TRUE : FALSE;
}

void OnActivate(HWND dialog) {
    ColorDetailState* state = StateOf(dialog);
    if (state != nullptr && state->parts->activated != nullptr) {
        state->parts->activated(dialog, *state);
    }
}

INT_PTR OnScroll(HWND dialog, HWND bar) {
    ColorDetailState* state = StateOf(dialog);
    if (state == nullptr || state->parts->scrolled == nullptr) return FALSE;
    state->parts->scrolled(dialog, *state, bar);
    return TRUE;
}

}  // namespace

INT_PTR RunColorDetailDialog(HWND page, WORD templateId, const ColorDetailParts& parts,
                             DriverItemMap& map) {
    ColorDetailState state;
    state.map = &map;
    state.openingPage = page;
    state.parts = &parts;
    // Owned by the sheet, as the page's other dialogs are.
    HWND sheet = page != nullptr ? GetParent(page) : nullptr;
    return DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(templateId),
                           sheet != nullptr ? sheet : page, &ColorDetailDialogProc,
                           reinterpret_cast<LPARAM>(&state));
}

INT_PTR CALLBACK ColorDetailDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OpenDialog(dialog, lParam);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        case WM_DRAWITEM:
            return OnDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_ACTIVATE:
            OnActivate(dialog);
            return FALSE;
        case WM_HSCROLL:
            return OnScroll(dialog, reinterpret_cast<HWND>(lParam));
        case WM_HELP:
        case WM_CONTEXTMENU:
            HandleContextHelp(MapOfState(DialogStateOf<ColorDetailState>(dialog)), message, wParam, lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace oemui
