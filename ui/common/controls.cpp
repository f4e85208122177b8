#include "ui/common/controls.h"

#include <array>
#include <cstdint>

namespace oemui {

namespace {

struct FoundControl {
    HWND dialog = nullptr;
    int id = 0;
    HWND control = nullptr;
};

constexpr size_t kFoundSlots = 256;

size_t SlotOf(HWND dialog, int id) {
    const auto key = reinterpret_cast<uintptr_t>(dialog) >> 4;
    return (key * 31u + static_cast<unsigned>(id)) % kFoundSlots;
}

// Still the control GetDlgItem would give: all three are answered from this process's own
// window data, without a trip to the window server.
bool StillTheControl(const FoundControl& found, HWND dialog, int id) {
    return found.control != nullptr && found.dialog == dialog && found.id == id &&
           IsWindow(found.control) && GetParent(found.control) == dialog &&
           GetWindowLongPtrW(found.control, GWLP_ID) == id;
}

}  // namespace

HWND FindControl(HWND dialog, int id) {
    // Windows belong to the thread that made them: each thread keeps its own findings.
    thread_local std::array<FoundControl, kFoundSlots> found{};
    if (dialog == nullptr) return nullptr;
    FoundControl& slot = found[SlotOf(dialog, id)];
    if (StillTheControl(slot, dialog, id)) return slot.control;
    HWND control = GetDlgItem(dialog, id);
    slot = {dialog, id, control};
    return control;
}

void SetRadioChoice(HWND dialog, int firstId, int lastId, int chosenId) {
    for (long long id = firstId; id <= lastId; ++id) {
        HWND button = FindControl(dialog, static_cast<int>(id));
        if (button == nullptr) continue;
        const bool chosen = id == chosenId;
        // BM_SETCHECK also gives a radio button the tab stop when it is ticked and takes it
        // away otherwise; a button is left alone only when both already are as they would be.
        const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
        const LONG_PTR type = style & BS_TYPEMASK;
        const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        const bool tabStopRight = !radio || ((style & WS_TABSTOP) != 0) == chosen;
        const WPARAM state = chosen ? BST_CHECKED : BST_UNCHECKED;
        if (!tabStopRight ||
            static_cast<WPARAM>(SendMessageW(button, BM_GETCHECK, 0, 0)) != state) {
            SendMessageW(button, BM_SETCHECK, state, 0);
        }
    }
}

}  // namespace oemui
