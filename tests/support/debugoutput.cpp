#include "tests/support/debugoutput.h"

#include "base/trace.h"
#include "tests/support/testprinters.h"

namespace testenv {

namespace {

constexpr DWORD kPrintException = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintExceptionWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

// Windows raises the wide exception and, when nobody takes it, the ANSI one for the same
// string; Wine 8 raises only the ANSI one (its OutputDebugStringW goes through
// OutputDebugStringA). Both are kept; the wide ones are read when any came.
std::vector<std::wstring>& WideStrings() {
    static std::vector<std::wstring> strings;
    return strings;
}
std::vector<std::wstring>& AnsiStrings() {
    static std::vector<std::wstring> strings;
    return strings;
}

LONG CALLBACK CatchDebugString(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->NumberParameters < 2 || record->ExceptionInformation[1] == 0) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (record->ExceptionCode == kPrintExceptionWide) {
        WideStrings().emplace_back(
            reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]));
    } else if (record->ExceptionCode == kPrintException) {
        AnsiStrings().push_back(
            Widen(reinterpret_cast<const char*>(record->ExceptionInformation[1])));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebugOutputCapture::DebugOutputCapture() {
    WideStrings().clear();
    AnsiStrings().clear();
    handler_ = AddVectoredExceptionHandler(1, CatchDebugString);
}

DebugOutputCapture::~DebugOutputCapture() {
    if (handler_ != nullptr) RemoveVectoredExceptionHandler(handler_);
}

std::vector<std::wstring> DebugOutputCapture::TraceLines() const {
    std::vector<std::wstring> lines;
    for (std::wstring text : WideStrings().empty() ? AnsiStrings() : WideStrings()) {
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
        if (text.rfind(L"vroemui: ", 0) == 0) lines.push_back(text);
    }
    return lines;
}

void SetMachineTraceLevel(DWORD level) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, oemui::kTraceRegistryKey, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (level == 0) {
        RegDeleteValueW(key, oemui::kTraceRegistryValue);
    } else {
        RegSetValueExW(key, oemui::kTraceRegistryValue, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&level), sizeof(level));
    }
    RegCloseKey(key);
}

}  // namespace testenv
