// The finishing values (staple, punch, binding position) the Job Options page brings into line
// with the paper when it opens: the paper class of the current page size, orientation and the
// core driver's paper byte, and what the installed punch unit can punch.
#pragma once

#include <windows.h>

namespace oemui {

struct DriverItemMap;

// Byte of the DEVMODE the core driver passes (counted from its start, inside the core's private
// part) that tells the paper's layout class.
inline constexpr size_t kPaperLayoutOffset = 356;
// Value of that byte for which nothing can be bound or punched.
inline constexpr BYTE kLayoutUnbindable = 6;
// Binding position after a change of paper.
inline constexpr DWORD kBindingDefault = 2;

// Punch unit from the core's "VRPunchUnit" keyword: "Type1".."Type4" give 1..4, anything else 0.
int PunchUnitFromKeyword(const char* keyword);

// Paper class 0..7 of a "PageSize" keyword for layout byte `v`, before the duplex reduction.
int PaperClassFor(const char* pageSize, BYTE v, bool portrait);

// Whether punch unit `unit` can punch paper `pageSize` with layout byte `v`, orientation and
// binding position `binding` (after the binding rule).
bool PunchUnitCanPunch(int unit, const char* pageSize, BYTE v, bool portrait, DWORD binding);

// The binding position rule of paper class `paperClass`; `layoutByte` is `v` with the
// orientation and punch-unit bits added.
DWORD BindingForClass(int paperClass, BYTE layoutByte, DWORD binding);

// Runs the whole check on the sheet: resets the three values when the paper or the layout
// byte changed since the record last saw them (PaperKey, PaperFlags), then applies the rules
// of the paper class to each value whose feature the core driver has.
void SettleFinishingValues(DriverItemMap& map);

}  // namespace oemui
