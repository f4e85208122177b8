// What the Color page's detail dialogs share: lists filled from a feature's options, the
// modal run over the page's sheet, and the answers to the property-sheet notifications they
// give like the page does.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

// Fills drop-down `id` with the display names of the options of `entry`'s item, so that a list
// index is the feature's selection index. A feature the tree lacks leaves the list empty and
// disabled. True when the list was filled.
bool FillOptionList(HWND dialog, int id, const DriverItemMap& map, int entry);

// Selects item `index` of drop-down `id` when the list has it.
void SelectListItem(HWND dialog, int id, DWORD index);

// The selected index of drop-down `id`, or `fallback` when nothing is selected.
DWORD ListSelection(HWND dialog, int id, DWORD fallback);

// Runs template `templateId` modally, owned by the sheet of `page`, with `state` as the
// dialog's lParam; the DialogBoxParamW result.
INT_PTR RunColorDetailDialog(HWND page, WORD templateId, DLGPROC procedure,
                             DialogContext& state);

// PSN_KILLACTIVE and PSN_APPLY as the Color page answers them: the first pushes the wanted
// values and saves the colour settings, the second reports the Color page's result to the
// sheet when `answersApply`. True when `code` was one of them (the answer is set).
bool AnswerColorSheetNotice(HWND dialog, DriverItemMap& map, UINT code, bool answersApply);

}  // namespace oemui
