// What the Color page and its detail dialogs share: lists filled from a feature's options or
// from the settings of an INI section, controls bound to wanted values, and one dialog
// procedure that runs every detail dialog. Each dialog brings its parts (ColorDetailParts: the
// features it edits, its bound controls and a few hooks); the procedure keeps the working copy
// of the wanted values, answers OK, Cancel and Default, stores the bound controls, answers the
// property-sheet notifications as the page does and shows context help.
#pragma once

#include <windows.h>

#include <span>

#include "docprop/itemmap.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

// Results of a detail dialog. After OK the working copy is in the map and the page marks
// itself changed; after Cancel the working copy is dropped (what a confirmation in the dialog
// did to the map stays).
inline constexpr INT_PTR kDetailAccepted = IDOK;
inline constexpr INT_PTR kDetailCancelled = 0;

// Fills drop-down `id` with the display names of the options of `entry`'s item, so that a list
// index is the feature's selection index. A feature the tree lacks leaves the list empty and
// disabled. True when the list was filled.
bool FillOptionList(HWND dialog, int id, const DriverItemMap& map, int entry);

// Selects item `index` of drop-down `id` when the list has it.
void SelectListItem(HWND dialog, int id, DWORD index);

// The selected index of drop-down `id`, or `fallback` when nothing is selected.
DWORD ListSelection(HWND dialog, int id, DWORD fallback);

// Asks the user (message `textId`, OK or Cancel) whether a setting the change in `dialog`
// excludes may go off; true for OK.
bool ConfirmExclusion(HWND dialog, UINT textId);

// A click of a bound box or a new selection of a bound list (command `id`, notification
// `code`) stores the control's value into `values`; true when the command was one of them.
bool StoreBoundCommand(HWND dialog, std::span<const CheckBinding> boxes,
                       std::span<const ListBinding> lists, int id, int code, EntryValues& values);

// --- Setting lists: a drop-down of the named settings of an INI section, each item's data its
// setting's id. The choice that keeps one holds the id in its low half and, while the choice is
// switched on, kChoiceOnBit.

// Selects the item of `choice`'s setting; when the list lacks it the first item stands in and
// `choice` becomes its setting, switched off. The number of items.
LRESULT SelectChosenSetting(HWND dialog, int id, DWORD& choice);
// Takes the selected item's setting into `choice`, which stays on or off; false when nothing
// is selected.
bool TakeSelectedSetting(HWND dialog, int id, DWORD& choice);
// Switches `choice` on or off; its setting stays.
void SwitchChoice(DWORD& choice, bool on);

struct ColorDetailParts;

// The state record of a detail dialog: the sheet's map, the opening page, the dialog's parts
// and the working copy of the map's wanted values, taken when the dialog opens and edited
// until OK.
struct ColorDetailState : DialogContext {
    const ColorDetailParts* parts = nullptr;
    EntryValues values = {};
};

// Which property-sheet notifications a detail dialog answers; all but None refresh it on
// PSN_SETACTIVE.
enum class DetailNotices {
    None,         // none at all
    LikeThePage,  // PSN_KILLACTIVE and PSN_APPLY as the Color page answers them
    LeaveOnly,    // PSN_KILLACTIVE, which also lets the page's link font go
};

// What one detail dialog brings to the shared procedure.
struct ColorDetailParts {
    // Features the dialog edits: Default sets them to 0 and OK writes them back where the tree
    // has them (a feature the tree lacks keeps its wanted value: the user could not see it).
    std::span<const int> features;
    // Values of the plug-in's own that no tree item carries: reset and written back like the
    // features, whatever the tree holds.
    std::span<const int> ownValues;
    // Boxes and lists that edit one working value each; a change refreshes the dialog.
    std::span<const CheckBinding> boxes;
    std::span<const ListBinding> lists;
    DetailNotices notices = DetailNotices::None;
    // Opening the dialog counts as a visit of the plug-in's pages (see VisitDriverPageOnce).
    bool visitsPluginPage = false;
    // A change of a bound control enables the sheet's Apply at once.
    bool marksChanges = false;
    // OK reads the bound controls once more, so that a selection made without a notification
    // counts as well.
    bool readsControlsOnOk = false;

    // Fills and removes controls; may bring working values (just taken from the map) into the
    // controls' ranges. Called once, before the first refresh.
    void (*open)(HWND dialog, ColorDetailState& state) = nullptr;
    // Sets every control from the working copy.
    void (*refresh)(HWND dialog, ColorDetailState& state) = nullptr;
    // Adjusts the working copy after Default has zeroed the features and own values; may be
    // null.
    void (*afterDefaults)(HWND dialog, ColorDetailState& state) = nullptr;
    // WM_COMMAND of the dialog's other controls; true when handled. May be null.
    bool (*command)(HWND dialog, ColorDetailState& state, int id, int code) = nullptr;
    // WM_DRAWITEM: draws `item` when it is one of the dialog's pictures; true when drawn.
    // May be null.
    bool (*drawItem)(HWND dialog, ColorDetailState& state, const DRAWITEMSTRUCT& item) = nullptr;
    // WM_ACTIVATE, either way. May be null.
    void (*activated)(HWND dialog, ColorDetailState& state) = nullptr;
    // WM_HSCROLL of trackbar `bar`. May be null.
    void (*scrolled)(HWND dialog, ColorDetailState& state, HWND bar) = nullptr;
};

// Runs template `templateId` modally with `parts` over the map, owned by the sheet of `page`;
// kDetailAccepted after OK, kDetailCancelled after Cancel, -1 when the dialog could not be
// created.
INT_PTR RunColorDetailDialog(HWND page, WORD templateId, const ColorDetailParts& parts,
                             DriverItemMap& map);

INT_PTR CALLBACK ColorDetailDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
