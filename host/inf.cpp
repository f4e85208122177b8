#include "host/inf.h"

#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <set>

#include "host/install.h"
#include "resource.h"
#include "base/handles.h"

namespace host {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && iswspace(s[b])) ++b;
    while (e > b && iswspace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

struct InfTraits {
    using Handle = HINF;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { SetupCloseInfFile(h); }
};
using UniqueInf = oemui::UniqueHandle<InfTraits>;

// Field `index` of an INF line (0: its key), strings substituted; false when it has none.
bool Field(INFCONTEXT& context, DWORD index, std::wstring& out) {
    DWORD needed = 0;
    if (!SetupGetStringFieldW(&context, index, nullptr, 0, &needed) || needed == 0) return false;
    out.assign(needed, L'\0');
    if (!SetupGetStringFieldW(&context, index, out.data(), needed, &needed)) return false;
    out.resize(needed > 0 ? needed - 1 : 0);
    return true;
}

// Every section of an open INF with its lines, in the order the system's functions give them.
InfFile ReadSections(HINF handle) {
    InfFile inf;
    for (UINT index = 0;; ++index) {
        UINT needed = 0;
        if (!SetupEnumInfSectionsW(handle, index, nullptr, 0, &needed) || needed == 0) break;
        std::wstring name(needed, L'\0');
        if (!SetupEnumInfSectionsW(handle, index, name.data(), needed, &needed)) break;
        name.resize(needed > 0 ? needed - 1 : 0);
        InfSection section{name, {}};
        INFCONTEXT context;
        for (BOOL more = SetupFindFirstLineW(handle, name.c_str(), nullptr, &context); more;
             more = SetupFindNextLine(&context, &context)) {
            InfLine line;
            Field(context, 0, line.key);  // a line without '=' has no key
            const DWORD count = SetupGetFieldCount(&context);
            for (DWORD f = 1; f <= count; ++f) {
                std::wstring value;
                Field(context, f, value);
                line.values.push_back(Trim(value));
            }
            section.lines.push_back(std::move(line));
        }
        inf.sections.push_back(std::move(section));
    }
    return inf;
}

// Where a file of the package lies, from [SourceDisksFiles.<arch>] or [SourceDisksFiles]. Read
// from the sections themselves: the system's SetupGetSourceFileLocationW looks only at this
// machine's decoration (the package check reads every architecture's), and Wine 8's file
// queues drop the subdirectory field of [SourceDisksFiles.<arch>].
std::wstring SourcePath(const InfFile& inf, const std::wstring& file, const std::wstring& arch) {
    for (const std::wstring& section :
         {L"SourceDisksFiles." + arch, std::wstring(L"SourceDisksFiles")}) {
        const InfSection* s = inf.Find(section);
        if (s == nullptr) continue;
        for (const InfLine& line : s->lines) {
            if (!SameText(line.key, file)) continue;
            const std::wstring sub = line.values.size() > 1 ? line.values[1] : std::wstring();
            return sub.empty() ? file : sub + L"\\" + file;
        }
    }
    return {};
}

}  // namespace

const InfSection* InfFile::Find(const std::wstring& name) const {
    for (const InfSection& s : sections) {
        if (SameText(s.name, name)) return &s;
    }
    return nullptr;
}

std::wstring InfFile::Value(const std::wstring& section, const std::wstring& key) const {
    const InfSection* s = Find(section);
    if (s == nullptr) return {};
    for (const InfLine& line : s->lines) {
        if (SameText(line.key, key) && !line.values.empty()) return line.values[0];
    }
    return {};
}

InfFile ReadInf(const std::wstring& path, std::wstring& problem) {
    problem.clear();
    UINT errorLine = 0;
    UniqueInf handle(SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine));
    if (!handle) {
        const DWORD error = GetLastError();
        problem = L"cannot read the INF " + path + L" (" + ErrorText(error) +
                  (errorLine != 0 ? L", line " + std::to_wstring(errorLine) : std::wstring()) +
                  L")";
        return {};
    }
    // The layout files [Version] names (LayoutFile) hold source-disk sections of their own; an
    // INF without them reads alone.
    SetupOpenAppendInfFileW(nullptr, handle.get(), nullptr);
    return ReadSections(handle.get());
}

InfFile ParseInf(const std::string& bytes) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    if (GetTempFileNameW(folder, L"inf", 0, path) == 0) return {};
    InfFile inf;
    if (WriteWholeFile(path, bytes)) {
        std::wstring problem;
        inf = ReadInf(path, problem);
    }
    DeleteFileW(path);
    return inf;
}

const wchar_t* InfArchitecture() { return sizeof(void*) == 8 ? L"amd64" : L"x86"; }

namespace {

// The models section names of [Manufacturer] decorated for `arch`.
std::vector<std::wstring> ModelSections(const InfFile& inf, const std::wstring& arch) {
    std::vector<std::wstring> out;
    const InfSection* manufacturer = inf.Find(L"Manufacturer");
    if (manufacturer == nullptr) return out;
    for (const InfLine& line : manufacturer->lines) {
        if (line.values.empty()) continue;
        for (size_t i = 1; i < line.values.size(); ++i) {
            // "NTamd64" or "NTamd64.6.0": the decoration names the architecture first.
            const std::wstring decoration = Lower(line.values[i]);
            if (decoration.rfind(L"nt" + Lower(arch), 0) == 0) {
                out.push_back(line.values[0] + L"." + line.values[i]);
            }
        }
    }
    return out;
}

// Splits a comma-separated list held in one field ("{GUID},PSCRIPT.OEM,PSCRIPT_DATA").
std::vector<std::wstring> SplitList(const std::wstring& text) {
    std::vector<std::wstring> out;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t comma = text.find(L',', begin);
        if (comma == std::wstring::npos) comma = text.size();
        const std::wstring part = Trim(text.substr(begin, comma - begin));
        if (!part.empty()) out.push_back(part);
        begin = comma + 1;
    }
    return out;
}

// The core driver's sections every model of this plug-in needs: PSCRIPT.OEM installs the
// PostScript core's modules, PSCRIPT_DATA gives the driver its data section.
constexpr const wchar_t* kRequiredCoreSections[] = {L"PSCRIPT.OEM", L"PSCRIPT_DATA"};

// The CoreDriverDependencies of [PrinterPackageInstallation.<arch>], one GUID each.
std::vector<std::wstring> CoreDependencies(const InfFile& inf, const std::wstring& arch) {
    std::vector<std::wstring> out;
    const InfSection* package = inf.Find(L"PrinterPackageInstallation." + arch);
    if (package == nullptr) return out;
    for (const InfLine& line : package->lines) {
        if (!SameText(line.key, L"CoreDriverDependencies")) continue;
        for (const std::wstring& value : line.values) {
            for (const std::wstring& guid : SplitList(value)) out.push_back(guid);
        }
    }
    return out;
}

// Reads CoreDriverSections of the model's install section and checks it against the package
// installation section. Empty when the model's core driver is the PostScript core, else the
// problem.
std::wstring ReadCoreDrivers(const InfFile& inf, const InfSection& install,
                             const std::wstring& arch, InfModel& model) {
    model.packageAware =
        SameText(inf.Value(L"PrinterPackageInstallation." + arch, L"PackageAware"), L"TRUE");
    bool systemInf = false;
    for (const InfLine& line : install.lines) {
        if (SameText(line.key, L"Include") || SameText(line.key, L"Needs")) systemInf = true;
        if (!SameText(line.key, L"CoreDriverSections")) continue;
        // Each field is one core driver: its GUID, then the sections used from it.
        for (const std::wstring& value : line.values) {
            std::vector<std::wstring> parts = SplitList(value);
            if (parts.empty()) continue;
            InfCoreDriver core;
            core.guid = parts[0];
            core.sections.assign(parts.begin() + 1, parts.end());
            model.coreDrivers.push_back(std::move(core));
        }
    }
    const std::wstring where = L"[" + model.installSection + L"]";
    if (model.packageAware && model.coreDrivers.empty()) {
        return where +
               L" has no CoreDriverSections: a package-aware driver names the core "
               L"driver's sections through its core GUID (" +
               std::wstring(kPostScriptCoreGuid) + L")";
    }
    if (model.packageAware && systemInf) {
        return where +
               L" uses Include/Needs: a package-aware driver refers to the core driver "
               L"through CoreDriverSections, not the system's printer INF";
    }
    const std::vector<std::wstring> dependencies = CoreDependencies(inf, arch);
    for (const InfCoreDriver& core : model.coreDrivers) {
        if (!SameText(core.guid, kPostScriptCoreGuid)) {
            return where + L" names the core driver " + core.guid +
                   L" in CoreDriverSections; the plug-in runs under the PostScript core " +
                   kPostScriptCoreGuid;
        }
        for (const wchar_t* required : kRequiredCoreSections) {
            if (std::none_of(core.sections.begin(), core.sections.end(),
                             [&](const std::wstring& s) { return SameText(s, required); })) {
                return where + L" CoreDriverSections lacks the core driver's section " + required;
            }
        }
        if (model.packageAware &&
            std::none_of(dependencies.begin(), dependencies.end(),
                         [&](const std::wstring& g) { return SameText(g, core.guid); })) {
            return where + L" uses the core driver " + core.guid +
                   L", which CoreDriverDependencies of [PrinterPackageInstallation." + arch +
                   L"] does not list";
        }
    }
    return {};
}

}  // namespace

std::vector<std::wstring> InfModelNames(const InfFile& inf, const std::wstring& arch) {
    std::vector<std::wstring> names;
    for (const std::wstring& name : ModelSections(inf, arch)) {
        const InfSection* models = inf.Find(name);
        if (models == nullptr) continue;
        for (const InfLine& line : models->lines) {
            if (!line.key.empty()) names.push_back(line.key);
        }
    }
    return names;
}

std::wstring ReadInfModel(const InfFile& inf, const std::wstring& name, const std::wstring& arch,
                          InfModel& model) {
    model = InfModel{};
    model.name = name;
    const std::vector<std::wstring> sections = ModelSections(inf, arch);
    if (sections.empty()) return L"[Manufacturer] has no models section for " + arch;
    for (const std::wstring& section : sections) {
        const InfSection* models = inf.Find(section);
        if (models == nullptr) return L"the models section [" + section + L"] is missing";
        for (const InfLine& line : models->lines) {
            if (SameText(line.key, name) && !line.values.empty())
                model.installSection = line.values[0];
        }
    }
    if (model.installSection.empty()) {
        return L"no model \"" + name + L"\" for " + arch;
    }
    const InfSection* install = inf.Find(model.installSection);
    if (install == nullptr)
        return L"the install section [" + model.installSection + L"] is missing";
    model.dataFile = inf.Value(model.installSection, L"DataFile");
    if (model.dataFile.empty()) return L"[" + model.installSection + L"] has no DataFile";
    const std::wstring coreProblem = ReadCoreDrivers(inf, *install, arch, model);
    if (!coreProblem.empty()) return coreProblem;

    auto add = [&](const std::wstring& target, const std::wstring& sourceName) {
        const std::wstring source = SourcePath(inf, sourceName, arch);
        if (source.empty()) {
            return L"\"" + sourceName +
                   L"\" is not listed in [SourceDisksFiles] or [SourceDisksFiles." + arch + L"]";
        }
        model.files.push_back({target, source});
        return std::wstring();
    };
    for (const InfLine& line : install->lines) {
        if (!SameText(line.key, L"CopyFiles")) continue;
        for (const std::wstring& entry : line.values) {
            if (entry.empty()) continue;
            if (entry[0] == L'@') {
                const std::wstring problem = add(entry.substr(1), entry.substr(1));
                if (!problem.empty()) return problem;
                continue;
            }
            const InfSection* list = inf.Find(entry);
            if (list == nullptr) return L"the CopyFiles section [" + entry + L"] is missing";
            for (const InfLine& file : list->lines) {
                if (file.values.empty() || file.values[0].empty()) continue;
                const std::wstring& target = file.values[0];
                const std::wstring source =
                    file.values.size() > 1 && !file.values[1].empty() ? file.values[1] : target;
                const std::wstring problem = add(target, source);
                if (!problem.empty()) return problem;
            }
        }
    }
    const bool dataCopied =
        std::any_of(model.files.begin(), model.files.end(),
                    [&](const InfCopiedFile& f) { return SameText(f.target, model.dataFile); });
    if (!dataCopied)
        return L"DataFile " + model.dataFile + L" is not copied by [" + model.installSection + L"]";
    return {};
}

WORD PeMachine(const std::string& content) {
    if (content.size() < 0x40 || content[0] != 'M' || content[1] != 'Z') return 0;
    DWORD offset = 0;
    memcpy(&offset, content.data() + 0x3C, sizeof(offset));
    if (offset > content.size() - 6 || content.compare(offset, 4, std::string("PE\0\0", 4)) != 0) {
        return 0;
    }
    WORD machine = 0;
    memcpy(&machine, content.data() + offset + 4, sizeof(machine));
    return machine;
}

namespace {

// Keys of the model's configuration that name a file of the driver directory. A file whose
// entry gives a reason may be missing from a package: the plug-in goes on without it, and the
// sample package leaves these to the maker (the tests install stand-ins of their own).
enum class ConfigFile { Capability, PluginIni };
struct NamedFileKey {
    ConfigFile file;
    const wchar_t* section;  // nullptr: the model's section of the capability file
    const wchar_t* key;
    const wchar_t* optional;  // nullptr: the package must install the file
};
constexpr NamedFileKey kNamedFileKeys[] = {
    {ConfigFile::PluginIni, L"OEMFiles", L"OEMConfigFile1", nullptr},
    {ConfigFile::PluginIni, L"DependentFiles", L"HALFTONE", nullptr},
    {ConfigFile::PluginIni, L"DependentFiles", L"WMFONT", nullptr},
    {ConfigFile::Capability, nullptr, L"CCMInfoFile", nullptr},
    {ConfigFile::PluginIni, L"DependentFiles", L"HELP",
     L"the maker's help file: without it the help buttons and context help show nothing"},
    {ConfigFile::Capability, nullptr, L"JobInfoDLL",
     L"the maker's job-information library: without it print jobs carry no application name"},
    {ConfigFile::Capability, nullptr, L"COLORAPEXE",
     L"the maker's colour utility: without it none is started at job start"},
    {ConfigFile::Capability, nullptr, L"AskVaroRES",
     L"the maker's link-page resources: without them the link page is left out"},
    {ConfigFile::Capability, nullptr, L"CryptoDll",
     L"the maker's encryption library: without it encrypted jobs cannot be chosen"},
    {ConfigFile::Capability, nullptr, L"CARD_DLL",
     L"the maker's card-reader library: without it no card authentication is offered"},
    {ConfigFile::Capability, nullptr, L"NetExtDLL",
     L"the maker's network detection library: without it options are not detected over the "
     L"network"},
    {ConfigFile::Capability, nullptr, L"USBExtDLL",
     L"the maker's USB detection library: without it options are not detected over USB"},
    {ConfigFile::Capability, nullptr, L"USBExtDAT",
     L"data of the maker's USB detection library, which the library itself writes"},
};

std::wstring ProfileText(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(section, key, L"", value, MAX_PATH, path.c_str());
    return Trim(value);
}

bool EndsWith(const std::wstring& name, const wchar_t* suffix) {
    const size_t n = wcslen(suffix);
    return name.size() >= n && SameText(name.substr(name.size() - n), suffix);
}

}  // namespace

std::vector<std::wstring> CheckNamedFiles(const std::wstring& packageDir, const InfModel& model,
                                          const std::wstring& arch,
                                          std::vector<std::wstring>* leftOut) {
    std::vector<std::wstring> problems;
    // The configuration files as the plug-in finds them among the driver's files: the last
    // ".cap" file, the last ".ini" file that names the plug-in.
    std::wstring capability;
    std::wstring capabilityName;
    std::wstring pluginIni;
    std::wstring pluginIniName;
    for (const InfCopiedFile& f : model.files) {
        const std::wstring path = packageDir + L"\\" + f.source;
        if (EndsWith(f.target, L".cap")) {
            capability = path;
            capabilityName = f.target;
        } else if (EndsWith(f.target, L".ini") &&
                   !ProfileText(path, L"OEMFiles", L"OEMConfigFile1").empty()) {
            pluginIni = path;
            pluginIniName = f.target;
        }
    }
    const std::wstring who = model.name + L" (" + arch + L"): ";
    if (capability.empty()) problems.push_back(who + L"the INF copies no capability file (.cap)");
    if (pluginIni.empty()) {
        problems.push_back(who +
                           L"the INF copies no plug-in INI file (.ini naming OEMConfigFile1)");
    }
    const std::wstring modelSection =
        capability.empty() ? std::wstring()
                           : ProfileText(capability, L"Capability", model.name.c_str());
    if (!capability.empty() && modelSection.empty()) {
        problems.push_back(who + capabilityName + L" has no model section for \"" + model.name +
                           L"\" in [Capability]");
    }
    for (const NamedFileKey& entry : kNamedFileKeys) {
        const bool fromCapability = entry.file == ConfigFile::Capability;
        const std::wstring& path = fromCapability ? capability : pluginIni;
        const std::wstring section = entry.section != nullptr ? entry.section : modelSection;
        if (path.empty() || section.empty()) continue;
        const std::wstring named = ProfileText(path, section.c_str(), entry.key);
        if (named.empty()) continue;
        const bool copied =
            std::any_of(model.files.begin(), model.files.end(),
                        [&](const InfCopiedFile& f) { return SameText(f.target, named); });
        if (copied) continue;
        const std::wstring what = named + L", named by \"" + entry.key + L"\" of " +
                                  (fromCapability ? capabilityName : pluginIniName) + L" [" +
                                  section + L"], ";
        if (entry.optional == nullptr) {
            problems.push_back(who + what + L"is not installed by the INF");
        } else if (leftOut != nullptr) {
            leftOut->push_back(who + what + L"is left to the maker: " + entry.optional);
        }
    }

    // The plug-in names one file itself: the user-mode printer driver library its printer
    // event records for the spooler (string IDS_USER_MODE_LIBRARY), which is the maker's.
    const std::wstring pluginName =
        pluginIni.empty() ? std::wstring() : ProfileText(pluginIni, L"OEMFiles", L"OEMConfigFile1");
    for (const InfCopiedFile& f : model.files) {
        if (pluginName.empty() || !SameText(f.target, pluginName)) continue;
        oemui::UniqueModule plugin(
            LoadLibraryExW((packageDir + L"\\" + f.source).c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        wchar_t library[MAX_PATH] = {};
        if (!plugin || LoadStringW(plugin.get(), IDS_USER_MODE_LIBRARY, library, MAX_PATH) <= 0)
            continue;
        const bool copied =
            std::any_of(model.files.begin(), model.files.end(),
                        [&](const InfCopiedFile& c) { return SameText(c.target, library); });
        if (!copied && leftOut != nullptr) {
            leftOut->push_back(
                who + library + L", named by " + pluginName +
                L" as the user-mode printer driver library of its printer event, is left to the "
                L"maker: the maker's own library, which the sample package does "
                L"not have");
        }
    }
    return problems;
}

std::vector<std::wstring> CheckDriverPackage(const std::wstring& packageDir,
                                             const std::wstring& infName,
                                             std::vector<std::wstring>* leftOut) {
    std::vector<std::wstring> problems;
    std::wstring problem;
    const InfFile inf = ReadInf(packageDir + L"\\" + infName, problem);
    if (!problem.empty()) {
        problems.push_back(problem);
        return problems;
    }
    DWORD error = 0;
    std::set<std::wstring> named = {Lower(infName)};
    const std::wstring catalog = inf.Value(L"Version", L"CatalogFile");
    if (!catalog.empty()) named.insert(Lower(catalog));

    struct Arch {
        const wchar_t* name;
        WORD machine;
    };
    static constexpr Arch kArchs[] = {{L"x86", IMAGE_FILE_MACHINE_I386},
                                      {L"amd64", IMAGE_FILE_MACHINE_AMD64}};
    int present = 0;
    for (const Arch& arch : kArchs) {
        const std::wstring folder = packageDir + L"\\" + arch.name;
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        ++present;
        for (const std::wstring& guid : CoreDependencies(inf, arch.name)) {
            if (!SameText(guid, kPostScriptCoreGuid)) {
                problems.push_back(L"[PrinterPackageInstallation." + std::wstring(arch.name) +
                                   L"] names the core driver " + guid +
                                   L" in CoreDriverDependencies; the plug-in runs under the "
                                   L"PostScript core " +
                                   kPostScriptCoreGuid);
            }
        }
        for (const std::wstring& modelName : InfModelNames(inf, arch.name)) {
            InfModel model;
            const std::wstring problem = ReadInfModel(inf, modelName, arch.name, model);
            if (!problem.empty()) {
                problems.push_back(modelName + L": " + problem);
                continue;
            }
            for (const std::wstring& p : CheckNamedFiles(packageDir, model, arch.name, leftOut))
                problems.push_back(p);
            for (const InfCopiedFile& file : model.files) {
                named.insert(Lower(file.source));
                std::string content;
                if (!ReadWholeFile(packageDir + L"\\" + file.source, content, error)) {
                    problems.push_back(modelName + L" (" + arch.name + L"): " + file.source +
                                       L" is named by the INF but missing from the package");
                    continue;
                }
                const size_t slash = file.source.find(L'\\');
                const WORD machine = PeMachine(content);
                if (slash != std::wstring::npos && machine != arch.machine) {
                    wchar_t hex[16] = {};
                    swprintf(hex, 16, L"0x%04X", machine);
                    problems.push_back(file.source + L" has machine type " + hex + L", not the " +
                                       arch.name + L" one");
                }
            }
        }
    }
    if (present == 0) problems.push_back(L"the package has neither an x86 nor an amd64 folder");

    // Every file of the package must be one the INF names.
    std::vector<std::wstring> pending = {L""};
    while (!pending.empty()) {
        const std::wstring sub = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW found;
        const std::wstring dir = sub.empty() ? packageDir : packageDir + L"\\" + sub;
        HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring relative = sub.empty() ? name : sub + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                pending.push_back(relative);
            } else if (named.count(Lower(relative)) == 0) {
                problems.push_back(relative + L" is in the package but the INF does not name it");
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return problems;
}

}  // namespace host
