// Names for screen readers of buttons whose text another button of the same dialog shares: two
// "Delete" buttons beside the Overlays dialog's two lists, two "Options..." buttons beside the
// Color page's colour modes. A screen reader announces a button by its text, which does not
// tell such buttons apart, and the texts stay as they are. Each such button gets a name of its
// own from the string table through the system's annotation service (IAccPropServices), which
// is how a name is given to a control made from a template without changing what it shows.
#pragma once

#include <windows.h>

#include <cstddef>

#include "overlays_ids.h"
#include "resource.h"

namespace oemui {

struct SharedButtonName {
    UINT templateId;
    int controlId;
    UINT stringId;
};
inline constexpr SharedButtonName kSharedButtonNames[] = {
    {IDD_OVERLAYS, IDC_OVL_REMOVE, IDS_NAME_OVERLAY_REMOVE},
    {IDD_OVERLAYS, IDC_OVL_DELETE, IDS_NAME_OVERLAY_DELETE},
    {IDD_COLOR_PAGE, IDC_CALDER_OPTIONS, IDS_NAME_CALDER_OPTIONS},
    {IDD_COLOR_PAGE, IDC_MERIDAN_OPTIONS, IDS_NAME_MERIDAN_OPTIONS},
};

// Gives the buttons of `dialog` (made from template `templateId`) listed above their names
// from `resources`. Where the service is not there (no COM on the thread, an older system)
// the buttons keep their texts as their names.
void NameSharedButtons(HWND dialog, UINT templateId, HMODULE resources);

// Takes the names away again, as the service asks, before the dialog's windows go.
void ForgetSharedButtonNames(HWND dialog, UINT templateId);

}  // namespace oemui
