// Test printers: installs printer drivers and printers into the Wine prefix through the real
// spooler (AddPrinterDriverExW / AddPrinterW), from files the tests write, so the plug-in reads
// real dependent files, driver directories and printer data.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host/install.h"

namespace testenv {

// The driver and printer every test can rely on: the bundled sample colour model.
inline constexpr wchar_t kColorDriver[] = L"Lab Color PS";
inline constexpr wchar_t kMonoDriver[] = L"Lab Mono PS";
inline constexpr wchar_t kColorPrinter[] = L"Lab:Color/1";
inline constexpr wchar_t kMonoPrinter[] = L"Lab Mono 1";

// A driver's files as the spooler installs them (shared with the host program's installer).
using DriverFile = host::DriverFile;
using TestDriver = host::DriverPackage;

// Content of a file of the bundled sample model (sample/ of the source tree).
std::string SampleFile(const std::wstring& name);
// The sample model's dependent files, as the host program installs them, plus the encryption
// library without its decryption entry point that some tests name.
std::vector<DriverFile> SampleDependentFiles();

// Installs (or reinstalls, replacing its files) a driver; false with a message on failure.
bool InstallDriver(const TestDriver& driver);
// Creates the printer for a driver, replacing an existing printer of that name.
bool InstallPrinter(const std::wstring& printerName, const std::wstring& driverName);
// Installs the sample colour and mono models with their printers, once per process.
bool InstallSamplePrinters();
// Installs a model of a test's own, described by the sample colour PPD (installed as `ppdName`)
// and `files`, and a printer of it.
bool InstallColorModel(const std::wstring& driverName, const std::wstring& printerName,
                       std::vector<DriverFile> files, const std::wstring& ppdName);

// "<driver directory>\3", where the spooler puts a version-3 driver's files.
std::wstring DriverDirectory3();
// The Windows directory of the prefix.
std::wstring WindowsDirectory();

// Writes a text file (bytes as given); creates no folders.
bool WriteFileBytes(const std::wstring& path, const std::string& content);
std::string ReadFileBytes(const std::wstring& path);
// Deletes the files of a folder (its subfolders stay).
void EmptyFolder(const std::wstring& dir);
// A folder of that name in the temporary directory, created when missing, without files.
std::wstring FreshTempFolder(const std::wstring& name);

std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);

// Opens a printer; the handle closes with the object.
class Printer {
public:
    explicit Printer(const std::wstring& name);
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace testenv
