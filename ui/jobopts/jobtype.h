// The job type of the Job Options page: normal, stored (job name and PIN) or encrypted. What the
// page decides when it opens (card reader, forced encryption), on every refresh (hard disk and
// encryption library present), and the job-type controls of page layouts that carry them
// (radios 1508..1511, settings button 1512, colour-control box 1548).
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Job types (wanted value of kEntryJobType).
inline constexpr DWORD kJobNormal = 0;
inline constexpr DWORD kJobStoredFirst = 1;
inline constexpr DWORD kJobStoredLast = 2;
inline constexpr DWORD kJobEncrypted = 3;

// VRControl value the colour-control box forces while it is ticked.
inline constexpr DWORD kColorControlForced = 4;

// Decrypted passwords are asked for with this output limit (12 characters and the NUL).
inline constexpr DWORD kPasswordTextLimit = 13;
// Room the encryption library is given for an encrypted password.
inline constexpr DWORD kEncryptedPasswordRoom = 255;

// Where the card-reader library's strings are cut: driver name and capability-file path as
// 8-bit text, with their terminating NUL.
inline constexpr int kCardDriverNameBytes = 221;
inline constexpr int kCardCapabilityPathBytes = 261;

// The card-reader library's query. The caller removes the arguments.
using PFN_QueryCardDriver = int(__cdecl*)(const char* driverName, const char* capabilityPath);

// Reads `key` of the printer's model section into out (chars characters, always terminated).
void ReadModelValue(const DriverItemMap& map, const wchar_t* key, wchar_t* out, DWORD chars);

// The model names an encryption library and the core driver asked to hide its standard UI.
bool EncryptionOffered(const DriverItemMap& map);

// The value the card-reader library ("CARD_DLL", "QueryCardDriver") reports for the printer's
// driver; 0 without a library, an entry point or a usable driver name, and on Windows Vista and
// later (where the library is not called).
DWORD QueryCardReader(const DriverItemMap& map);

// "VRJobLimit" is "True", the printer has its hard disk and encryption is offered.
bool IsEncryptedJobForced(const DriverItemMap& map);

// The page's opening decision: a forced encrypted job, or what the card reader allows.
void SettleStartupJobType(DriverItemMap& map);

// The refresh check: no hard disk means a normal job; an encrypted job whose library cannot be
// loaded becomes a normal one.
void SettleJobTypeOnRefresh(DriverItemMap& map);

// Copies may be changed: a card reader is present or the job is a normal one.
bool CopiesEditable(const DriverItemMap& map);

// A job-type radio: sets the type, resets copies to 1 where a stored or encrypted job needs it
// (with the one-time notice), asks for the job PIN or the encryption settings; a refusal there
// makes the job a normal one again.
void ChooseJobType(HWND page, DriverItemMap& map, DWORD jobType);

// The settings button: the JOB PIN dialog for stored jobs, the encryption settings for an
// encrypted one.
void OpenJobTypeSettings(HWND page, DriverItemMap& map);

// The colour-control box: ticked forces VRControl to 4 and keeps the previous value;
// unticked puts that value back.
void SetColorControlForced(DriverItemMap& map, bool forced);

}  // namespace oemui
