// oemui-host: shows the plug-in at work on the bundled sample printer model. It installs the
// model as a driver and printer, loads the plug-in DLL through the core-driver stand-in and
// opens Document Properties (default), Printer Properties, or runs a print job's document
// events; with --screenshots it walks every page and dialog and writes a report. See
// host/demo.h and `oemui-host --help`.
#include <cstdio>
#include <string>
#include <vector>

#include "host/demo.h"

#ifndef OEMUI_SAMPLE_DIR
#error "OEMUI_SAMPLE_DIR must name the sample model folder"
#endif

namespace {

std::wstring ProgramFolder() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD len = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, len);
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path;
}

std::wstring Widen(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(wcslen(out.c_str()));
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    for (const std::wstring& a : args) {
        if (a == L"--help" || a == L"-h" || a == L"/?") {
            fputws(host::demo::UsageText(), stdout);
            return host::demo::kExitOk;
        }
    }
    host::demo::Options options;
    std::wstring error;
    if (!host::demo::ParseArguments(args, options, error)) {
        fwprintf(stderr, L"oemui-host: %ls\n%ls", error.c_str(), host::demo::UsageText());
        return host::demo::kExitUsage;
    }
    const std::wstring folder = ProgramFolder();
    if (options.binDir.empty()) options.binDir = folder;
    if (options.sampleDir.empty()) options.sampleDir = Widen(OEMUI_SAMPLE_DIR);
    return host::demo::Run(options);
}
