// A PostScript printer description (PPD) reader for the core-driver stand-in: the user-interface
// features (*OpenUI ... *CloseUI) with their options and defaults, the constraints between
// options, the installable-option group, the colour flag and the paper dimensions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace host {

enum class PpdUiType { PickOne, PickMany, Boolean };

struct PpdOption {
    std::string keyword;      // e.g. "A4"
    std::string translation;  // the text shown to the user; the keyword when the PPD gives none
};

struct PpdFeature {
    std::string keyword;      // without the leading '*', e.g. "PageSize"
    std::string translation;  // e.g. "Page Size"
    PpdUiType uiType = PpdUiType::PickOne;
    std::vector<PpdOption> options;
    int defaultOption = 0;     // index into options (the first option when the default is unknown)
    bool installable = false;  // declared inside the InstallableOptions group

    int FindOption(const std::string& option) const;  // -1 when absent
};

// "*UIConstraints: *F1 o1 *F2 o2": F1 = o1 excludes F2 = o2 (and so the reverse change too).
// An empty option stands for every option except None, False and Off.
struct PpdConstraint {
    std::string feature1;
    std::string option1;
    std::string feature2;
    std::string option2;
};

struct PpdPaperDimension {
    std::string keyword;
    double width = 0;  // PostScript points
    double height = 0;
};

struct PpdFile {
    std::string formatVersion;         // *PPD-Adobe
    std::string modelName;             // *ModelName
    std::string nickName;              // *NickName
    bool colorDevice = false;          // *ColorDevice: True
    std::vector<PpdFeature> features;  // in file order
    std::vector<PpdConstraint> constraints;
    std::vector<PpdPaperDimension> paperDimensions;
    int skippedLines = 0;  // malformed lines that were ignored

    int FindFeature(const std::string& keyword) const;  // -1 when absent
    const PpdFeature* Feature(const std::string& keyword) const;
    const PpdPaperDimension* PaperDimension(const std::string& keyword) const;
};

// True when `option` is one of the "off" options an option-less constraint does not cover.
bool IsOffOption(const std::string& option);

// Parses PPD text (8-bit). Never fails on malformed input: bad lines are counted and skipped.
PpdFile ParsePpd(const std::string& text);
// Reads and parses a PPD file; false when the file cannot be read.
bool LoadPpdFile(const std::wstring& path, PpdFile& out);

// An 8-bit PPD string as UTF-16 (ANSI code page).
std::wstring WidenPpd(const std::string& text);

}  // namespace host
