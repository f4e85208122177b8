// The "JOB PIN" dialog: job name, PIN and the ask-every-time choice of a stored print job,
// kept in the sheet's PrivateDevmode (JobName, JobPin, AskJobName). Modal, opened with the
// sheet's DriverItemMap; ends with 1 after a valid OK (the record updated), 0 on Cancel.
#pragma once

#include <windows.h>

#include <cstddef>

namespace oemui {

struct DriverItemMap;
struct PrivateDevmode;

inline constexpr int kJobNameMaxChars = 16;
inline constexpr int kJobPinChars = 4;
// Warning kind of ShowWarningOnce shown when the request box is ticked on Windows XP.
inline constexpr int kJobNameWarningKind = 1;

INT_PTR CALLBACK JobPinDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally under `owner` from the plug-in module. 1 = OK, 0 = Cancel (or the
// template could not be shown).
INT_PTR ShowJobPinDialog(HWND owner, DriverItemMap* map);

// What a job-type choice of 1 or 2 must ask first: the stored PIN is empty, or the job name is
// empty while it is not asked at every job.
bool JobPinDialogNeeded(const PrivateDevmode& record);

// Job-type bookkeeping of the page layouts with job-type controls. Call with every job type
// chosen; copiesWereReset = copies were not 1 and have just been set to 1. Shows "copies set
// to one" (strings 10054 / 10041) the first time in the process and again only after the
// normal job type (0) has been chosen in between. True when the message was shown.
bool NoteJobTypeChosen(HWND owner, int jobType, bool copiesWereReset);

// Removes from `text` (of `length` characters, NUL-terminated in place) every character the
// filter refuses: for names anything outside 7-bit ASCII and the double quote, for PINs
// anything but '0'..'9'. Returns the number of characters removed.
std::size_t RemoveRefusedChars(wchar_t* text, std::size_t length, bool digitsOnly);

}  // namespace oemui
