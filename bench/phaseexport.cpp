// The benchmark build's export: hands the scope timers' table to bench/sheet_bench and empties
// it, so that each read covers what happened since the last one.
#include <windows.h>

#include "base/phasetimer.h"

struct PhaseRecord {
    const char* group;
    const char* name;
    double milliseconds;
    long count;
};

extern "C" int __cdecl ReadPhaseTimes(PhaseRecord* out, int capacity) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    oemui::phase::Table& table = oemui::phase::Times();
    int n = 0;
    for (; n < table.used && n < capacity; ++n) {
        const oemui::phase::Entry& e = table.entries[n];
        out[n] = {e.group, e.name,
                  static_cast<double>(e.ticks) * 1000.0 / static_cast<double>(frequency.QuadPart),
                  e.count};
    }
    table.used = 0;
    return n;
}
