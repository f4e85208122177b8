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

void EmptyFolder(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileW((dir + L"\\" + found.cFileName).c_str());
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

std::wstring FreshTempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    EmptyFolder(dir);
    return dir;
}

std::string SampleFile(const std::wstring& name) {
    const std::wstring path = Widen(OEMUI_SAMPLE_DIR) + L"\\" + name;
    std::string content = ReadFileBytes(path);
    if (content.empty())
        fprintf(stderr, "testprinters: sample file %s missing\n", Narrow(path).c_str());
    return content;
}

namespace {

// The sample model as the driver package's INF installs it, from the build's sample data and
// programs, with the stand-ins of the model's own libraries.
bool SamplePackage(const std::wstring& model, TestDriver& driver) {
    std::wstring failure = host::ReadDriverPackageFromInf(
        TestBinDir() + L"\\" + host::kSampleInfName, model,
        [](const std::wstring& source) {
            return host::LocateSampleSource(Widen(OEMUI_SAMPLE_DIR), TestBinDir(), source);
        },
        driver);
    if (failure.empty()) failure = host::AddSampleStandIns(TestBinDir(), driver);
    if (!failure.empty()) fprintf(stderr, "testprinters: %s\n", Narrow(failure).c_str());
    return failure.empty();
}

}  // namespace

std::vector<DriverFile> SampleDependentFiles() {
    TestDriver color;
    SamplePackage(kColorDriver, color);
    std::vector<DriverFile> files = color.dependentFiles;
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

bool InstallColorModel(const std::wstring& driverName, const std::wstring& printerName,
                       std::vector<DriverFile> files, const std::wstring& ppdName) {
    TestDriver driver;
    driver.name = driverName;
    driver.dependentFiles = std::move(files);
    driver.dataFile = ppdName;
    driver.dataContent = SampleFile(L"labcolor.ppd");
    return InstallDriver(driver) && InstallPrinter(printerName, driverName);
}

bool InstallSamplePrinters() {
    static int state = 0;  // 0 not yet, 1 done, -1 failed
    if (state != 0) return state > 0;
    // Both models come from the driver package's INF; the colour driver also carries the
    // encryption library without its decryption entry point that some tests name.
    TestDriver color;
    TestDriver mono;
    if (!SamplePackage(kColorDriver, color) || !SamplePackage(kMonoDriver, mono)) {
        state = -1;
        return false;
    }
    color.dependentFiles.push_back(
        {L"vrcrypt_nodec.dll", ReadFileBytes(TestBinDir() + L"\\vrcrypt_nodec.dll")});
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
