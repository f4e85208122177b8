// A small reader of driver-package INF files: enough to install a printer model the way the
// system's printer installer does (model section, install section, CopyFiles lists, DataFile,
// source disk folders per architecture) and to check that a built package holds exactly the
// files its INF names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace host {

struct InfLine {
    std::wstring key;                  // empty for a line without '='
    std::vector<std::wstring> values;  // comma-separated fields, unquoted, %strings% replaced
};

struct InfSection {
    std::wstring name;
    std::vector<InfLine> lines;
};

struct InfFile {
    std::vector<InfSection> sections;
    // The section of that name (case-insensitive), or nullptr.
    const InfSection* Find(const std::wstring& name) const;
    // The first value of `key` in `section`, empty when absent.
    std::wstring Value(const std::wstring& section, const std::wstring& key) const;
};

// Parses INF text (ANSI/UTF-8, or UTF-16LE with a byte-order mark).
InfFile ParseInf(const std::string& bytes);

// One file a model's install section copies.
struct InfCopiedFile {
    std::wstring target;  // name in the driver directory
    std::wstring source;  // path relative to the package root ("amd64\\vroemui.dll")
};

struct InfModel {
    std::wstring name;  // the model's (driver's) name
    std::wstring installSection;
    std::wstring dataFile;
    std::vector<InfCopiedFile> files;  // CopyFiles order
};

// The INF's architecture decoration of this build: "amd64" or "x86".
const wchar_t* InfArchitecture();

// Reads the model `name` for architecture `arch` ("x86" or "amd64"). Empty on success, else
// what is wrong with the INF.
std::wstring ReadInfModel(const InfFile& inf, const std::wstring& name, const std::wstring& arch,
                          InfModel& model);
// The model names of the INF's manufacturer sections for `arch`.
std::vector<std::wstring> InfModelNames(const InfFile& inf, const std::wstring& arch);

// Checks a built package folder: every file the INF names (for each architecture folder the
// package holds) exists, every file in the package is named by the INF (or is the INF or its
// catalog), and each program file in an architecture folder carries that architecture's PE
// machine type. Returns one line per problem; empty when the package is whole.
std::vector<std::wstring> CheckDriverPackage(const std::wstring& packageDir,
                                             const std::wstring& infName);

// The PE machine type of a program file's content, 0 when it is not one.
WORD PeMachine(const std::string& content);

}  // namespace host
