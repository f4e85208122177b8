// oemui-pkgcheck: checks a driver package folder against its INF (every file the INF names is
// there, every file there is named, each architecture folder holds programs of that machine,
// the core driver is the PostScript one, every file the models' configuration names is
// installed or one the maker may leave out).
//   oemui-pkgcheck FOLDER [INF-NAME]      exit 0 when whole, 1 with one line per problem
#include <cstdio>
#include <string>
#include <vector>

#include "host/inf.h"
#include "host/install.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fputws(L"usage: oemui-pkgcheck FOLDER [INF-NAME]\n", stderr);
        return 2;
    }
    const std::wstring inf = argc > 2 ? argv[2] : host::kSampleInfName;
    std::vector<std::wstring> leftOut;
    const auto problems = host::CheckDriverPackage(argv[1], inf, &leftOut);
    for (const std::wstring& l : leftOut) wprintf(L"oemui-pkgcheck: note: %ls\n", l.c_str());
    for (const std::wstring& p : problems) fwprintf(stderr, L"oemui-pkgcheck: %ls\n", p.c_str());
    if (problems.empty()) wprintf(L"oemui-pkgcheck: %ls is whole\n", argv[1]);
    return problems.empty() ? 0 : 1;
}
