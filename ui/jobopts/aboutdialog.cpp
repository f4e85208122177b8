#include "ui/jobopts/aboutdialog.h"

#include <windowsx.h>
#include <strsafe.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "docprop/itemmap.h"
#include "about_ids.h"
#include "base/config.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "base/handles.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

namespace {

constexpr size_t kPpdLineBytes = 256;       // a PPD line: at most 255 bytes and the NUL
constexpr DWORD kOptionVerChars = 256;      // "OptionVer": at most 255 characters
constexpr DWORD kDriverVerChars = 32;       // "DriverVer": at most 31 characters
constexpr DWORD kInternalVerChars = 512;    // "InternalVer": at most 511 characters
constexpr size_t kDriverVerPartChars = 5;   // what is kept of "DriverVer" after its comma
constexpr size_t kInternalTailLimit = 246;  // most characters from the dash that may follow

constexpr wchar_t kVersionSection[] = L"Version";

// Hidden internal-version strip: 10 pixels inside the dialog's edges, 2 to 22 pixels below
// the notice line.
constexpr int kStripInset = 10;
constexpr int kStripTop = 2;
constexpr int kStripBottom = 22;

// Reads a file as text, line by line, the way a C runtime reads a text-mode stream into a
// buffer of kPpdLineBytes: a line ends after its newline or after 255 bytes, "\r\n" reads as
// "\n".
class TextLineReader {
public:
    explicit TextLineReader(const wchar_t* path)
        : file_(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    explicit operator bool() const { return static_cast<bool>(file_); }

    // Next line into `line` (NUL-terminated, newline kept); false at the end of the file.
    bool Next(char (&line)[kPpdLineBytes]) {
        size_t length = 0;
        while (length + 1 < kPpdLineBytes) {
            int c = Get();
            if (c < 0) break;
            if (c == '\r') {
                if (Peek() == '\n') continue;  // the newline comes next
            }
            line[length++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        line[length] = '\0';
        return length > 0;
    }

    void Rewind() {
        SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN);
        used_ = filled_ = 0;
    }

private:
    bool Fill() {
        if (used_ < filled_) return true;
        DWORD read = 0;
        if (!ReadFile(file_.get(), buffer_, sizeof(buffer_), &read, nullptr) || read == 0) {
            return false;
        }
        used_ = 0;
        filled_ = read;
        return true;
    }
    int Get() { return Fill() ? static_cast<unsigned char>(buffer_[used_++]) : -1; }
    int Peek() { return Fill() ? static_cast<unsigned char>(buffer_[used_]) : -1; }

    UniqueFile file_;
    char buffer_[4096] = {};
    DWORD used_ = 0;
    DWORD filled_ = 0;
};

// Bytes of `begin`..`end` of a PPD line (8-bit, ANSI code page) as wide text. Text longer than
// the buffer is cut: the whole part is converted into a scratch block and its prefix copied, so
// a multi-byte character is never split and the terminator always lands inside `out`.
void WidenPart(const char* begin, const char* end, wchar_t* out, size_t outChars) {
    if (outChars == 0) return;
    out[0] = L'\0';
    if (end <= begin) return;
    const int bytes = static_cast<int>(end - begin);
    const int needed = MultiByteToWideChar(CP_ACP, 0, begin, bytes, nullptr, 0);
    if (needed <= 0) return;
    GlobalBlock<wchar_t> wide(static_cast<size_t>(needed) * sizeof(wchar_t));
    if (!wide) return;
    const int count = MultiByteToWideChar(CP_ACP, 0, begin, bytes, wide.get(), needed);
    if (count <= 0) return;
    const size_t kept = std::min(static_cast<size_t>(count), outChars - 1);
    std::memcpy(out, wide.get(), kept * sizeof(wchar_t));
    out[kept] = L'\0';
}

const char* LineEnd(const char* line) {
    const char* end = line + std::strlen(line);
    while (end > line && (end[-1] == '\n' || end[-1] == '\r')) --end;
    return end;
}

bool FindPpdVersion(const char* line, wchar_t* out, size_t outChars) {
    const char* quote = std::strchr(line, '"');
    if (std::strstr(line, "FileVersion") == nullptr || quote == nullptr) return false;
    const char* begin = quote + 1;
    const char* end = LineEnd(line);
    if (begin > end) begin = end;
    const char* close = static_cast<const char*>(std::memchr(begin, '"', end - begin));
    WidenPart(begin, close != nullptr ? close : end, out, outChars);
    return true;
}

bool FindNotice(const char* line, wchar_t* out, size_t outChars) {
    const char* space = std::strchr(line, ' ');
    if (std::strstr(line, "Copyright") == nullptr || space == nullptr) return false;
    const char* end = LineEnd(line);
    WidenPart(space + 1 < end ? space + 1 : end, end, out, outChars);
    return true;
}

// Characters of `text` copied after what `out` holds, bounded by the buffer.
void Append(wchar_t* out, size_t outChars, const wchar_t* text, size_t count) {
    if (count > 0) StringCchCatNW(out, outChars, text, count);
}

HANDLE PrinterOf(const DriverItemMap* map) { return map != nullptr ? SheetPrinter(*map) : nullptr; }

void ReadDriverName(HANDLE printer, wchar_t* out, size_t outChars) {
    out[0] = L'\0';
    const GlobalBlock<PRINTER_INFO_2W> info = ReadPrinterInfo2(printer);
    if (info && info.get()->pDriverName != nullptr) {
        StringCchCopyW(out, outChars, info.get()->pDriverName);
    }
}

void ReadVersionValue(const wchar_t* versionFile, const wchar_t* key, wchar_t* out,
                      DWORD outChars) {
    out[0] = L'\0';
    GetPrivateProfileStringW(kVersionSection, key, L"", out, outChars, versionFile);
}

void InitDialog(HWND dialog, DriverItemMap* map) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    ApplyContextHelpStyle(dialog);

    wchar_t ppdVersion[kAboutTextChars] = {};
    wchar_t notice[kAboutTextChars] = {};
    wchar_t driverVersion[kAboutTextChars] = {};
    wchar_t driverName[kAboutTextChars] = {};
    const HANDLE printer = PrinterOf(map);
    // The model's own description: the driver's data file, whatever the package named it.
    wchar_t ppdPath[kPathChars] = {};
    if (printer != nullptr && FindDataFile(printer, ppdPath)) {
        ReadPpdTexts(ppdPath, ppdVersion, kAboutTextChars, notice, kAboutTextChars);
    }
    ReadDriverVersion(printer, driverVersion, kAboutTextChars);
    ReadDriverName(printer, driverName, kAboutTextChars);

    SetControlText(dialog, IDC_ABOUT_DRIVER_NAME, driverName);
    SetControlText(dialog, IDC_ABOUT_DRIVER_VERSION, driverVersion);
    SetControlText(dialog, IDC_ABOUT_PPD_VERSION, ppdVersion);
    SetControlText(dialog, IDC_ABOUT_NOTICE, notice);
}

// Draws the internal version in a strip below the notice line when the pointer is on the
// driver version.
void ShowInternalVersion(HWND dialog, LPARAM clientPoint) {
    wchar_t internal[kInternalVerChars] = {};
    ReadInternalVersion(PrinterOf(MapOf(dialog)), internal, kInternalVerChars);
    if (internal[0] == L'\0') return;

    POINT pointer = {GET_X_LPARAM(clientPoint), GET_Y_LPARAM(clientPoint)};
    ClientToScreen(dialog, &pointer);
    RECT version = {};
    HWND versionControl = FindControl(dialog, IDC_ABOUT_DRIVER_VERSION);
    if (versionControl == nullptr || !GetWindowRect(versionControl, &version)) return;
    if (pointer.x <= version.left || pointer.x >= version.right || pointer.y <= version.top ||
        pointer.y >= version.bottom) {
        return;
    }

    RECT window = {};
    RECT noticeRect = {};
    HWND noticeControl = FindControl(dialog, IDC_ABOUT_NOTICE);
    if (!GetWindowRect(dialog, &window) || noticeControl == nullptr ||
        !GetWindowRect(noticeControl, &noticeRect)) {
        return;
    }
    POINT topLeft = {window.left + kStripInset, noticeRect.bottom + kStripTop};
    POINT bottomRight = {window.right - kStripInset, noticeRect.bottom + kStripBottom};
    ScreenToClient(dialog, &topLeft);
    ScreenToClient(dialog, &bottomRight);
    RECT strip = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};

    WindowDc dc(dialog);
    if (!dc) return;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    SelectGuard useFont(dc.get(), font);
    const int oldMode = SetBkMode(dc.get(), TRANSPARENT);
    DrawTextW(dc.get(), internal, -1, &strip,
              DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetBkMode(dc.get(), oldMode);
}

// Ctrl+Shift+double-click on the driver version shows the internal version once, below the
// notice line.
void OnDoubleClick(HWND dialog, WPARAM keys, LPARAM clientPoint) {
    if ((keys & (MK_CONTROL | MK_SHIFT)) == (MK_CONTROL | MK_SHIFT)) {
        ShowInternalVersion(dialog, clientPoint);
    }
}

bool OnDrawItem(HWND dialog, int id) {
    if (id != IDC_ABOUT_LOGO) return false;
    DrawTransparentBitmap(dialog, ModuleHandle, IDC_ABOUT_LOGO, IDB_ABOUT_LOGO);
    return true;
}

bool OnCommand(HWND dialog, int id) {
    switch (id) {
        case IDOK:
            EndDialog(dialog, kDialogAccepted);
            return true;
        case IDCANCEL:
            EndDialog(dialog, kDialogDismissed);
            return true;
        default:
            return false;
    }
}

}  // namespace

// The path stays UTF-16 all the way to CreateFileW, so a driver directory with characters
// outside the ANSI code page still finds its PPD.
void ReadPpdTexts(const wchar_t* ppdPath, wchar_t* version, size_t versionChars, wchar_t* notice,
                  size_t noticeChars) {
    version[0] = L'\0';
    notice[0] = L'\0';
    if (ppdPath == nullptr || ppdPath[0] == L'\0') return;
    TextLineReader reader(ppdPath);
    if (!reader) return;
    char line[kPpdLineBytes] = {};
    while (reader.Next(line)) {
        if (FindPpdVersion(line, version, versionChars)) break;
    }
    reader.Rewind();
    while (reader.Next(line)) {
        if (FindNotice(line, notice, noticeChars)) break;
    }
}

void FormatDriverVersion(const wchar_t* optionVer, const wchar_t* driverVer,
                         const wchar_t* internalVer, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    out[0] = L'\0';
    if (optionVer != nullptr && optionVer[0] != L'\0') {
        StringCchCopyW(out, outChars, optionVer);
        return;
    }
    if (driverVer != nullptr) {
        if (const wchar_t* comma = std::wcschr(driverVer, L',')) {
            const wchar_t* begin = comma + 1;
            size_t length = std::wcscspn(begin, L"\"");
            if (length > kDriverVerPartChars) length = kDriverVerPartChars;
            Append(out, outChars, begin, length);
        }
    }
    if (internalVer == nullptr) return;
    const size_t total = std::wcslen(internalVer);
    bool quoted = false;
    int dashes = 0;
    for (size_t i = 0; i < total; ++i) {
        const wchar_t c = internalVer[i];
        if (c == L'"') {
            quoted = !quoted;
            continue;
        }
        if (c != L'-' || quoted || ++dashes < 2) continue;
        if (total - i <= kInternalTailLimit) {
            const wchar_t* tail = internalVer + i + 1;
            size_t length = total - i - 1;
            if (tail[0] == L'"') {
                // A quoted tail: its opening quote and the value's last character (the
                // closing quote) are left out.
                ++tail;
                length = length >= 2 ? length - 2 : 0;
            }
            Append(out, outChars, tail, length);
        }
        break;
    }
}

void ReadDriverVersion(HANDLE printer, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    out[0] = L'\0';
    wchar_t versionFile[kPathChars] = {};
    if (printer == nullptr || !FindVersionFile(printer, versionFile)) return;
    wchar_t optionVer[kOptionVerChars] = {};
    wchar_t driverVer[kDriverVerChars] = {};
    wchar_t internalVer[kInternalVerChars] = {};
    ReadVersionValue(versionFile, L"OptionVer", optionVer, kOptionVerChars);
    if (optionVer[0] == L'\0') {
        ReadVersionValue(versionFile, L"DriverVer", driverVer, kDriverVerChars);
        ReadVersionValue(versionFile, L"InternalVer", internalVer, kInternalVerChars);
    }
    FormatDriverVersion(optionVer, driverVer, internalVer, out, outChars);
}

void ReadInternalVersion(HANDLE printer, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    out[0] = L'\0';
    wchar_t versionFile[kPathChars] = {};
    if (printer == nullptr || !FindVersionFile(printer, versionFile)) return;
    ReadVersionValue(
        versionFile, L"InternalVer", out,
        static_cast<DWORD>(outChars < kInternalVerChars ? outChars : kInternalVerChars));
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog, reinterpret_cast<DriverItemMap*>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            return OnDrawItem(dialog, static_cast<int>(wParam)) ? TRUE : FALSE;
        case WM_LBUTTONDBLCLK:
            OnDoubleClick(dialog, wParam, lParam);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam)) ? TRUE : FALSE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            HandleContextHelp(MapOf(dialog), message, wParam, lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace oemui
