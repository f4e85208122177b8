#include "setup/cipherset.h"

#include <strsafe.h>
#include <winspool.h>

#include <array>
#include <memory>
#include <new>

#include "plugin/config.h"
#include "plugin/trace.h"

namespace oemui {

namespace {

constexpr DWORD kLibraryPathChars = kPathChars - 1;  // 520 bytes

// Full path of the model's encryption library; false when the model names none or the path
// does not fit.
bool EncryptionLibraryPath(HANDLE hPrinter, wchar_t (&path)[kLibraryPathChars]) {
    wchar_t name[kIniStringChars] = {};
    DWORD chars = kIniStringChars;
    GetModelString(hPrinter, L"CryptoDll", name, &chars);
    if (name[0] == L'\0') return false;
    DWORD bytes = sizeof(path);
    return BuildDriverFilePath(path, &bytes, name, 3);
}

// One printer's defaults as its library gave them.
struct KeptDefaults {
    std::array<wchar_t, kPathChars> printer{};
    std::array<wchar_t, kLibraryPathChars> library{};
    CryptoSettingsBlock block{};
    bool used = false;
};

constexpr size_t kKeptPrinters = 8;

struct DefaultsTable {
    SRWLOCK lock = SRWLOCK_INIT;
    std::array<KeptDefaults, kKeptPrinters> entries{};
    size_t next = 0;  // the oldest entry, replaced when the table is full
};

DefaultsTable& Defaults() {
    static DefaultsTable table;
    return table;
}

// The printer's name as the spooler knows it; false when it cannot be told (nothing is kept
// for such a printer).
bool PrinterNameOf(HANDLE hPrinter, std::array<wchar_t, kPathChars>& name) {
    DWORD needed = 0;
    GetPrinterW(hPrinter, 4, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[needed]);
    if (!buffer || !GetPrinterW(hPrinter, 4, buffer.get(), needed, &needed)) return false;
    const wchar_t* printerName =
        reinterpret_cast<const PRINTER_INFO_4W*>(buffer.get())->pPrinterName;
    return printerName != nullptr && printerName[0] != L'\0' &&
           SUCCEEDED(StringCchCopyW(name.data(), name.size(), printerName));
}

bool SameEntry(const KeptDefaults& entry, const std::array<wchar_t, kPathChars>& printer,
               const wchar_t* library) {
    return entry.used && wcscmp(entry.printer.data(), printer.data()) == 0 &&
           wcscmp(entry.library.data(), library) == 0;
}

}  // namespace

bool EncryptionDefaults(HANDLE hPrinter, CryptoSettingsBlock& block) {
    wchar_t library[kLibraryPathChars] = {};
    std::array<wchar_t, kPathChars> printer{};
    const bool keep = EncryptionLibraryPath(hPrinter, library) && PrinterNameOf(hPrinter, printer);
    DefaultsTable& table = Defaults();
    if (keep) {
        AcquireSRWLockShared(&table.lock);
        bool found = false;
        for (const KeptDefaults& entry : table.entries) {
            if (SameEntry(entry, printer, library)) {
                block = entry.block;
                found = true;
                break;
            }
        }
        ReleaseSRWLockShared(&table.lock);
        if (found) return true;
    }

    CCiperSet cipher(hPrinter);
    if (cipher.GetDefaultSetting(&block, 1) == 0) return false;
    if (!keep || !cipher.Loaded()) return true;

    AcquireSRWLockExclusive(&table.lock);
    KeptDefaults* slot = nullptr;
    for (KeptDefaults& entry : table.entries) {
        if (SameEntry(entry, printer, library)) slot = &entry;
    }
    if (slot == nullptr) {
        slot = &table.entries[table.next];
        table.next = (table.next + 1) % table.entries.size();
    }
    slot->printer = printer;
    StringCchCopyW(slot->library.data(), slot->library.size(), library);
    slot->block = block;
    slot->used = true;
    ReleaseSRWLockExclusive(&table.lock);
    return true;
}

CCiperSet::CCiperSet(HANDLE hPrinter) {
    wchar_t path[kLibraryPathChars] = {};
    if (!EncryptionLibraryPath(hPrinter, path)) return;
    m_hModule.reset(LoadLibraryW(path));
    TraceLibrary(L"encryption library (CryptoDll)", path, m_hModule.get());
}

int CCiperSet::GetDefaultSetting(CryptoSettingsBlock* block, int mode) {
    auto fn = EntryPoint<PFN_GetDefaultSetting>("GetDefaultSetting");
    return fn != nullptr ? fn(block, mode) : 0;
}

int CCiperSet::DispCryptoUIEx(HWND owner, CryptoSettingsBlock* block, int mode) {
    auto fn = EntryPoint<PFN_DispCryptoUIEx>("DispCryptoUIEx");
    return fn != nullptr ? fn(owner, block, mode) : 0;
}

int CCiperSet::EncryptPassword(const char* text, DWORD length, BYTE* out, DWORD* outLength) {
    auto fn = EntryPoint<PFN_EncryptPassword>("EncryptPassword");
    return fn != nullptr ? fn(text, length, out, outLength) : 0;
}

int CCiperSet::DecryptPassword(const BYTE* in, DWORD inLength, char* text, DWORD* textSize) {
    // Without the library nothing can be decrypted; the caller sees 0, as for a failed call.
    // (No message box: users cannot act on a missing entry point, and its text was no text of
    // the plug-in's resources.)
    if (!m_hModule) return 0;
    auto fn = EntryPoint<PFN_DecryptPassword>("DecryptPassword");
    return fn != nullptr ? fn(in, inLength, text, textSize) : 0;
}

}  // namespace oemui
