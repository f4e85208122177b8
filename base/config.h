// Configuration files of the installed driver: the capability file (.cap) with its per-model
// sections, the plug-in INI file (.ini), the version file (.ver), the per-machine installed
// options file, and the builder of full paths in the printer-driver directory.
#pragma once

#include <windows.h>

#include <functional>

#include "base/handles.h"

namespace oemui {

// Every path buffer of the plug-in holds this many wide characters (MAX_PATH + 1).
inline constexpr size_t kPathChars = 261;
// A dependent-file name must fit a path buffer with its terminating NUL.
inline constexpr size_t kMaxDependentNameChars = kPathChars - 2;  // 259
// The dependent-file list is copied into a buffer of this many characters; names that do not
// fit completely are dropped.
inline constexpr size_t kDependentListChars = 3072;
// Model section names and "OEMConfigFile1" values are read with this limit.
inline constexpr DWORD kShortValueChars = 128;
// Limit for ordinary INI strings.
inline constexpr DWORD kIniStringChars = 522;

// From Begin to End, the driver information of hPrinter is fetched from the spooler once and
// every dependent-file search and model-section lookup on that handle reads the copy; lookups
// on any other handle fetch their own. A sheet's set-up begins it, the sheet's end ends it.
void BeginSheetDriverCache(HANDLE hPrinter);
void EndSheetDriverCache();

// A second handle the sheet opened on its very own printer (by name, with other access) reads
// the sheet's copy as sheetPrinter does, until DropSheetPrinterAlias. Registered only when this
// thread holds the cache for sheetPrinter and no other alias is registered; false otherwise, and
// the handle then reads for itself. Drop it before the handle closes: a later handle of the same
// value may name another printer.
bool AliasSheetPrinter(HANDLE sheetPrinter, HANDLE alias);
void DropSheetPrinterAlias(HANDLE alias);

// A library loaded by its full path. On the thread holding a sheet's cache the first use loads
// it and the sheet keeps it until its cache ends (EndSheetDriverCache, or the next sheet's
// BeginSheetDriverCache), so the tree's activations and buttons do not load and free it each
// time; a path other than the one kept, and every use on another thread, loads for this object
// alone and frees with it. `what` names it in the trace when it is loaded.
class SheetLibrary {
public:
    SheetLibrary() = default;
    SheetLibrary(const wchar_t* path, const wchar_t* what);
    SheetLibrary(SheetLibrary&&) = default;
    SheetLibrary& operator=(SheetLibrary&&) = default;
    HMODULE get() const { return module_; }

private:
    UniqueModule owned_;
    HMODULE module_ = nullptr;
};

// DLL_PROCESS_DETACH: the sheet's kept library is freed when the plug-in alone is unloaded and
// left to the loader at process exit, where freeing it is unsafe.
void DropSheetLibraryAtDetach(bool processTerminating);

// Shares one read of hPrinter's driver information among the look-ups of one operation (the
// default record of DevMode, the link page's model values). A sheet's copy for another printer
// is set aside for the scope and comes back at its end; for the sheet's own printer the
// sheet's copy serves.
class DriverInfoScope {
public:
    explicit DriverInfoScope(HANDLE hPrinter);
    ~DriverInfoScope();
    DriverInfoScope(const DriverInfoScope&) = delete;
    DriverInfoScope& operator=(const DriverInfoScope&) = delete;

private:
    struct SetAside;
    SetAside* setAside_ = nullptr;  // the sheet's copy while the scope lasts
    bool began_ = false;
};

// Walks the driver's dependent files. Sets iniPathOut (kPathChars characters, may be null) to
// the last ".ini" file whose "OEMFiles"/"OEMConfigFile1" is non-empty, leaving it alone when
// there is none, and capabilityPathOut (kPathChars characters) to the last ".cap" file, empty
// when there is none. True when
// a ".cap" or any ".ini" file was seen. Every caller keeps what it found in its own buffers:
// sheets of several printers and the print path share the process.
bool FindDependentFilesInto(HANDLE hPrinter, wchar_t* iniPathOut, wchar_t* capabilityPathOut);
// FindDependentFilesInto without the capability file.
bool FindDependentFiles(HANDLE hPrinter, wchar_t* iniPathOut);
// The full path of the driver's last ".cap" dependent file in pathOut (kPathChars characters);
// false, pathOut empty, when there is none.
bool FindCapabilityFile(HANDLE hPrinter, wchar_t* pathOut);

// The model files one sheet works with, found for its printer when the core driver builds the
// sheet's tree and kept by the sheet's own record until it ends: several sheets, of several
// models, may be open in one process, and none may read another's files.
struct SheetPaths {
    wchar_t PluginIni[kPathChars];   // the plug-in INI file
    wchar_t Capability[kPathChars];  // the capability file, empty when the driver has none
    wchar_t Help[kPathChars];        // the help file its "DependentFiles"/"HELP" names, or empty
};

// Finds the paths of hPrinter's driver; false when it has no plug-in INI file.
bool ResolveSheetPaths(HANDLE hPrinter, SheetPaths& out);

// Walks a dependent-file list (NUL-terminated names ended by an empty name) of which
// availableChars characters are readable. The walk is bounded by kDependentListChars: a name
// that does not end inside the bound stops it, and a name longer than kMaxDependentNameChars
// is skipped. Returns the number of names visited.
size_t WalkDependentFileList(const wchar_t* list, size_t availableChars,
                             const std::function<void(const wchar_t*, size_t)>& visit);

// Copies the full path of the driver's last ".ver" dependent file into pathOut
// (kPathChars characters); true when one was found.
bool FindVersionFile(HANDLE hPrinter, wchar_t* pathOut);

// Copies the full path of the driver's data file (DRIVER_INFO_3 pDataFile: the model's PPD)
// into pathOut (kPathChars characters); false when the driver names none.
bool FindDataFile(HANDLE hPrinter, wchar_t* pathOut);

// The name of the printer's model section in its capability file ("Capability"/<driver name>),
// read with `limit` characters; empty when the driver has none or anything is missing. The
// variants without a path find the capability file of hPrinter at each call.
bool ResolveModelSection(HANDLE hPrinter, wchar_t* sectionOut, DWORD sectionChars,
                         DWORD limit = kShortValueChars);
// ResolveModelSection in the given capability file.
bool ResolveModelSectionIn(const wchar_t* capabilityPath, HANDLE hPrinter, wchar_t* sectionOut,
                           DWORD sectionChars, DWORD limit = kShortValueChars);

// Reads `key` of the printer's model section into out (at most *inOutChars characters,
// including the NUL), default empty. On return *inOutChars holds the characters read.
void GetModelString(HANDLE hPrinter, const wchar_t* key, wchar_t* out, DWORD* inOutChars);
// GetModelString in the given capability file.
void GetModelStringIn(const wchar_t* capabilityPath, HANDLE hPrinter, const wchar_t* key,
                      wchar_t* out, DWORD* inOutChars);

// Reads integer `key` of the printer's model section (GetPrivateProfileIntW semantics).
UINT GetModelInt(HANDLE hPrinter, const wchar_t* key, INT defaultValue = 0);
// GetModelInt in the given capability file.
UINT GetModelIntIn(const wchar_t* capabilityPath, HANDLE hPrinter, const wchar_t* key,
                   INT defaultValue = 0);

// Builds "<printer-driver directory>\3\<name>" in out (*inOutBytes bytes). Only mode 3 exists.
// A name that is not a plain file name (IsDriverFileName) is refused: out empty, false.
// On return *inOutBytes holds the byte length of what out contains (without the NUL); false
// when the directory is unavailable or the full path does not fit (out then holds the
// directory with "\3").
bool BuildDriverFilePath(wchar_t* out, DWORD* inOutBytes, const wchar_t* name, int mode = 3);

// "<Windows directory>\varoopt.dat": the per-machine record of installed options.
bool InstalledOptionsFilePath(wchar_t* out, size_t outChars);
// True when the installed-options file exists and can be opened for reading.
bool InstalledOptionsFileReadable(const wchar_t* path);

// GetPrivateProfileStringW(section, key, L"", out, outChars, file) and
// GetPrivateProfileIntW(section, key, defaultValue, file), answered alike. On the thread that
// holds a sheet's driver cache (BeginSheetDriverCache to EndSheetDriverCache, or a
// DriverInfoScope), each section of each file is read once with GetPrivateProfileSectionW and
// kept until the sheet ends; every other thread, and every read the kept lines cannot answer
// exactly (comment keys, names without values, sections too large to keep ...), asks the file.
// A file changed during the sheet is seen by the next one: only for sections the plug-in does
// not write while its sheets are open.
DWORD SheetProfileString(const wchar_t* section, const wchar_t* key, wchar_t* out, DWORD outChars,
                         const wchar_t* file);
UINT SheetProfileInt(const wchar_t* section, const wchar_t* key, INT defaultValue,
                     const wchar_t* file);

// Bits of the model value "Compression".
inline bool CompressionOffered(UINT compression) { return (compression & 1u) != 0; }
inline UINT CompressionDefaultIndex(UINT compression) { return (compression >> 8) & 15u; }
// Compression level (0 None, 1 Fast, 2 Normal, 3 Best) for a "Compression" value. Indices
// 10 to 15 lie beyond the table and give the highest level, as 7 to 9 do.
WORD CompressionLevelFor(UINT compression);

}  // namespace oemui
