#include "host/ppd.h"

#include "host/install.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace host {

namespace {

// Longest line taken into account; the rest of a longer line is ignored.
constexpr size_t kMaxLineBytes = 4096;

std::string Trim(const std::string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && (s[begin] == ' ' || s[begin] == '\t')) ++begin;
    while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r')) --end;
    return s.substr(begin, end - begin);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Translation strings may carry bytes as hexadecimal between angle brackets ("B<E4>r").
std::string DecodeHexSubstrings(const std::string& s) {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '<') {
            out.push_back(s[i++]);
            continue;
        }
        const size_t close = s.find('>', i + 1);
        if (close == std::string::npos) {
            out.append(s, i, std::string::npos);
            break;
        }
        std::string bytes;
        int high = -1;
        bool ok = true;
        for (size_t k = i + 1; k < close && ok; ++k) {
            if (s[k] == ' ' || s[k] == '\t') continue;
            const int d = HexDigit(s[k]);
            if (d < 0) {
                ok = false;
            } else if (high < 0) {
                high = d;
            } else {
                bytes.push_back(static_cast<char>(high * 16 + d));
                high = -1;
            }
        }
        if (ok && high < 0) {
            out += bytes;
        } else {
            out.append(s, i, close - i + 1);  // not hexadecimal: keep it as written
        }
        i = close + 1;
    }
    return out;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    if (!value.empty() && value.front() == '"') return value.substr(1);
    return value;
}

std::vector<std::string> SplitTokens(const std::string& s) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) tokens.push_back(s.substr(start, i - start));
    }
    return tokens;
}

// One "*Main option/translation: value" statement.
struct Statement {
    std::string main;         // without '*'
    std::string option;       // may be empty
    std::string translation;  // may be empty
    std::string value;        // raw, trimmed
    bool openQuote = false;   // the value's quoted string continues on following lines
};

bool ParseStatement(const std::string& line, Statement& st) {
    if (line.size() < 2 || line[0] != '*') return false;
    size_t i = 1;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ':') ++i;
    st.main = line.substr(1, i - 1);
    if (st.main.empty()) return false;
    const size_t colon = line.find(':', i);
    if (colon == std::string::npos) {
        // A keyword without value is only valid for the terminator statements.
        return st.main == "End";
    }
    const std::string head = Trim(line.substr(i, colon - i));
    const size_t slash = head.find('/');
    st.option = Trim(head.substr(0, slash));
    st.translation = slash == std::string::npos ? std::string() : Trim(head.substr(slash + 1));
    st.value = Trim(line.substr(colon + 1));
    if (!st.value.empty() && st.value.front() == '"') {
        st.openQuote = st.value.find('"', 1) == std::string::npos;
    }
    return true;
}

struct PendingDefault {
    std::string feature;
    std::string option;
};

}  // namespace

int PpdFeature::FindOption(const std::string& option) const {
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i].keyword == option) return static_cast<int>(i);
    }
    return -1;
}

int PpdFile::FindFeature(const std::string& keyword) const {
    for (size_t i = 0; i < features.size(); ++i) {
        if (features[i].keyword == keyword) return static_cast<int>(i);
    }
    return -1;
}

const PpdFeature* PpdFile::Feature(const std::string& keyword) const {
    const int i = FindFeature(keyword);
    return i < 0 ? nullptr : &features[static_cast<size_t>(i)];
}

const PpdPaperDimension* PpdFile::PaperDimension(const std::string& keyword) const {
    for (const PpdPaperDimension& d : paperDimensions) {
        if (d.keyword == keyword) return &d;
    }
    return nullptr;
}

bool IsOffOption(const std::string& option) {
    return option == "None" || option == "False" || option == "Off";
}

PpdFile ParsePpd(const std::string& text) {
    PpdFile ppd;
    std::vector<PendingDefault> defaults;
    std::vector<std::string> groups;
    int current = -1;      // feature between *OpenUI and *CloseUI
    bool inQuote = false;  // inside a quoted value that spans lines

    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, std::min(end - pos, kMaxLineBytes));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        if (inQuote) {
            if (line.find('"') != std::string::npos) inQuote = false;
            continue;
        }
        if (Trim(line).empty()) continue;
        if (line.compare(0, 2, "*%") == 0) continue;

        Statement st;
        if (!ParseStatement(line, st)) {
            ++ppd.skippedLines;
            continue;
        }
        inQuote = st.openQuote;
        const std::string& main = st.main;

        if (main == "End") continue;
        if (main == "PPD-Adobe") {
            ppd.formatVersion = Unquote(st.value);
        } else if (main == "ModelName") {
            ppd.modelName = Unquote(st.value);
        } else if (main == "NickName") {
            ppd.nickName = Unquote(st.value);
        } else if (main == "ColorDevice") {
            ppd.colorDevice = st.value == "True";
        } else if (main == "OpenGroup") {
            const std::string name = Trim(st.value.substr(0, st.value.find('/')));
            if (name.empty()) {
                ++ppd.skippedLines;
            } else {
                groups.push_back(name);
            }
        } else if (main == "CloseGroup") {
            const std::string name = Trim(st.value.substr(0, st.value.find('/')));
            if (!groups.empty() && groups.back() == name) {
                groups.pop_back();
            } else {
                ++ppd.skippedLines;
            }
        } else if (main == "OpenUI" || main == "JCLOpenUI") {
            if (st.option.size() < 2 || st.option[0] != '*') {
                ++ppd.skippedLines;
                current = -1;
                continue;
            }
            const std::string keyword = st.option.substr(1);
            if (ppd.FindFeature(keyword) >= 0) {  // a feature is declared once
                ++ppd.skippedLines;
                current = -1;
                continue;
            }
            PpdFeature feature;
            feature.keyword = keyword;
            feature.translation =
                st.translation.empty() ? keyword : DecodeHexSubstrings(st.translation);
            if (st.value == "PickMany") {
                feature.uiType = PpdUiType::PickMany;
            } else if (st.value == "Boolean") {
                feature.uiType = PpdUiType::Boolean;
            }
            for (const std::string& g : groups) {
                if (g == "InstallableOptions") feature.installable = true;
            }
            // An *OpenUI before the previous *CloseUI ends the previous feature.
            ppd.features.push_back(std::move(feature));
            current = static_cast<int>(ppd.features.size()) - 1;
        } else if (main == "CloseUI" || main == "JCLCloseUI") {
            const std::string name = Trim(st.value);
            if (current >= 0 && name.size() > 1 &&
                name.substr(1) == ppd.features[static_cast<size_t>(current)].keyword) {
                current = -1;
            } else {
                ++ppd.skippedLines;
            }
        } else if (main == "UIConstraints") {
            const std::vector<std::string> tokens = SplitTokens(st.value);
            std::vector<std::pair<std::string, std::string>> parts;
            bool ok = !tokens.empty();
            for (const std::string& t : tokens) {
                if (t[0] == '*' && t.size() > 1) {
                    parts.emplace_back(t.substr(1), std::string());
                } else if (!parts.empty() && parts.back().second.empty() && t[0] != '*') {
                    parts.back().second = t;
                } else {
                    ok = false;
                }
            }
            if (ok && parts.size() == 2) {
                ppd.constraints.push_back(
                    {parts[0].first, parts[0].second, parts[1].first, parts[1].second});
            } else {
                ++ppd.skippedLines;
            }
        } else if (main == "PaperDimension") {
            const std::vector<std::string> numbers = SplitTokens(Unquote(st.value));
            if (st.option.empty() || numbers.size() != 2) {
                ++ppd.skippedLines;
            } else {
                PpdPaperDimension d;
                d.keyword = st.option;
                d.width = std::strtod(numbers[0].c_str(), nullptr);
                d.height = std::strtod(numbers[1].c_str(), nullptr);
                if (d.width > 0 && d.height > 0 && ppd.PaperDimension(d.keyword) == nullptr) {
                    ppd.paperDimensions.push_back(d);
                }
            }
        } else if (main.size() > 7 && main.compare(0, 7, "Default") == 0) {
            defaults.push_back({main.substr(7), Trim(st.value)});
        } else if (current >= 0 && main == ppd.features[static_cast<size_t>(current)].keyword) {
            PpdFeature& feature = ppd.features[static_cast<size_t>(current)];
            if (st.option.empty() || feature.FindOption(st.option) >= 0) {
                ++ppd.skippedLines;
            } else {
                feature.options.push_back({st.option, st.translation.empty()
                                                          ? st.option
                                                          : DecodeHexSubstrings(st.translation)});
            }
        }
        // Every other statement (*OrderDependency, option code outside *OpenUI, attributes the
        // user interface does not show) is valid and of no interest here.
    }

    // A feature without options cannot be chosen from; it does not appear.
    std::vector<PpdFeature> kept;
    for (PpdFeature& f : ppd.features) {
        if (!f.options.empty()) kept.push_back(std::move(f));
    }
    ppd.features = std::move(kept);
    for (const PendingDefault& d : defaults) {
        const int f = ppd.FindFeature(d.feature);
        if (f < 0) continue;
        const int o = ppd.features[static_cast<size_t>(f)].FindOption(d.option);
        if (o >= 0) ppd.features[static_cast<size_t>(f)].defaultOption = o;
    }
    std::vector<PpdConstraint> constraints;
    for (const PpdConstraint& c : ppd.constraints) {
        if (ppd.FindFeature(c.feature1) >= 0 && ppd.FindFeature(c.feature2) >= 0) {
            constraints.push_back(c);
        }
    }
    ppd.constraints = std::move(constraints);
    return ppd;
}

bool LoadPpdFile(const std::wstring& path, PpdFile& out) {
    std::string text;
    DWORD error = 0;
    if (!ReadWholeFile(path, text, error)) return false;
    out = ParsePpd(text);
    return true;
}

std::wstring WidenPpd(const std::string& text) {
    if (text.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace host
