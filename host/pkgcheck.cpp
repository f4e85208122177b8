// oemui-pkgcheck: checks a driver package folder against its INF (every file the INF names is
// there, every file there is named, each architecture folder holds programs of that machine).
//   oemui-pkgcheck FOLDER [INF-NAME]      exit 0 when whole, 1 with one line per problem
#include <cstdio>
#include <string>

#include "host/inf.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fputws(L"usage: oemui-pkgcheck FOLDER [INF-NAME]\n", stderr);
        return 2;
    }
    const std::wstring inf = argc > 2 ? argv[2] : L"vrlab.inf";
    const auto problems = host::CheckDriverPackage(argv[1], inf);
    for (const std::wstring& p : problems) fwprintf(stderr, L"oemui-pkgcheck: %ls\n", p.c_str());
    if (problems.empty()) wprintf(L"oemui-pkgcheck: %ls is whole\n", argv[1]);
    return problems.empty() ? 0 : 1;
}
