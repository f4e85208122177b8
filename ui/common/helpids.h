// The plug-in's context-help table: pairs of dialog control id and help context id that
// WinHelpW uses for F1 (HELP_WM_HELP) and "What's This?" (HELP_CONTEXTMENU) in every page and
// dialog. One table serves all of them; the first pair of a control id wins.
#pragma once

#include <windows.h>

#include <cstddef>

namespace oemui {

struct DriverItemMap;

struct HelpIdPair {
    DWORD control;
    DWORD context;
};
static_assert(sizeof(HelpIdPair) == 2 * sizeof(DWORD), "WinHelpW reads the table as DWORDs");

// Number of (control, context) pairs before the terminating {0, 0}.
inline constexpr std::size_t kHelpIdPairCount = 332;

// The table itself, kHelpIdPairCount pairs followed by {0, 0}.
extern const HelpIdPair HelpIdTable[kHelpIdPairCount + 1];

// The table as the data argument of WinHelpW (HELP_WM_HELP, HELP_CONTEXTMENU).
ULONG_PTR HelpIdTableArgument();

// The context id the table gives a control (the first pair wins), or 0.
DWORD HelpContextFor(DWORD controlId);

// Answers WM_HELP and WM_CONTEXTMENU with WinHelpW on the help file of the sheet behind `map`
// and the table, while WinHelpAvailable() holds and the sheet's model has a help file. True
// when `message` was one of the two (handled or not), so a dialog procedure can return TRUE
// for it.
bool HandleContextHelp(const DriverItemMap* map, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
