// The host program's command line, its checks of the plug-in DLL and of the sample model, and
// the installation of the sample model as a driver and printer through the spooler.
#include "host/demo.h"

#include <winspool.h>

#include <cwchar>
#include <fstream>
#include <sstream>

#include "host/inf.h"
#include "host/install.h"
#include "host/ppd.h"
#include "base/handles.h"

namespace host::demo {

namespace {

std::wstring ProfileString(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t value[522] = {};
    GetPrivateProfileStringW(section, key, L"", value, 522, path.c_str());
    return value;
}

// A check of one configuration file: empty when usable, else what is wrong with it.
using FileCheck = std::wstring (*)(const std::wstring& path, const std::string& content,
                                   const SampleModel& model);

std::wstring CheckCapability(const std::wstring& path, const std::string&,
                             const SampleModel& model) {
    const std::wstring section = ProfileString(path, L"Capability", model.driver);
    if (section.empty()) {
        return std::wstring(L"section \"Capability\" names no model section for the driver \"") +
               model.driver + L"\"";
    }
    wchar_t keys[64] = {};
    if (GetPrivateProfileSectionW(section.c_str(), keys, 64, path.c_str()) == 0) {
        return L"the model section \"" + section + L"\" is missing or empty";
    }
    return {};
}

std::wstring CheckPluginIni(const std::wstring& path, const std::string&, const SampleModel&) {
    if (ProfileString(path, L"OEMFiles", L"OEMConfigFile1").empty()) {
        return L"section \"OEMFiles\" has no \"OEMConfigFile1\"";
    }
    return {};
}

std::wstring CheckVersion(const std::wstring& path, const std::string&, const SampleModel&) {
    wchar_t keys[64] = {};
    if (GetPrivateProfileSectionW(L"Version", keys, 64, path.c_str()) == 0) {
        return L"section \"Version\" is missing or empty";
    }
    return {};
}

std::wstring CheckGamma(const std::wstring& path, const std::string&, const SampleModel&) {
    const UINT count = GetPrivateProfileIntW(L"PSGamma", L"SettingNum", 0, path.c_str());
    if (count == 0) return L"section \"PSGamma\" has no \"SettingNum\"";
    for (UINT i = 0; i < count; ++i) {
        const std::wstring idKey = L"SettingID" + std::to_wstring(i);
        const UINT id = GetPrivateProfileIntW(L"PSGamma", idKey.c_str(), 0, path.c_str());
        const std::wstring nameKey = L"SettingName" + std::to_wstring(id);
        if (ProfileString(path, L"PSGamma", nameKey.c_str()).empty()) {
            return L"\"" + idKey + L"\" names setting " + std::to_wstring(id) + L" without a \"" +
                   nameKey + L"\"";
        }
    }
    return {};
}

std::wstring CheckFontList(const std::wstring& path, const std::string&, const SampleModel&) {
    const UINT def = GetPrivateProfileIntW(L"PrinterFont", L"DefaultNo", 0, path.c_str());
    if (def == 0) return L"section \"PrinterFont\" has no \"DefaultNo\"";
    UINT entries = 0;
    while (!ProfileString(path, L"PrinterFont", std::to_wstring(entries + 1).c_str()).empty()) {
        ++entries;
    }
    if (entries == 0) return L"section \"PrinterFont\" lists no font (keys \"1\", \"2\", ...)";
    if (def > entries) {
        return L"\"DefaultNo\" is " + std::to_wstring(def) + L" but only " +
               std::to_wstring(entries) + L" fonts are listed";
    }
    return {};
}

bool IsHexText(const std::wstring& s) {
    if (s.empty() || s.size() % 2 != 0) return false;
    for (wchar_t c : s) {
        if (!iswxdigit(c)) return false;
    }
    return true;
}

std::wstring CheckColorMatching(const std::wstring& path, const std::string&, const SampleModel&) {
    for (const wchar_t* section : {L"Color", L"Gamma"}) {
        wchar_t names[2048] = {};
        if (GetPrivateProfileStringW(section, nullptr, L"", names, 2048, path.c_str()) == 0) {
            return std::wstring(L"section \"") + section + L"\" is missing or empty";
        }
        for (const wchar_t* key = names; *key != L'\0'; key += wcslen(key) + 1) {
            if (_wcsnicmp(key, L"CCMN", 4) != 0) continue;  // the setting list is checked below
            if (!IsHexText(ProfileString(path, section, key))) {
                return std::wstring(L"\"") + key + L"\" of section \"" + section +
                       L"\" is not an even-length hexadecimal byte string";
            }
        }
        // Every listed setting has its name and its table.
        const UINT count = GetPrivateProfileIntW(section, L"SettingNum", 0, path.c_str());
        for (UINT i = 0; i < count; ++i) {
            const std::wstring idKey = L"SettingID" + std::to_wstring(i);
            const UINT id = GetPrivateProfileIntW(section, idKey.c_str(), 0, path.c_str());
            for (const wchar_t* prefix : {L"SettingName", L"CCMNT"}) {
                const std::wstring key = prefix + std::to_wstring(id);
                if (ProfileString(path, section, key.c_str()).empty()) {
                    return std::wstring(L"setting ") + std::to_wstring(id) + L" of section \"" +
                           section + L"\" has no \"" + key + L"\"";
                }
            }
        }
    }
    return {};
}

std::wstring CheckPpd(const std::wstring&, const std::string& content, const SampleModel&) {
    const PpdFile ppd = ParsePpd(content);
    if (ppd.formatVersion.empty()) return L"not a PPD file (no *PPD-Adobe line)";
    if (ppd.features.empty()) return L"the PPD declares no features (*OpenUI)";
    if (ppd.FindFeature("PageSize") < 0) return L"the PPD has no PageSize feature";
    return {};
}

std::wstring CheckLibrary(const std::wstring& path, const std::string& content,
                          const SampleModel&) {
    if (content.size() < 2 || content[0] != 'M' || content[1] != 'Z') {
        return L"not a Windows DLL";
    }
    (void)path;
    return {};
}

std::wstring CheckProgram(const std::wstring&, const std::string& content, const SampleModel&) {
    if (content.size() < 2 || content[0] != 'M' || content[1] != 'Z') {
        return L"not a Windows program";
    }
    return {};
}

// The check of each package file: by name for the configuration files, by kind otherwise.
FileCheck CheckFor(const std::wstring& name) {
    static const std::pair<const wchar_t*, FileCheck> kChecks[] = {
        {kCapabilityFileName, &CheckCapability}, {kPluginIniName, &CheckPluginIni},
        {kVersionFileName, &CheckVersion},       {L"vrgamma.ini", &CheckGamma},
        {L"vrwmfont.ini", &CheckFontList},       {L"vrlabccm.ini", &CheckColorMatching},
    };
    for (const auto& [file, check] : kChecks) {
        if (CompareStringOrdinal(file, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return check;
    }
    const size_t dot = name.find_last_of(L'.');
    const std::wstring ext = dot == std::wstring::npos ? L"" : name.substr(dot);
    auto is = [&](const wchar_t* e) {
        return CompareStringOrdinal(ext.c_str(), -1, e, -1, TRUE) == CSTR_EQUAL;
    };
    if (is(L".dll")) return &CheckLibrary;
    if (is(L".exe")) return &CheckProgram;
    if (is(L".ppd")) return &CheckPpd;
    return nullptr;
}

std::wstring ProgramFolder() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD len = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, len);
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path;
}

bool ParseCount(const std::wstring& text, int& value) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + (c - L'0');
    }
    if (v < 1) return false;
    value = v;
    return true;
}

}  // namespace

const wchar_t* UsageText() {
    return L"usage: oemui-host [document|printer|print] [options]\n"
           L"  document            Document Properties: the plug-in's pages and the core\n"
           L"                      driver's remaining items (default)\n"
           L"  printer             Printer Properties: installable options\n"
           L"  print               a simulated print job's document events\n"
           L"  --screenshots DIR   walk every page and dialog, save PNGs and report.txt in DIR\n"
           L"  --report FILE       write the report to FILE\n"
           L"  --walk              walk the sheet and report without screenshots\n"
           L"  --step ITEM         step a core item on the driver's page (repeatable)\n"
           L"  --no-apply          leave the scripted sheet with Cancel instead of Apply + OK\n"
           L"  --mono              use the monochrome sample model\n"
           L"  --bench [RUNS]      time loading to pages initialised, and reopening the sheet\n"
           L"  --dll PATH          load this plug-in DLL (development) instead of the one the\n"
           L"                      driver's plug-in INI file names in the driver directory\n"
           L"  --sample DIR        the sample model folder\n"
           L"  --bin DIR           folder of the model's library stand-ins\n";
}

bool ParseArguments(const std::vector<std::wstring>& args, Options& options, std::wstring& error) {
    bool modeSeen = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        auto value = [&](std::wstring& out) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = arg + L" needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        if (arg == L"document" || arg == L"printer" || arg == L"print") {
            if (modeSeen) {
                error = L"more than one mode given";
                return false;
            }
            modeSeen = true;
            options.mode = arg == L"document"  ? Mode::Document
                           : arg == L"printer" ? Mode::Printer
                                               : Mode::Print;
        } else if (arg == L"--screenshots") {
            if (!value(options.screenshotDir)) return false;
        } else if (arg == L"--report") {
            if (!value(options.reportPath)) return false;
        } else if (arg == L"--step") {
            std::wstring item;
            if (!value(item)) return false;
            options.steps.push_back(item);
        } else if (arg == L"--walk") {
            options.walk = true;
        } else if (arg == L"--no-apply") {
            options.apply = false;
        } else if (arg == L"--mono") {
            options.mono = true;
        } else if (arg == L"--bench") {
            options.bench = true;
            if (i + 1 < args.size() && ParseCount(args[i + 1], options.benchRuns)) ++i;
        } else if (arg == L"--dll") {
            if (!value(options.dllPath)) return false;
        } else if (arg == L"--sample") {
            if (!value(options.sampleDir)) return false;
        } else if (arg == L"--bin") {
            if (!value(options.binDir)) return false;
        } else {
            error = L"unknown argument " + arg;
            return false;
        }
    }
    if (options.bench && options.mode == Mode::Print) {
        error = L"--bench times the document sheet; it takes no print mode";
        return false;
    }
    return true;
}

const SampleModel& ModelFor(bool mono) {
    static const SampleModel kColor = {L"Lab Color PS", L"Lab:Color/1", L"labcolor.ppd",
                                       L"LABCOLOR.PPD"};
    static const SampleModel kMono = {L"Lab Mono PS", L"Lab Mono 1", L"labmono.ppd",
                                      L"LABMONO.PPD"};
    return mono ? kMono : kColor;
}

std::wstring SampleInfPath() { return ProgramFolder() + L"\\" + kSampleInfName; }

std::wstring CheckPluginDll(const std::wstring& path) {
    if (path.empty()) return L"no plug-in DLL given";
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return L"cannot find the plug-in DLL " + path + L" (" + ErrorText(GetLastError()) + L")";
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return L"the plug-in DLL " + path + L" is a folder";
    }
    std::string content;
    DWORD error = 0;
    if (!ReadWholeFile(path, content, error)) {
        return L"cannot read the plug-in DLL " + path + L" (" + ErrorText(error) + L")";
    }
    oemui::UniqueModule module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        return L"cannot load the plug-in DLL " + path + L" (" + ErrorText(GetLastError()) + L")";
    }
    const bool hasClassObject = GetProcAddress(module.get(), "DllGetClassObject") != nullptr;
    const bool hasCanUnload = GetProcAddress(module.get(), "DllCanUnloadNow") != nullptr;
    if (!hasClassObject || !hasCanUnload) {
        std::wstring missing = !hasClassObject && !hasCanUnload
                                   ? L"DllGetClassObject and DllCanUnloadNow"
                               : !hasClassObject ? L"DllGetClassObject"
                                                 : L"DllCanUnloadNow";
        return L"the DLL " + path + L" is not a driver plug-in: it does not export " + missing;
    }
    return {};
}

std::wstring CheckSampleModel(const std::wstring& sampleDir, const std::wstring& binDir,
                              bool mono) {
    const SampleModel& model = ModelFor(mono);
    const std::wstring infPath = SampleInfPath();
    std::wstring problem;
    const InfFile inf = ReadInf(infPath, problem);
    if (!problem.empty()) return problem;
    InfModel found;
    problem = ReadInfModel(inf, model.driver, InfArchitecture(), found);
    if (!problem.empty()) return infPath + L": " + problem;
    DWORD error = 0;
    for (const InfCopiedFile& file : found.files) {
        const std::wstring path = LocateSampleSource(sampleDir, binDir, file.source);
        std::string content;
        if (!ReadWholeFile(path, content, error)) {
            return L"sample file " + path + L": cannot read it (" + ErrorText(error) + L")";
        }
        if (content.empty()) return L"sample file " + path + L": it is empty";
        const FileCheck check = CheckFor(file.target);
        const std::wstring broken = check == nullptr ? std::wstring() : check(path, content, model);
        if (!broken.empty()) return L"sample file " + path + L": " + broken;
    }
    // The stand-ins of the model's own libraries, which the install adds after the INF's files.
    for (const wchar_t* name : kSampleStandIns) {
        const std::wstring path = binDir + L"\\" + name;
        std::string content;
        if (!ReadWholeFile(path, content, error)) {
            return L"stand-in " + path + L": cannot read it (" + ErrorText(error) + L")";
        }
        const std::wstring broken = CheckFor(name)(path, content, model);
        if (!broken.empty()) return L"stand-in " + path + L": " + broken;
    }
    return {};
}

std::wstring DriverDirectory3() { return PrinterDriverDirectory3(); }

std::wstring InstallSampleModel(const std::wstring& sampleDir, const std::wstring& binDir,
                                bool mono) {
    const SampleModel& model = ModelFor(mono);
    DriverPackage package;
    std::wstring failure = ReadDriverPackageFromInf(
        SampleInfPath(), model.driver,
        [&](const std::wstring& source) { return LocateSampleSource(sampleDir, binDir, source); },
        package);
    if (failure.empty()) failure = AddSampleStandIns(binDir, package);
    if (!failure.empty()) return failure;
    // The printer holds the driver: it goes first, then the driver is replaced and the printer
    // created again.
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE existing = nullptr;
    if (OpenPrinterW(const_cast<wchar_t*>(model.printer), &existing, &access)) {
        DeletePrinter(existing);
        ClosePrinter(existing);
    }
    failure = InstallDriverPackage(package);
    if (!failure.empty()) return failure;
    return InstallPrinter(model.printer, model.driver);
}

}  // namespace host::demo
