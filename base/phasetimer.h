// Scope timers of the benchmark build. bench/ builds a second copy of the plug-in,
// vroemui_timed.dll, with OEMUI_PHASE_TIMER defined; there OEMUI_PHASE("name") adds the time of
// the enclosing scope to a per-process table that bench/sheet_bench reads through the export
// ReadPhaseTimes, and OEMUI_TIMED_PAGE_PROC wraps a page's dialog procedure so that each kind
// of message it handles is timed. In the shipped DLL both expand to nothing but their argument.
#pragma once

#ifdef OEMUI_PHASE_TIMER

#include <windows.h>
#include <prsht.h>

#include <cstring>

namespace oemui::phase {

struct Entry {
    const char* group;  // the page, or nullptr
    const char* name;
    LONGLONG ticks;
    long count;
};

inline constexpr int kMaxEntries = 96;

struct Table {
    Entry entries[kMaxEntries];
    int used;
};

inline Table& Times() {
    static Table table{};
    return table;
}

inline void Add(const char* group, const char* name, LONGLONG ticks) {
    Table& table = Times();
    for (int i = 0; i < table.used; ++i) {
        Entry& e = table.entries[i];
        if (e.group == group && std::strcmp(e.name, name) == 0) {
            e.ticks += ticks;
            ++e.count;
            return;
        }
    }
    if (table.used < kMaxEntries) table.entries[table.used++] = {group, name, ticks, 1};
}

class Scope {
public:
    explicit Scope(const char* name, const char* group = nullptr) : group_(group), name_(name) {
        QueryPerformanceCounter(&start_);
    }
    ~Scope() {
        LARGE_INTEGER end;
        QueryPerformanceCounter(&end);
        Add(group_, name_, end.QuadPart - start_.QuadPart);
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    const char* group_;
    const char* name_;
    LARGE_INTEGER start_;
};

// What a page's procedure is doing for a message, as the report names it.
inline const char* PageWork(UINT message, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return "WM_INITDIALOG";
        case WM_DRAWITEM:
            return "painting (WM_DRAWITEM)";
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return "painting (WM_CTLCOLOR*)";
        case WM_PAINT:
        case WM_ERASEBKGND:
            return "painting (WM_PAINT)";
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header == nullptr) return "other messages";
            if (header->code == static_cast<UINT>(PSN_SETACTIVE)) return "PSN_SETACTIVE";
            if (header->code == static_cast<UINT>(PSN_KILLACTIVE))
                return "leaving (PSN_KILLACTIVE)";
            if (header->code == static_cast<UINT>(PSN_APPLY)) return "PSN_APPLY";
            return "other messages";
        }
        default:
            return "other messages";
    }
}

template <DLGPROC Proc, const char* Page>
INT_PTR CALLBACK TimedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    Scope scope(PageWork(message, lParam), Page);
    return Proc(page, message, wParam, lParam);
}

}  // namespace oemui::phase

#define OEMUI_PHASE_JOIN2(a, b)               a##b
#define OEMUI_PHASE_JOIN(a, b)                OEMUI_PHASE_JOIN2(a, b)
#define OEMUI_PHASE(name)                     ::oemui::phase::Scope OEMUI_PHASE_JOIN(phaseScope, __LINE__)(name)
#define OEMUI_TIMED_PAGE_PROC(proc, pageName) (&::oemui::phase::TimedPageProc<proc, pageName>)

#else

#define OEMUI_PHASE(name)                     static_cast<void>(0)
#define OEMUI_TIMED_PAGE_PROC(proc, pageName) (proc)

#endif
