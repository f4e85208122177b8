#include "host/inf.h"

#include <algorithm>
#include <cwctype>
#include <set>

#include "host/install.h"

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

std::wstring DecodeText(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring out((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                          (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        return out;
    }
    size_t skip = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip,
                                      static_cast<int>(bytes.size() - skip), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, static_cast<int>(bytes.size() - skip),
                            out.data(), n);
    }
    return out;
}

// Splits a line's text into comma-separated fields; quotes group, ';' outside quotes ends it.
std::vector<std::wstring> SplitFields(const std::wstring& text) {
    std::vector<std::wstring> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
                fields.back().push_back(L'"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (!quoted && c == L';') {
            break;
        } else if (!quoted && c == L',') {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    for (std::wstring& f : fields) f = Trim(f);
    return fields;
}

// Position of the '=' that separates key and value (outside quotes), npos when none.
size_t KeySeparator(const std::wstring& text) {
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'"') quoted = !quoted;
        if (!quoted && text[i] == L';') return std::wstring::npos;
        if (!quoted && text[i] == L'=') return i;
    }
    return std::wstring::npos;
}

std::wstring Substitute(const std::wstring& text, const InfSection* strings) {
    if (strings == nullptr || text.find(L'%') == std::wstring::npos) return text;
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t close = text[i] == L'%' ? text.find(L'%', i + 1) : std::wstring::npos;
        if (close == std::wstring::npos) {
            out.push_back(text[i]);
            continue;
        }
        const std::wstring token = text.substr(i + 1, close - i - 1);
        std::wstring value = L"%" + token + L"%";
        for (const InfLine& line : strings->lines) {
            if (SameText(line.key, token) && !line.values.empty()) value = line.values[0];
        }
        out += value;
        i = close;
    }
    return out;
}

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

InfFile ParseInf(const std::string& bytes) {
    InfFile inf;
    const std::wstring text = DecodeText(bytes);
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(L'\n', pos);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            const size_t close = line.find(L']');
            if (close != std::wstring::npos)
                inf.sections.push_back({Trim(line.substr(1, close - 1)), {}});
            continue;
        }
        if (inf.sections.empty()) continue;
        InfLine entry;
        const size_t eq = KeySeparator(line);
        if (eq != std::wstring::npos) {
            const std::vector<std::wstring> key = SplitFields(line.substr(0, eq));
            entry.key = key.empty() ? std::wstring() : key[0];
            entry.values = SplitFields(line.substr(eq + 1));
        } else {
            entry.values = SplitFields(line);
        }
        if (entry.key.empty() && entry.values.size() == 1 && entry.values[0].empty()) continue;
        inf.sections.back().lines.push_back(std::move(entry));
    }
    // Strings are replaced once every section is known: [Strings] usually comes last.
    const InfSection* strings = inf.Find(L"Strings");
    std::vector<InfSection> replaced = inf.sections;
    for (InfSection& s : replaced) {
        if (SameText(s.name, L"Strings")) continue;
        for (InfLine& line : s.lines) {
            line.key = Substitute(line.key, strings);
            for (std::wstring& v : line.values) v = Substitute(v, strings);
        }
    }
    inf.sections = std::move(replaced);
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

std::vector<std::wstring> CheckDriverPackage(const std::wstring& packageDir,
                                             const std::wstring& infName) {
    std::vector<std::wstring> problems;
    std::string bytes;
    DWORD error = 0;
    if (!ReadWholeFile(packageDir + L"\\" + infName, bytes, error)) {
        problems.push_back(L"cannot read " + infName + L" (" + ErrorText(error) + L")");
        return problems;
    }
    const InfFile inf = ParseInf(bytes);
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
        for (const std::wstring& modelName : InfModelNames(inf, arch.name)) {
            InfModel model;
            const std::wstring problem = ReadInfModel(inf, modelName, arch.name, model);
            if (!problem.empty()) {
                problems.push_back(modelName + L": " + problem);
                continue;
            }
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
