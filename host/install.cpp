#include "host/install.h"

#include <winspool.h>

#include "ui/common/handles.h"

namespace host {

std::wstring ErrorText(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = L"error " + std::to_wstring(error);
    if (text != nullptr) {
        std::wstring message = text;
        LocalFree(text);
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                    message.back() == L' ' || message.back() == L'.')) {
            message.pop_back();
        }
        if (!message.empty()) out += L": " + message;
    }
    return out;
}

bool ReadWholeFile(const std::wstring& path, std::string& content, DWORD& error) {
    oemui::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    content.clear();
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        content.append(buffer, got);
    }
    error = ERROR_SUCCESS;
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& content) {
    oemui::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
}

std::wstring PrinterDriverDirectory() {
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                    sizeof(dir), &needed)) {
        return {};
    }
    return dir;
}

std::wstring PrinterDriverDirectory3() {
    const std::wstring dir = PrinterDriverDirectory();
    return dir.empty() ? dir : dir + L"\\3";
}

const std::vector<SampleFileName>& SampleDependentFileNames() {
    static const std::vector<SampleFileName> names = {
        {L"vrlab.cap", false},
        {L"vroemui.ini", false},
        {L"vrlab.ver", false},
        {L"vrgamma.ini", false},    // "HALFTONE" of the plug-in INI file
        {L"vrwmfont.ini", false},   // "WMFONT"
        {L"vrlabccm.ini", false},   // "CCMInfoFile" of the model
        {L"vrcrypt.dll", true},     // "CryptoDll"
        {L"vrlinkres.dll", true},   // "AskVaroRES"
        {L"vrjobinf.dll", true},    // "JobInfoDLL"
        {L"vrcolorap.exe", true},   // "COLORAPEXE"
        {L"vrnetext.dll", true},    // "NetExtDLL"
        {L"vrusbext.dll", true},    // "USBExtDLL"
    };
    return names;
}

std::wstring InstallDriverPackage(const DriverPackage& package) {
    const std::wstring staging = PrinterDriverDirectory();
    if (staging.empty()) {
        return L"cannot find the printer-driver directory (" + ErrorText(GetLastError()) + L")";
    }
    std::wstring failure;
    auto stage = [&](const std::wstring& name, const std::string& content) {
        const std::wstring target = staging + L"\\" + name;
        if (!WriteWholeFile(target, content) && failure.empty()) {
            failure = L"cannot write " + target + L" (" + ErrorText(GetLastError()) + L")";
        }
        return target;
    };
    const std::wstring driverPath = stage(package.driverFile, "core driver placeholder");
    const std::wstring configPath = stage(package.configFile, "core driver placeholder");
    const std::wstring dataPath = stage(package.dataFile, package.dataContent);
    std::wstring dependents;
    for (const DriverFile& file : package.dependentFiles) {
        dependents += stage(file.name, file.content);
        dependents.push_back(L'\0');
    }
    dependents.push_back(L'\0');
    if (!failure.empty()) return failure;

    // The spooler refuses to add a driver that exists: replace an earlier installation.
    DeletePrinterDriverExW(nullptr, nullptr, const_cast<wchar_t*>(package.name.c_str()), 0, 0);

    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(package.name.c_str());
    info.pDriverPath = const_cast<wchar_t*>(driverPath.c_str());
    info.pDataFile = const_cast<wchar_t*>(dataPath.c_str());
    info.pConfigFile = const_cast<wchar_t*>(configPath.c_str());
    info.pDependentFiles = dependents.data();
    info.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES)) {
        return L"cannot install the driver \"" + package.name + L"\" (" +
               ErrorText(GetLastError()) + L")";
    }
    return {};
}

std::wstring InstallPrinter(const std::wstring& printerName, const std::wstring& driverName) {
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE existing = nullptr;
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
    oemui::UniquePrinter created(AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    if (!created) {
        return L"cannot create the printer \"" + printerName + L"\" (" +
               ErrorText(GetLastError()) + L")";
    }
    return {};
}

}  // namespace host
