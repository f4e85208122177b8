// Where what users save lives, and how it is written.
//
// The driver's own files (plug-in INI, PPD, colour-matching file) stay as they were installed:
// they are read by every process and name code the core driver loads, so the plug-in never
// writes them. What users save through the dialogs (watermark list, custom colours, overlay
// definitions and their history, the warning flags) goes to one data file per driver:
//
//     <common application data>\PrinterUiPlugin\<driver name, made safe>\userdata.ini
//
// One folder per driver, not per printer: watermarks and overlays have always been shared by
// every printer of a driver (they lived in its INI file), and keying the folder on the driver
// keeps that. The printer event (running as the spooler) creates the folder with the
// descriptor UserDataFolderDescriptor builds; a user process that finds it missing (a printer
// created by an earlier version) creates it with the same descriptor.
//
// Reading: the data file once it exists, else the same sections of the driver INI (what users
// saved with earlier versions). Saving: the whole new content of the data file (every section
// of the current source, the changed ones replaced) goes to a temporary file in the same
// folder, is flushed, and is renamed over the old file in one step; a process killed meanwhile leaves
// the old file or the new one. The text format is that of the profile functions, UTF-16LE with
// a byte-order mark, so GetPrivateProfile* read it and names outside the ANSI code page
// survive.
//
// Every routine takes its paths as arguments: nothing here is kept for the process.
#pragma once

#include <windows.h>

#include <cstddef>

namespace oemui {

// The folder under the common application data folder that holds one folder per driver, and
// the data file's name in a driver's folder.
inline constexpr wchar_t kUserDataRootName[] = L"PrinterUiPlugin";
inline constexpr wchar_t kUserDataFileName[] = L"userdata.ini";
// A driver's folder name keeps at most this many characters of the driver name.
inline constexpr size_t kUserDataFolderNameChars = 96;

// The outcome of a save: ERROR_SUCCESS, or the Win32 error that stopped it (the old content
// is then untouched).
struct SaveResult {
    DWORD error = ERROR_SUCCESS;
    explicit operator bool() const { return error == ERROR_SUCCESS; }
};

// --- Where ----------------------------------------------------------------------------------

// The driver name as a single folder name: letters, digits, space and "-_.()" kept, every
// other character "_", trailing dots and spaces dropped, cut to kUserDataFolderNameChars; a
// name left empty or naming a device ("CON", "LPT1" ...) gets a leading "_". False when out is
// too small.
bool UserDataFolderName(const wchar_t* driverName, wchar_t* out, size_t outChars);

// "<commonData>\PrinterUiPlugin\<folder name>\userdata.ini". False (out empty) when a part is
// missing or the path does not fit outChars.
bool UserDataFilePathIn(const wchar_t* commonData, const wchar_t* driverName, wchar_t* out,
                        size_t outChars);
// The data file of hPrinter's driver under the common application data folder.
bool UserDataFilePathFor(HANDLE hPrinter, wchar_t* out, size_t outChars);

// --- Who may do what ------------------------------------------------------------------------

// What the users group may do with the files of a driver's folder: read, write and delete
// them (a save replaces the file), never change their permissions or owner.
inline constexpr DWORD kUsersDataFileRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
// What the users group may do with the folder itself: list it and create files in it (the
// root: create driver folders in it); no right to delete it or change its permissions/owner.
inline constexpr DWORD kUsersDataFolderRights = FILE_LIST_DIRECTORY | FILE_TRAVERSE |
                                                FILE_READ_ATTRIBUTES | FILE_READ_EA | READ_CONTROL |
                                                SYNCHRONIZE | FILE_ADD_FILE;
inline constexpr DWORD kUsersDataRootRights = FILE_LIST_DIRECTORY | FILE_TRAVERSE |
                                              FILE_READ_ATTRIBUTES | FILE_READ_EA | READ_CONTROL |
                                              SYNCHRONIZE | FILE_ADD_SUBDIRECTORY;

enum class DataFolderKind { Root, Driver };
// The self-relative descriptor of a data folder: a protected DACL (nothing inherited from the
// common application data folder) allowing SYSTEM and the Administrators full control of the
// folder and everything in it; the users group kUsersDataRootRights / kUsersDataFolderRights
// on the folder itself and kUsersDataFileRights on the files it will hold (inherit-only); the
// same for OWNER RIGHTS, so whoever created the folder or a file in it gains no implicit right
// to change its permissions. LocalFree the result; null when it cannot be built.
PSECURITY_DESCRIPTOR UserDataFolderDescriptor(DataFolderKind kind);

// Creates the root and the driver folder of dataFile, each with its descriptor, where missing.
// With takeOver (the printer event, acting as the spooler) folders that already exist are given
// the descriptors again, so a folder someone made beforehand does not keep their rights.
// ERROR_SUCCESS when the folder is there.
DWORD EnsureUserDataFolder(const wchar_t* dataFile, bool takeOver);

// --- Reading --------------------------------------------------------------------------------

// The file user sections are read from: dataFile when it exists, else driverIni (either may
// be null or empty; null when neither can serve).
const wchar_t* UserDataSource(const wchar_t* dataFile, const wchar_t* driverIni);

// True for the sections users write: "Watermark", "Custom Color", "DisplayAllert",
// "OverlaySetting", "OverlaySetting_Sv", "Overlay_Info <n>", "Overlay_Info_Sv <n>" (any case).
bool IsUserSection(const wchar_t* name);

// The copy of the model file `name` (the colour-matching file) in dataFile's folder: true, and
// out its path, when `name` is a plain file name (no folder, drive or stream) and the copy
// exists. A tool that updates such a file for users writes it there, not into the driver
// directory; the model's own file in the driver directory is read when there is no copy.
bool UserDataCopyOf(const wchar_t* dataFile, const wchar_t* name, wchar_t* out, size_t outChars);

// --- Saving ---------------------------------------------------------------------------------

// The lines of one section as the profile functions hand them out: "key=value", each ended by
// a NUL, the list by a second NUL. Fixed capacity; an Add that does not fit fails and marks the
// lines as overflowed (a save of them then fails rather than cutting the section).
class SectionLines {
public:
    explicit SectionLines(size_t capacityChars = kDefaultChars) noexcept;
    ~SectionLines();
    SectionLines(const SectionLines&) = delete;
    SectionLines& operator=(const SectionLines&) = delete;

    // Appends "key=value". Line breaks and other control characters in the value become
    // spaces (they would end the line in the file).
    bool Add(const wchar_t* key, const wchar_t* value);
    bool AddNumber(const wchar_t* key, long long value);
    const wchar_t* data() const { return text_ != nullptr ? text_ : L"\0"; }
    bool overflowed() const { return overflowed_; }

    static constexpr size_t kDefaultChars = 32768;

private:
    wchar_t* text_ = nullptr;
    size_t capacity_ = 0;
    size_t used_ = 0;  // characters before the closing NUL
    bool overflowed_ = false;
};

// One section of a save: its new lines, or (lines null) the section removed.
struct SectionUpdate {
    const wchar_t* name;
    const SectionLines* lines;
};

// Writes dataFile whole: the sections of the current source (every section of dataFile when
// it exists; else the user sections of driverIni, the migration) with `updates` applied, to a
// temporary file in dataFile's folder, flushed, then put in dataFile's place in one step. The
// folder is created (EnsureUserDataFolder) when missing. driverIni is only read.
SaveResult SaveUserSections(const wchar_t* dataFile, const wchar_t* driverIni,
                            const SectionUpdate* updates, size_t updateCount);

}  // namespace oemui
