// Document events of a print job. At DOCUMENTEVENT_STARTDOCPOST the plug-in tells the model's
// colour tools which application is printing: it publishes the name in a named section of the
// job (guarded by a named mutex), or, where that is not possible, starts the model's colour
// utility with the name and a pipe name on its command line.
#pragma once

#include <windows.h>

#include <cstddef>

namespace oemui {

// What the job-information library fills: two 60-byte fields of ANSI text. The first non-empty
// one names the application; neither needs a terminating NUL.
inline constexpr size_t kAppFieldBytes = 60;
struct PrintingAppRecord {
    char first[kAppFieldBytes];
    char second[kAppFieldBytes];
};
static_assert(sizeof(PrintingAppRecord) == 120);

// The application name: at most 60 UTF-16 units plus the NUL, which is what the section holds.
inline constexpr size_t kAppNameChars = kAppFieldBytes + 1;
inline constexpr DWORD kAppSectionBytes = kAppNameChars * sizeof(wchar_t);  // 122

// Printer, share, driver and server names go into the job's names with at most this many
// characters; longer ones keep their beginning. The buffers below hold every name built from
// such parts in full, so the job id and the fixed tails ("A", "B", "\AppInfo") are never cut.
inline constexpr size_t kNamePartChars = 1024;
// "Local\" + name + 8 hex digits + 'A' or 'B' + NUL.
inline constexpr size_t kJobObjectNameChars = 6 + kNamePartChars + 8 + 1 + 1;
// The longest pipe form: server + "\pipe\" + name + "\" + 8 hex digits + "\AppInfo" + NUL.
inline constexpr size_t kPipeNameChars = kNamePartChars + 6 + kNamePartChars + 1 + 8 + 8 + 1;
// 0 "<application>" "<pipe>" + NUL.
inline constexpr size_t kColorApCommandChars =
    3 + (kAppNameChars - 1) + 3 + (kPipeNameChars - 1) + 1 + 1;

// Printer name as it appears in the job's object names: its first kNamePartChars characters
// with each of \ / : * ? " < > | replaced by '0'. out holds outChars characters (a smaller
// buffer truncates further); a null name gives an empty result.
void SanitizePrinterName(const wchar_t* name, wchar_t* out, size_t outChars);

// "Local\<sanitised name><job id as %08x>A" (the section) and "...B" (its mutex). The name is
// cut to kNamePartChars. False when out is too small for the whole name (out is then empty).
bool FormatJobSectionName(const wchar_t* sanitizedName, DWORD jobId, wchar_t* out, size_t outChars);
bool FormatJobMutexName(const wchar_t* sanitizedName, DWORD jobId, wchar_t* out, size_t outChars);

// The application name from the library's record: the first field when non-empty, else the
// second, converted from the user's default ANSI code page; at most 60 characters.
void AppNameFromRecord(const PrintingAppRecord& record, wchar_t* out, size_t outChars);

// What decides the pipe the colour utility is told about.
struct PipeNameFacts {
    const wchar_t* serverName = nullptr;  // PRINTER_INFO_2 pServerName: empty for a local printer
    const wchar_t* printerName = nullptr;
    const wchar_t* shareName = nullptr;
    const wchar_t* driverName = nullptr;
    bool shared = false;  // PRINTER_ATTRIBUTE_SHARED
    bool raw = false;     // the job's data type is "RAW"
    DWORD osMajorVersion = 0;
    bool emfDespooling = false;  // "EMFDespoolingSetting" present and non-zero
    DWORD jobId = 0;
};

// The pipe name for the colour utility:
//   local printer:                   \\.\pipe\<share or printer name>\<job>\AppInfo
//   connection, RAW job:             \\.\pipe\<share name>\<job>\AppInfo
//   connection, client-side render:  \\.\pipe\<driver name>\AppInfo   (version 6+, no EMF despooling)
//   other connections:               <server>\pipe\<share name>\<job>\AppInfo
// Each name part is cut to kNamePartChars. False when out is too small (out is then empty).
bool ChoosePipeName(const PipeNameFacts& facts, wchar_t* out, size_t outChars);

// The colour utility's command line: 0 "<application>" "<pipe>", the application's name cut to
// kColorApNameChars characters and cleaned of quotes and trailing backslashes. False when out
// is too small or the pipe name holds a quote.
inline constexpr size_t kColorApNameChars = 60;
bool FormatColorApCommandLine(const wchar_t* appName, const wchar_t* pipeName, wchar_t* out,
                              size_t outChars);

// The named objects of this many jobs, the most recently announced by this process, are kept
// open; announcing a further job closes those of the oldest. A reader opens a job's section
// while that job is being rendered, which begins as soon as the job is announced, and keeps it
// alive with its own handle from then on; a process that has announced 32 further jobs since
// is long past that point. Two handles and one page per job bound what a process that prints
// all day (or the spooler) holds.
inline constexpr size_t kKeptJobObjects = 32;

// The kernel object is owned by the calling user (or its token's default owner) or by SYSTEM:
// the only owners whose job objects the announcement writes into.
bool OwnedByThisUserOrSystem(HANDLE object);

// Writes the application name into the job's section under its mutex, creating both. On
// version 6 and later the objects carry a low integrity label so low-integrity readers can
// open them. The handles of objects this call creates are kept (see kKeptJobObjects) so the
// objects outlive the event; objects that already existed (the same job announced again) are
// updated and no further handle is kept. On failure nothing is kept. True when written.
bool PublishAppName(const wchar_t* sectionName, const wchar_t* mutexName, const wchar_t* appName,
                    DWORD osMajorVersion);

// IPrintOemUI2::DocumentEvent: the document events of a print job.
HRESULT HandleDocumentEvent(HANDLE hPrinter, HDC hdc, INT escape, ULONG cbIn, PVOID pbIn,
                            ULONG cbOut, PVOID pbOut, INT* result);

}  // namespace oemui
