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

// Each thread's findings, kept in the system's thread-local storage. The compiler's
// thread_local would go through the thread runtime, whose record of every thread that touched
// it outlives a plug-in the core driver unloads after each sheet. A thread's block stays until
// the plug-in is unloaded (ForgetFoundControls); the blocks of all threads are listed for that.
struct alignas(MEMORY_ALLOCATION_ALIGNMENT) FoundBlock {
    SLIST_ENTRY link;
    std::array<FoundControl, kFoundSlots> slots;
};

SLIST_HEADER FoundBlocks;          // every block made, freed at unload
volatile LONG FoundTlsSlot = 0;    // TLS index + 1, 0 before the first look-up
volatile LONG FoundListReady = 0;  // FoundBlocks initialised

std::array<FoundControl, kFoundSlots>* ThreadFindings() {
    LONG slot = InterlockedCompareExchange(&FoundTlsSlot, 0, 0);
    if (slot == 0) {
        const DWORD index = TlsAlloc();
        if (index == TLS_OUT_OF_INDEXES) return nullptr;
        if (InterlockedCompareExchange(&FoundListReady, 1, 0) == 0) {
            InitializeSListHead(&FoundBlocks);
        }
        slot = InterlockedCompareExchange(&FoundTlsSlot, static_cast<LONG>(index) + 1, 0);
        if (slot != 0) {
            TlsFree(index);  // another thread was first
        } else {
            slot = static_cast<LONG>(index) + 1;
        }
    }
    const DWORD index = static_cast<DWORD>(slot - 1);
    if (auto* block = static_cast<FoundBlock*>(TlsGetValue(index))) return &block->slots;
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FoundBlock));
    if (memory == nullptr) return nullptr;
    auto* block = static_cast<FoundBlock*>(memory);
    InterlockedPushEntrySList(&FoundBlocks, &block->link);
    TlsSetValue(index, block);
    return &block->slots;
}

}  // namespace

HWND FindControl(HWND dialog, int id) {
    if (dialog == nullptr) return nullptr;
    auto* found = ThreadFindings();
    if (found == nullptr) return GetDlgItem(dialog, id);
    FoundControl& slot = (*found)[SlotOf(dialog, id)];
    if (StillTheControl(slot, dialog, id)) return slot.control;
    HWND control = GetDlgItem(dialog, id);
    slot = {dialog, id, control};
    return control;
}

void ForgetFoundControls() {
    const LONG slot = InterlockedExchange(&FoundTlsSlot, 0);
    if (InterlockedCompareExchange(&FoundListReady, 0, 0) != 0) {
        while (PSLIST_ENTRY entry = InterlockedPopEntrySList(&FoundBlocks)) {
            HeapFree(GetProcessHeap(), 0, CONTAINING_RECORD(entry, FoundBlock, link));
        }
    }
    if (slot != 0) TlsFree(static_cast<DWORD>(slot - 1));
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
