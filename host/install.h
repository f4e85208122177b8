// Installs printer drivers and printers through the real spooler, the way a driver package's
// set-up does: the files are placed in the printer-driver directory and AddPrinterDriverExW
// moves them into its version subdirectory. Used by the host program and the tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// The dependent files of the bundled sample model, in list order: the configuration files of
// sample/ and the stand-ins of the model's optional libraries built with the tests.
struct SampleFileName {
    const wchar_t* name;
    bool fromBuild;  // a library of the build, not a file of sample/
};
const std::vector<SampleFileName>& SampleDependentFileNames();

// Whole-file reading and writing; the error code of a failed read lands in `error`.
bool ReadWholeFile(const std::wstring& path, std::string& content, DWORD& error);
bool WriteWholeFile(const std::wstring& path, const std::string& content);
// The system's text for an error code, with the number.
std::wstring ErrorText(DWORD error);

}  // namespace host
