#include "host/install.h"

#include <winspool.h>

#include <cwchar>

#include "host/inf.h"
#include "base/handles.h"

namespace host {

std::wstring ErrorText(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
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
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir),
                                    &needed)) {
        return {};
    }
    return dir;
}

std::wstring PrinterDriverDirectory3() {
    const std::wstring dir = PrinterDriverDirectory();
    return dir.empty() ? dir : dir + L"\\3";
}

std::wstring LocateSampleSource(const std::wstring& sampleDir, const std::wstring& binDir,
                                const std::wstring& source) {
    const size_t slash = source.find_last_of(L'\\');
    if (slash == std::wstring::npos) return sampleDir + L"\\" + source;
    return binDir + L"\\" + source.substr(slash + 1);
}

std::wstring ReadDriverPackageFromInf(
    const std::wstring& infPath, const std::wstring& model,
    const std::function<std::wstring(const std::wstring&)>& locate, DriverPackage& package) {
    std::wstring problem;
    const InfFile inf = ReadInf(infPath, problem);
    if (!problem.empty()) return problem;
    InfModel found;
    problem = ReadInfModel(inf, model, InfArchitecture(), found);
    if (!problem.empty()) return infPath + L": " + problem;
    DWORD error = 0;
    // The core driver's sections (CoreDriverSections, or Include/Needs of an INF that is not
    // package-aware) install the PostScript core's modules from the system's core package.
    // Wine has no such package and does not follow Include/Needs on install: ReadInfModel has
    // checked that the model names the PostScript core, and the stand-in's modules
    // (DriverPackage::driverFile, configFile) take the core's place.
    package.name = model;
    package.dataFile = found.dataFile;
    package.dependentFiles.clear();
    for (const InfCopiedFile& file : found.files) {
        const std::wstring path = locate(file.source);
        std::string content;
        if (!ReadWholeFile(path, content, error)) {
            return L"cannot read " + path + L", named by the INF as " + file.target + L" (" +
                   ErrorText(error) + L")";
        }
        if (CompareStringOrdinal(file.target.c_str(), -1, found.dataFile.c_str(), -1, TRUE) ==
            CSTR_EQUAL) {
            package.dataContent = std::move(content);
        } else {
            package.dependentFiles.push_back({file.target, std::move(content)});
        }
    }
    return {};
}

std::wstring AddSampleStandIns(const std::wstring& binDir, DriverPackage& package) {
    for (const wchar_t* name : kSampleStandIns) {
        const std::wstring path = binDir + L"\\" + name;
        std::string content;
        DWORD error = 0;
        if (!ReadWholeFile(path, content, error)) {
            return L"cannot read the stand-in " + path + L" (" + ErrorText(error) + L")";
        }
        package.dependentFiles.push_back({name, std::move(content)});
    }
    return {};
}

std::wstring FindPluginDllOfPrinter(const std::wstring& printerName, std::wstring& dllPath) {
    dllPath.clear();
    oemui::UniquePrinter printer;
    {
        HANDLE opened = nullptr;
        if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &opened, nullptr)) {
            return L"cannot open the printer \"" + printerName + L"\" (" +
                   ErrorText(GetLastError()) + L")";
        }
        printer.reset(opened);
    }
    DWORD needed = 0;
    GetPrinterDriverW(printer.get(), nullptr, 3, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 ||
        !GetPrinterDriverW(printer.get(), nullptr, 3, buffer.data(), needed, &needed)) {
        return L"cannot read the driver of \"" + printerName + L"\" (" + ErrorText(GetLastError()) +
               L")";
    }
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    std::wstring iniPath;
    std::wstring dllName;
    for (const wchar_t* name = info->pDependentFiles; name != nullptr && *name != L'\0';
         name += wcslen(name) + 1) {
        const size_t len = wcslen(name);
        if (len < 4 || CompareStringOrdinal(name + len - 4, 4, L".ini", 4, TRUE) != CSTR_EQUAL) {
            continue;
        }
        wchar_t value[MAX_PATH] = {};
        GetPrivateProfileStringW(L"OEMFiles", L"OEMConfigFile1", L"", value, MAX_PATH, name);
        if (value[0] != L'\0') {
            iniPath = name;
            dllName = value;
        }
    }
    if (iniPath.empty()) {
        return L"the driver of \"" + printerName +
               L"\" has no plug-in INI file (no \".ini\" dependent file with \"OEMConfigFile1\" "
               L"in [OEMFiles])";
    }
    if (dllName.find_first_of(L"\\/:") != std::wstring::npos) {
        return iniPath + L" names \"" + dllName +
               L"\" in \"OEMConfigFile1\": a file name without a folder is expected";
    }
    std::wstring dir = info->pConfigFile != nullptr ? info->pConfigFile : L"";
    const size_t slash = dir.find_last_of(L'\\');
    dir.resize(slash == std::wstring::npos ? 0 : slash);
    const std::wstring path = dir + L"\\" + dllName;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return iniPath + L" names the plug-in \"" + dllName + L"\" in \"OEMConfigFile1\", but " +
               path + L" does not exist: the driver package does not install it";
    }
    dllPath = path;
    return {};
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
        return L"cannot create the printer \"" + printerName + L"\" (" + ErrorText(GetLastError()) +
               L")";
    }
    return {};
}

}  // namespace host
