// Saves the user data file over and over until it is killed, for the test that kills a saving
// process at random points. Every save writes generation g into every line of two sections
// (the watermark list and the custom colours, as the dialogs save them), so a file that mixes
// two saves, or holds part of one, shows at once.
//
//     savechild.exe <data file> <first generation>
//
// Prints "saving" once the first save is done, then never returns on its own.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "base/userdata.h"

namespace {

constexpr int kWatermarkLines = 16;
constexpr int kColorLines = 16;

bool SaveGeneration(const wchar_t* dataFile, long generation) {
    oemui::SectionLines watermarks;
    oemui::SectionLines colors(2048);
    for (int i = 1; i <= kWatermarkLines; ++i) {
        wchar_t key[16];
        wchar_t value[600];
        swprintf(key, 16, L"WTMK%03d", i);
        // A long line, so that a save spans several writes of the file.
        swprintf(value, 600, L"%ld,0,45,0,0,255,Generation %ld %0500d", generation, generation, i);
        watermarks.Add(key, value);
    }
    for (int i = 0; i < kColorLines; ++i) {
        wchar_t key[16];
        swprintf(key, 16, L"Color%d", i);
        colors.AddNumber(key, generation);
    }
    const oemui::SectionUpdate updates[] = {{L"Watermark", &watermarks},
                                            {L"Custom Color", &colors}};
    return static_cast<bool>(oemui::SaveUserSections(dataFile, nullptr, updates, 2));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    long generation = wcstol(argv[2], nullptr, 10);
    if (!SaveGeneration(argv[1], generation)) return 1;
    printf("saving\n");
    fflush(stdout);
    for (;;) {
        ++generation;
        if (!SaveGeneration(argv[1], generation)) return 1;
    }
}
