// Installs printer drivers and printers through the real spooler, the way a driver package's
// set-up does: the files are placed in the printer-driver directory and AddPrinterDriverExW
// moves them into its version subdirectory. Used by the host program and the tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "oemui_names.h"

namespace host {

struct DriverFile {
    std::wstring name;    // file name as installed (case kept)
    std::string content;  // bytes of the file
};

struct DriverPackage {
    std::wstring name;                       // driver name
    std::vector<DriverFile> dependentFiles;  // in list order
    // The core driver's own modules are not part of this system; the spooler only needs files.
    std::wstring driverFile = L"LABPS5.DLL";
    std::wstring configFile = L"LABPS5UI.DLL";
    std::wstring dataFile = L"LABPS.PPD";
    std::string dataContent = "*PPD-Adobe: \"4.3\"\n";
};

// Installs (or reinstalls, replacing its files) a driver. Empty on success, else what failed.
std::wstring InstallDriverPackage(const DriverPackage& package);
// Creates a printer for an installed driver on port FILE:, replacing one of the same name.
std::wstring InstallPrinter(const std::wstring& printerName, const std::wstring& driverName);

// The printer-driver directory and its version-3 subdirectory.
std::wstring PrinterDriverDirectory();
std::wstring PrinterDriverDirectory3();

// The sample driver package's INF as the build writes it beside the DLLs, and the build's
// names of the files the host looks for (oemui_names.h, from the build's cache variables).
inline constexpr wchar_t kSampleInfName[] = L"" OEMUI_INF_NAME;
inline constexpr wchar_t kPluginFileName[] = L"" OEMUI_PLUGIN_FILE;
inline constexpr wchar_t kPluginIniName[] = L"" OEMUI_INI_NAME;
inline constexpr wchar_t kCapabilityFileName[] = L"" OEMUI_CAPABILITY_NAME;
inline constexpr wchar_t kVersionFileName[] = L"" OEMUI_VERSION_FILE_NAME;

// Fills `package` (name, data file, dependent files in CopyFiles order) for the model `model`
// of the INF at `infPath`, for this build's architecture. `locate` turns a source path of the
// package ("amd64\\vroemui.dll", "vrlab.cap") into the path to read it from. Empty on
// success, else what is wrong (the INF or the file named).
std::wstring ReadDriverPackageFromInf(
    const std::wstring& infPath, const std::wstring& model,
    const std::function<std::wstring(const std::wstring&)>& locate, DriverPackage& package);
// The model's own libraries that the sample capability file names. The release package leaves
// them to the maker; the tests build stand-ins of them (tests/standins), which the development
// install adds to both sample models after the INF's files.
inline constexpr const wchar_t* kSampleStandIns[] = {L"vrcrypt.dll",  L"vrlinkres.dll",
                                                     L"vrjobinf.dll", L"vrcolorap.exe",
                                                     L"vrnetext.dll", L"vrusbext.dll"};
// Appends the stand-ins of kSampleStandIns from `binDir` to the package's dependent files.
// Empty on success, else which one cannot be read.
std::wstring AddSampleStandIns(const std::wstring& binDir, DriverPackage& package);

// The development layout of the sample package: files of an architecture folder come from the
// build's bin folder, the others from sample/.
std::wstring LocateSampleSource(const std::wstring& sampleDir, const std::wstring& binDir,
                                const std::wstring& source);

// The plug-in DLL the printer's driver names, found as the core driver finds it: the last
// ".ini" dependent file whose "OEMFiles" section has a non-empty "OEMConfigFile1" names the DLL,
// which is loaded from the driver directory. Empty on success with `dllPath` set, else a
// message saying what is missing.
std::wstring FindPluginDllOfPrinter(const std::wstring& printerName, std::wstring& dllPath);

// Whole-file reading and writing; the error code of a failed read lands in `error`.
bool ReadWholeFile(const std::wstring& path, std::string& content, DWORD& error);
bool WriteWholeFile(const std::wstring& path, const std::string& content);
// The system's text for an error code, with the number.
std::wstring ErrorText(DWORD error);

}  // namespace host
