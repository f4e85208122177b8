// Driver-package INF files read through the system's INF functions (setupapi), as the
// platform's own installers read them: enough to install a printer model the way the system's
// printer installer does (model section, install section, CopyFiles lists, DataFile, core
// driver sections, source disk folders per architecture) and to check that a built package
// holds exactly the files its INF names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace host {

struct InfLine {
    std::wstring key;                  // empty for a line without '='
    std::vector<std::wstring> values;  // the fields after the key, %strings% replaced
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

// Opens the INF at `path` with the system's INF functions and reads every section (strings
// substituted, continued lines joined, repeated sections merged). `problem` is empty on
// success, else why the INF cannot be read.
InfFile ReadInf(const std::wstring& path, std::wstring& problem);
// INF text held in memory, read as ReadInf reads a file (through a temporary file); an INF the
// system's functions refuse reads as one without sections.
InfFile ParseInf(const std::string& bytes);

// One file a model's install section copies.
struct InfCopiedFile {
    std::wstring target;  // name in the driver directory
    std::wstring source;  // path relative to the package root ("amd64\\vroemui.dll")
};

// The PostScript core driver's model GUID: the core driver this plug-in runs under. A
// package-aware INF names it in CoreDriverDependencies and in each model's CoreDriverSections.
inline constexpr wchar_t kPostScriptCoreGuid[] = L"{D20EA372-DD35-4950-9ED8-A6335AFE79F1}";

// One core driver a model's install section refers to through CoreDriverSections.
struct InfCoreDriver {
    std::wstring guid;
    std::vector<std::wstring> sections;  // "PSCRIPT.OEM", "PSCRIPT_DATA", ...
};

struct InfModel {
    std::wstring name;  // the model's (driver's) name
    std::wstring installSection;
    std::wstring dataFile;
    std::vector<InfCopiedFile> files;  // CopyFiles order
    bool packageAware = false;         // [PrinterPackageInstallation.<arch>] PackageAware=TRUE
    std::vector<InfCoreDriver> coreDrivers;
};

// The INF's architecture decoration of this build: "amd64" or "x86".
const wchar_t* InfArchitecture();

// Reads the model `name` for architecture `arch` ("x86" or "amd64"). Empty on success, else
// what is wrong with the INF. A package-aware model must name the PostScript core's sections
// through CoreDriverSections (and its core GUID must be among the CoreDriverDependencies);
// the system's printer INF (Include/Needs) is for drivers that are not package-aware.
std::wstring ReadInfModel(const InfFile& inf, const std::wstring& name, const std::wstring& arch,
                          InfModel& model);
// The model names of the INF's manufacturer sections for `arch`.
std::vector<std::wstring> InfModelNames(const InfFile& inf, const std::wstring& arch);

// Checks a built package folder: every file the INF names (for each architecture folder the
// package holds) exists, every file in the package is named by the INF (or is the INF or its
// catalog), each program file in an architecture folder carries that architecture's PE
// machine type, the INF names only the PostScript core driver, and every file the models'
// configuration names is installed (CheckNamedFiles). Returns one line per problem; empty when
// the package is whole. `leftOut` gets the optional files left out, with their reasons.
std::vector<std::wstring> CheckDriverPackage(const std::wstring& packageDir,
                                             const std::wstring& infName,
                                             std::vector<std::wstring>* leftOut = nullptr);

// Checks the files the model's configuration names (the capability file's model section, the
// plug-in INI file's "OEMFiles" and "DependentFiles", and the user-mode library the plug-in
// DLL's printer event names) against what the INF installs for it.
// Files the plug-in goes without (the maker's own libraries, help and data) may be missing;
// every other named file must be installed. One line per problem; `leftOut`, when given, gets
// one line per optional file the package leaves out, with the reason it may.
std::vector<std::wstring> CheckNamedFiles(const std::wstring& packageDir, const InfModel& model,
                                          const std::wstring& arch,
                                          std::vector<std::wstring>* leftOut = nullptr);

// The PE machine type of a program file's content, 0 when it is not one.
WORD PeMachine(const std::string& content);

}  // namespace host
