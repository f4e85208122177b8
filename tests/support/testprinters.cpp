#include "tests/support/testprinters.h"

#include "tests/support/wineconfig.h"

#include <winspool.h>

#include <cstdio>

#ifndef OEMUI_SAMPLE_DIR
#error "OEMUI_SAMPLE_DIR must name the sample model folder"
#endif

namespace testenv {

std::wstring Widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& content) {
    return host::WriteWholeFile(path, content);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string content;
    DWORD error = 0;
    return host::ReadWholeFile(path, content, error) ? content : std::string();
}

std::string SampleFile(const std::wstring& name) {
    const std::wstring path = Widen(OEMUI_SAMPLE_DIR) + L"\\" + name;
    std::string content = ReadFileBytes(path);
    if (content.empty()) fprintf(stderr, "testprinters: sample file %s missing\n", Narrow(path).c_str());
    return content;
}

std::vector<DriverFile> SampleDependentFiles() {
    std::vector<DriverFile> files;
    for (const host::SampleFileName& file : host::SampleDependentFileNames()) {
        files.push_back({file.name, file.fromBuild ? ReadFileBytes(TestBinDir() + L"\\" + file.name)
                                                   : SampleFile(file.name)});
    }
    files.push_back({L"vrcrypt_nodec.dll", ReadFileBytes(TestBinDir() + L"\\vrcrypt_nodec.dll")});
    return files;
}

std::wstring DriverDirectory3() { return host::PrinterDriverDirectory3(); }

std::wstring WindowsDirectory() {
    wchar_t dir[MAX_PATH] = {};
    GetWindowsDirectoryW(dir, MAX_PATH);
    return dir;
}

bool InstallDriver(const TestDriver& driver) {
    const std::wstring failure = host::InstallDriverPackage(driver);
    if (!failure.empty()) fprintf(stderr, "testprinters: %s\n", Narrow(failure).c_str());
    return failure.empty();
}

bool InstallPrinter(const std::wstring& printerName, const std::wstring& driverName) {
    const std::wstring failure = host::InstallPrinter(printerName, driverName);
    if (!failure.empty()) fprintf(stderr, "testprinters: %s\n", Narrow(failure).c_str());
    return failure.empty();
}

bool InstallSamplePrinters() {
    static int state = 0;  // 0 not yet, 1 done, -1 failed
    if (state != 0) return state > 0;
    TestDriver color;
    color.name = kColorDriver;
    color.dependentFiles = SampleDependentFiles();
    // Each model's printer description is its driver's data file (the two share a folder). The
    // colour model's is named after its plug-in INI file, where the About box and the printer
    // event look for it.
    color.dataFile = L"VROEMUI.PPD";
    color.dataContent = SampleFile(L"labcolor.ppd");
    TestDriver mono = color;
    mono.name = kMonoDriver;
    mono.dataFile = L"LABMONO.PPD";
    mono.dataContent = SampleFile(L"labmono.ppd");
    const bool ok = InstallDriver(color) && InstallPrinter(kColorPrinter, kColorDriver) &&
                    InstallDriver(mono) && InstallPrinter(kMonoPrinter, kMonoDriver);
    state = ok ? 1 : -1;
    return ok;
}

Printer::Printer(const std::wstring& name) {
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle_, nullptr)) handle_ = nullptr;
}

Printer::~Printer() {
    if (handle_ != nullptr) ClosePrinter(handle_);
}

}  // namespace testenv
