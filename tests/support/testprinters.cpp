#include "tests/support/testprinters.h"

#include "tests/support/wineconfig.h"

#include <winspool.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#ifndef OEMUI_SAMPLE_DIR
#error "OEMUI_SAMPLE_DIR must name the sample model folder"
#endif

namespace testenv {

namespace {

// The spooler takes a new driver's files from the driver directory itself and moves them into
// its version subdirectory, as the driver set-up does on Windows.
std::wstring StagingFolder() {
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir),
                               &needed);
    return dir;
}

void Report(const char* what, const std::wstring& name, DWORD error) {
    fprintf(stderr, "testprinters: %s %s failed (error %lu)\n", what, Narrow(name).c_str(),
            static_cast<unsigned long>(error));
}

}  // namespace

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
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                              nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        content.append(buffer, got);
    }
    CloseHandle(file);
    return content;
}

std::string SampleFile(const std::wstring& name) {
    const std::wstring path = Widen(OEMUI_SAMPLE_DIR) + L"\\" + name;
    std::string content = ReadFileBytes(path);
    if (content.empty()) fprintf(stderr, "testprinters: sample file %s missing\n", Narrow(path).c_str());
    return content;
}

std::vector<DriverFile> SampleDependentFiles() {
    return {
        {L"vrlab.cap", SampleFile(L"vrlab.cap")},
        {L"vroemui.ini", SampleFile(L"vroemui.ini")},
        {L"vrlab.ver", SampleFile(L"vrlab.ver")},
        // The model's encryption library: the stand-in built with the tests.
        {L"vrcrypt.dll", ReadFileBytes(TestBinDir() + L"\\vrcrypt.dll")},
        {L"vrcrypt_nodec.dll", ReadFileBytes(TestBinDir() + L"\\vrcrypt_nodec.dll")},
    };
}

std::wstring DriverDirectory3() {
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                    sizeof(dir), &needed)) {
        return {};
    }
    return std::wstring(dir) + L"\\3";
}

std::wstring WindowsDirectory() {
    wchar_t dir[MAX_PATH] = {};
    GetWindowsDirectoryW(dir, MAX_PATH);
    return dir;
}

bool InstallDriver(const TestDriver& driver) {
    const std::wstring folder = StagingFolder();
    auto stage = [&](const std::wstring& name, const std::string& content) {
        const std::wstring path = folder + L"\\" + name;
        if (!WriteFileBytes(path, content)) Report("writing", path, GetLastError());
        return path;
    };
    const std::wstring driverPath = stage(driver.driverFile, "driver placeholder");
    const std::wstring configPath = stage(driver.configFile, "config placeholder");
    const std::wstring dataPath = stage(driver.dataFile, driver.dataContent);
    std::wstring dependents;
    for (const DriverFile& f : driver.dependentFiles) {
        dependents += stage(f.name, f.content);
        dependents.push_back(L'\0');
    }
    dependents.push_back(L'\0');

    // Replace an earlier installation of the same driver: the spooler refuses to add a driver
    // that exists.
    DeletePrinterDriverExW(nullptr, nullptr, const_cast<wchar_t*>(driver.name.c_str()), 0, 0);

    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(driver.name.c_str());
    info.pEnvironment = nullptr;
    info.pDriverPath = const_cast<wchar_t*>(driverPath.c_str());
    info.pDataFile = const_cast<wchar_t*>(dataPath.c_str());
    info.pConfigFile = const_cast<wchar_t*>(configPath.c_str());
    info.pDependentFiles = dependents.data();
    info.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES)) {
        Report("AddPrinterDriverExW", driver.name, GetLastError());
        return false;
    }
    return true;
}

bool InstallPrinter(const std::wstring& printerName, const std::wstring& driverName) {
    HANDLE existing = nullptr;
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &existing, &access)) {
        DeletePrinter(existing);
        ClosePrinter(existing);
    }
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(printerName.c_str());
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(driverName.c_str());
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer == nullptr) {
        Report("AddPrinterW", printerName, GetLastError());
        return false;
    }
    ClosePrinter(printer);
    return true;
}

bool InstallSamplePrinters() {
    static int state = 0;  // 0 not yet, 1 done, -1 failed
    if (state != 0) return state > 0;
    TestDriver color;
    color.name = kColorDriver;
    color.dependentFiles = SampleDependentFiles();
    // Each model's printer description is its driver's data file (the two share a folder).
    color.dataFile = L"LABCOLOR.PPD";
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
