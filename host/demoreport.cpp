// The host program's report: the plug-in's record field by field, its pushes into the core
// driver, the INI sections it changed, and for the print mode the document events.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "host/demo.h"

#include <winspool.h>

#include "base/devmode.h"
#include "base/userdata.h"

namespace host::demo {

namespace {

using oemui::PrivateDevmode;

enum class Kind {
    Signed,  // little-endian signed integer of the field's size
    Unsigned,
    Hex,    // unsigned, shown in hexadecimal
    Wide,   // UTF-16 text, bounded by the field
    Ansi,   // 8-bit text, bounded by the field
    Words,  // list of 16-bit values
    Bytes,  // byte string whose length is the preceding 2-byte little-endian count
};

struct Field {
    const char* name;
    size_t offset;
    size_t size;
    Kind kind;
};

#define HOST_FIELD(name, kind) \
    Field { #name, offsetof(PrivateDevmode, name), sizeof(PrivateDevmode::name), Kind::kind }

// Every named field of the record, in layout order (the reserved gaps are left out).
const Field kFields[] = {
    HOST_FIELD(Header.dwSize, Unsigned),
    HOST_FIELD(Header.dwSignature, Hex),
    HOST_FIELD(Header.dwVersion, Unsigned),
    HOST_FIELD(OemItemSel, Signed),
    HOST_FIELD(JobName, Wide),
    HOST_FIELD(JobPin, Wide),
    HOST_FIELD(AskJobName, Unsigned),
    HOST_FIELD(WatermarkIndex, Signed),
    HOST_FIELD(OverlayIds, Words),
    HOST_FIELD(ColorModeValue, Unsigned),
    HOST_FIELD(ConvertMark, Unsigned),
    HOST_FIELD(CcmTable, Bytes),
    HOST_FIELD(CcmValue, Bytes),
    HOST_FIELD(ColorSettingId, Hex),
    HOST_FIELD(PresetFlag, Unsigned),
    HOST_FIELD(WmarkSize, Signed),
    HOST_FIELD(WmarkFontIndex, Signed),
    HOST_FIELD(WmarkAngle, Signed),
    HOST_FIELD(WmarkOffsetX, Signed),
    HOST_FIELD(WmarkOffsetY, Signed),
    HOST_FIELD(WmarkColorRgb, Hex),
    HOST_FIELD(WmarkFontName, Wide),
    HOST_FIELD(WmarkWeight, Signed),
    HOST_FIELD(WmarkItalic, Unsigned),
    HOST_FIELD(WmarkCharSet, Unsigned),
    HOST_FIELD(WmarkPosition, Signed),
    HOST_FIELD(WmarkBorder, Signed),
    HOST_FIELD(WmarkBackground, Signed),
    HOST_FIELD(WmarkFirstPageOnly, Unsigned),
    HOST_FIELD(WmarkStyleCode, Signed),
    HOST_FIELD(WmarkColorText, Ansi),
    HOST_FIELD(DriverDirectory, Wide),
    HOST_FIELD(PluginIniPath, Wide),
    HOST_FIELD(CapabilityFilePath, Wide),
    HOST_FIELD(CompressionLevel, Unsigned),
    HOST_FIELD(DrvItemSelA, Unsigned),
    HOST_FIELD(PaperKey, Signed),
    HOST_FIELD(PaperFlags, Hex),
    HOST_FIELD(DrvItemSelB, Unsigned),
    HOST_FIELD(WmarkText, Wide),
    HOST_FIELD(CryptoSettingA, Unsigned),
    HOST_FIELD(CryptoSettingB, Unsigned),
    HOST_FIELD(EncryptedPasswordLength, Unsigned),
    HOST_FIELD(CryptoSettingD, Unsigned),
    HOST_FIELD(CryptoSettingC, Unsigned),
    HOST_FIELD(SavedModeValue, Unsigned),
    HOST_FIELD(PsGammaSettingId, Hex),
    HOST_FIELD(FitPaperSize, Unsigned),
    HOST_FIELD(PresetPaperSize, Unsigned),
    HOST_FIELD(FixedScaleSetting, Unsigned),
    HOST_FIELD(FitPaperSetting, Unsigned),
    HOST_FIELD(CustomPaperWidth, Unsigned),
    HOST_FIELD(CustomPaperLength, Unsigned),
    HOST_FIELD(PresetScale, Unsigned),
    HOST_FIELD(RotateSort, Unsigned),
    HOST_FIELD(Collate, Unsigned),
};
#undef HOST_FIELD

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string FieldValue(const BYTE* data, const Field& f) {
    const BYTE* p = data + f.offset;
    char text[64];
    switch (f.kind) {
        case Kind::Signed:
        case Kind::Unsigned:
        case Kind::Hex: {
            unsigned long long raw = 0;
            memcpy(&raw, p, f.size);  // little-endian
            if (f.kind == Kind::Hex) {
                snprintf(text, sizeof(text), "0x%0*llx", static_cast<int>(f.size * 2), raw);
            } else if (f.kind == Kind::Signed) {
                const int shift = static_cast<int>(64 - 8 * f.size);
                const long long value = static_cast<long long>(raw << shift) >> shift;
                snprintf(text, sizeof(text), "%lld", value);
            } else {
                snprintf(text, sizeof(text), "%llu", raw);
            }
            return text;
        }
        case Kind::Wide: {
            std::wstring s;
            for (size_t i = 0; i < f.size / 2; ++i) {
                wchar_t c;
                memcpy(&c, p + 2 * i, sizeof(c));
                if (c == L'\0') break;
                s.push_back(c);
            }
            return Quote(Utf8(s));
        }
        case Kind::Ansi: {
            std::string s;
            for (size_t i = 0; i < f.size && p[i] != 0; ++i) {
                s.push_back(p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '?');
            }
            return Quote(s);
        }
        case Kind::Words: {
            std::string s;
            for (size_t i = 0; i < f.size / 2; ++i) {
                WORD w;
                memcpy(&w, p + 2 * i, sizeof(w));
                s += (i == 0 ? "" : ",") + std::to_string(w);
            }
            return s;
        }
        case Kind::Bytes: {
            // The count is the two bytes before the table.
            const size_t count = static_cast<size_t>(p[-2] | (p[-1] << 8));
            std::string s = std::to_string(count) + " bytes";
            if (count > f.size)
                return s + " (more than the table holds: " + std::to_string(f.size) + ")";
            if (count != 0) s += " ";
            for (size_t i = 0; i < count; ++i) {
                snprintf(text, sizeof(text), "%02X", p[i]);
                s += text;
            }
            return s;
        }
    }
    return {};
}

const char* EventName(int escape) {
    switch (escape) {
        case DOCUMENTEVENT_CREATEDCPRE:
            return "CREATEDCPRE";
        case DOCUMENTEVENT_CREATEDCPOST:
            return "CREATEDCPOST";
        case DOCUMENTEVENT_STARTDOCPRE:
            return "STARTDOCPRE";
        case DOCUMENTEVENT_STARTPAGE:
            return "STARTPAGE";
        case DOCUMENTEVENT_ENDPAGE:
            return "ENDPAGE";
        case DOCUMENTEVENT_ENDDOCPRE:
            return "ENDDOCPRE";
        case DOCUMENTEVENT_DELETEDC:
            return "DELETEDC";
        case DOCUMENTEVENT_ENDDOCPOST:
            return "ENDDOCPOST";
        case DOCUMENTEVENT_STARTDOCPOST:
            return "STARTDOCPOST";
        case DOCUMENTEVENT_QUERYFILTER:
            return "QUERYFILTER";
        default:
            return "?";
    }
}

std::string HResultText(HRESULT hr) {
    char text[48];
    const char* name = hr == S_OK           ? "S_OK"
                       : hr == S_FALSE      ? "S_FALSE"
                       : hr == E_NOTIMPL    ? "E_NOTIMPL"
                       : hr == E_FAIL       ? "E_FAIL"
                       : hr == E_INVALIDARG ? "E_INVALIDARG"
                                            : nullptr;
    if (name != nullptr) return name;
    snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

const char* ModeName(Mode mode) {
    switch (mode) {
        case Mode::Document:
            return "document";
        case Mode::Printer:
            return "printer";
        case Mode::Print:
            return "print";
    }
    return "";
}

}  // namespace

std::vector<std::string> DescribeRecord(const std::vector<BYTE>& record,
                                        const std::vector<BYTE>* before) {
    std::vector<std::string> lines;
    if (record.size() < sizeof(PrivateDevmode)) {
        lines.push_back("(the plug-in's record is " + std::to_string(record.size()) +
                        " bytes, not " + std::to_string(sizeof(PrivateDevmode)) + ")");
        return lines;
    }
    const bool compare = before != nullptr && before->size() >= sizeof(PrivateDevmode);
    for (const Field& f : kFields) {
        std::string line = std::string(f.name) + " = " + FieldValue(record.data(), f);
        if (compare) {
            const std::string old = FieldValue(before->data(), f);
            if (old != FieldValue(record.data(), f)) line += "   (was " + old + ")";
        }
        lines.push_back(line);
    }
    return lines;
}

std::string DescribePush(const UpdateRecord& push, const OptionTree* tree) {
    std::string what;
    if (!push.keyword.empty()) {
        what = push.keyword;
    } else if (push.dmPubId != DMPUB_NONE) {
        what = "DMPUB " + std::to_string(push.dmPubId);
    } else if (push.stringId != 0) {
        what = "core item " + std::to_string(push.stringId);
    } else {
        what = "an item outside the tree";
    }
    if (tree != nullptr && push.itemIndex >= 0 &&
        static_cast<DWORD>(push.itemIndex) < tree->Count()) {
        what += " (" + Utf8(tree->Name(static_cast<DWORD>(push.itemIndex))) + ")";
    }
    std::string line = what + ": selection " + std::to_string(push.newSel) + ", was " +
                       std::to_string(push.previousSel) + ", mode " + std::to_string(push.mode) +
                       (push.accepted ? ", accepted" : ", refused");
    return line;
}

std::wstring UserDataFileOf(const std::wstring& printerName) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &printer, nullptr)) return {};
    wchar_t path[MAX_PATH] = {};
    const bool found = oemui::UserDataFilePathFor(printer, path, MAX_PATH);
    ClosePrinter(printer);
    return found ? path : L"";
}

IniSnapshot ReadIni(const std::wstring& path) {
    IniSnapshot snapshot;
    if (path.empty()) return snapshot;
    std::vector<wchar_t> names(32768);
    const DWORD got = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()),
                                                     path.c_str());
    if (got == 0) return snapshot;
    std::vector<wchar_t> body(65536);
    for (const wchar_t* name = names.data(); *name != L'\0'; name += wcslen(name) + 1) {
        std::vector<std::pair<std::wstring, std::wstring>> keys;
        const DWORD n = GetPrivateProfileSectionW(name, body.data(),
                                                  static_cast<DWORD>(body.size()), path.c_str());
        for (const wchar_t* line = body.data(); n != 0 && *line != L'\0';
             line += wcslen(line) + 1) {
            const std::wstring text = line;
            const size_t eq = text.find(L'=');
            keys.emplace_back(text.substr(0, eq),
                              eq == std::wstring::npos ? L"" : text.substr(eq + 1));
        }
        snapshot.sections.emplace_back(name, std::move(keys));
    }
    return snapshot;
}

std::vector<std::wstring> DiffIni(const IniSnapshot& before, const IniSnapshot& after) {
    std::vector<std::wstring> lines;
    auto find =
        [](const IniSnapshot& s,
           const std::wstring& name) -> const std::vector<std::pair<std::wstring, std::wstring>>* {
        for (const auto& [section, keys] : s.sections) {
            if (_wcsicmp(section.c_str(), name.c_str()) == 0) return &keys;
        }
        return nullptr;
    };
    auto value = [](const std::vector<std::pair<std::wstring, std::wstring>>& keys,
                    const std::wstring& key) -> const std::wstring* {
        for (const auto& [k, v] : keys) {
            if (_wcsicmp(k.c_str(), key.c_str()) == 0) return &v;
        }
        return nullptr;
    };
    for (const auto& [section, keys] : after.sections) {
        const auto* old = find(before, section);
        std::vector<std::wstring> changes;
        for (const auto& [key, v] : keys) {
            const std::wstring* was = old != nullptr ? value(*old, key) : nullptr;
            if (was == nullptr) {
                changes.push_back(L"  + " + key + L"=" + v);
            } else if (*was != v) {
                changes.push_back(L"  ~ " + key + L"=" + v + L"   (was " + *was + L")");
            }
        }
        if (old != nullptr) {
            for (const auto& [key, v] : *old) {
                if (value(keys, key) == nullptr) changes.push_back(L"  - " + key + L"=" + v);
            }
        }
        if (!changes.empty()) {
            lines.push_back(L"[" + section + L"]" + (old == nullptr ? L" (new section)" : L""));
            lines.insert(lines.end(), changes.begin(), changes.end());
        }
    }
    for (const auto& [section, keys] : before.sections) {
        if (find(after, section) == nullptr) {
            lines.push_back(L"[" + section + L"] (section removed, " +
                            std::to_wstring(keys.size()) + L" keys)");
        }
    }
    return lines;
}

std::string BuildReport(const Session& s, const OptionTree* tree) {
    std::string r;
    auto line = [&r](const std::string& text) { r += text + "\n"; };
    line("oemui-host report");
    line("mode: " + std::string(ModeName(s.mode)));
    line("plug-in: " + Utf8(s.dllPath));
    line("printer: " + Utf8(s.printer) + " (driver " + Utf8(s.driver) + ")");
    std::string calls;
    for (const std::string& c : s.calls) calls += (calls.empty() ? "" : ", ") + c;
    line("calls into the plug-in: " + calls);
    for (const std::wstring& note : s.notes) line("note: " + Utf8(note));

    if (s.mode == Mode::Print) {
        line("");
        line("[document events]");
        line(
            std::string("job id: ") + std::to_string(s.jobId) +
            (s.realJob ? " (a spooler job of the printer)" : " (no spooler job could be started)"));
        for (const PrintEvent& e : s.events) {
            line(std::string("DOCUMENTEVENT_") + EventName(e.escape) + " (" +
                 std::to_string(e.escape) + "): " + HResultText(e.result) + ", result " +
                 (e.resultWritten ? std::to_string(e.piResult) : std::string("not written")));
        }
        line("");
        line("[published for the job]");
        if (s.sectionFound) {
            line("section " + Utf8(s.sectionName) + ": " + Quote(Utf8(s.published)));
        } else {
            line("section " + Utf8(s.sectionName) + ": none");
        }
        line(std::string("mutex: ") + (s.mutexFound ? "present" : "none"));
        if (!s.sectionFound) {
            line("The plug-in published nothing for this job.");
        }
    } else {
        line("");
        line("[pages]");
        for (size_t i = 0; i < s.pages.size(); ++i) {
            const PageShot& p = s.pages[i];
            std::string source = p.templateId < 0 ? "the core driver's page (stand-in)"
                                 : p.linkLibrary  ? "template " + std::to_string(p.templateId) +
                                                       " of the link-page library"
                                                 : "template " + std::to_string(p.templateId);
            line(std::to_string(i + 1) + ". " + Quote(Utf8(p.title)) + ", " + source +
                 (p.file.empty() ? "" : " -> " + Utf8(p.file)));
        }
        line("");
        line("[dialogs]");
        if (s.dialogs.empty()) line("(none)");
        for (const DialogShot& d : s.dialogs) {
            std::string text = Utf8(d.what) + ": ";
            if (!d.caption.empty()) {
                text += "window " + Quote(Utf8(d.caption)) +
                        (d.file.empty() ? "" : " -> " + Utf8(d.file));
            } else {
                text += Utf8(d.note);
            }
            line(text);
            if (d.changesKnown) {
                if (d.changes.empty()) line("    changed: nothing");
                for (const std::wstring& change : d.changes) line("    changed: " + Utf8(change));
            }
        }
        if (!s.steps.empty()) {
            line("");
            line("[scripted changes on the core driver's page]");
            for (const StepResult& st : s.steps) {
                line(st.found ? Utf8(st.item) + ": " + Quote(Utf8(st.before)) + " -> " +
                                    Quote(Utf8(st.after))
                              : Utf8(st.item) + ": no such item on the page");
            }
        }
        line(std::string("applied: ") + (s.applied ? "yes (Apply, then OK)" : "no (Cancel)"));
    }

    line("");
    line("[selections pushed into the core driver, in order]");
    if (s.pushes.empty()) line("(none)");
    for (size_t i = 0; i < s.pushes.size(); ++i) {
        line(std::to_string(i + 1) + ". " + DescribePush(s.pushes[i], tree));
    }

    line("");
    line("[PrivateDevmode]");
    for (const std::string& f : DescribeRecord(s.recordAfter, &s.recordBefore)) line(f);

    line("");
    line("[plug-in INI file: sections changed]");
    if (s.iniChanges.empty()) line("(none)");
    for (const std::wstring& c : s.iniChanges) line(Utf8(c));

    // Watermarks, overlays, custom colours and warning flags are saved here, never in the INI.
    line("");
    line("[user data file: sections changed]");
    line("file: " + (s.dataFile.empty() ? std::string("(none found)") : Utf8(s.dataFile)));
    if (s.dataChanges.empty()) line("(none)");
    for (const std::wstring& c : s.dataChanges) line(Utf8(c));
    return r;
}

std::string Utf8(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string BuildSummary(const Session& s, const std::wstring& outputDir) {
    std::string out = "summary: ";
    if (s.mode == Mode::Print) {
        out += std::to_string(s.events.size()) + " document events, application " +
               (s.sectionFound ? "published" : "not published");
    } else {
        const size_t opened = static_cast<size_t>(
            std::count_if(s.dialogs.begin(), s.dialogs.end(),
                          [](const DialogShot& d) { return !d.caption.empty(); }));
        size_t changed = 0;
        if (!s.recordBefore.empty() && !s.recordAfter.empty()) {
            for (const std::string& line : DescribeRecord(s.recordAfter, &s.recordBefore)) {
                if (line.find("(was ") != std::string::npos) ++changed;
            }
        }
        out += std::to_string(s.pages.size()) + " pages, " + std::to_string(opened) +
               " dialogs opened, " + std::to_string(s.pushes.size()) +
               " pushes into the core driver, " + std::to_string(changed) +
               " record fields changed, " + std::to_string(s.iniChanges.size()) + " INI changes";
    }
    out += "\nplug-in: " + Utf8(s.dllPath) + "\n";
    if (!outputDir.empty()) out += "screenshots and report: " + Utf8(outputDir) + "\n";
    return out;
}

}  // namespace host::demo
