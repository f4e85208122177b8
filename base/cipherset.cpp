#include "base/cipherset.h"

#include "base/driverfiles.h"
#include "base/config.h"
#include "base/trace.h"

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

}  // namespace

bool EncryptionDefaults(HANDLE hPrinter, CryptoSettingsBlock& block) {
    CCiperSet cipher(hPrinter);
    return cipher.GetDefaultSetting(&block, 1) != 0;
}

CCiperSet::CCiperSet(HANDLE hPrinter) {
    wchar_t path[kLibraryPathChars] = {};
    if (!EncryptionLibraryPath(hPrinter, path)) return;
    m_hModule = LoadModelLibrary(path, L"encryption library (CryptoDll)");
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
    // A missing library or entry point is the integrator's to see in the trace; the user is
    // asked for the password again as when the library refuses it.
    if (!m_hModule) {
        OEMUI_TRACE(kTraceDecisions, L"encryption library: none loaded, password not decrypted");
        return 0;
    }
    auto fn = EntryPoint<PFN_DecryptPassword>("DecryptPassword");
    if (fn == nullptr) {
        OEMUI_TRACE(kTraceDecisions,
                    L"encryption library: no DecryptPassword entry, password not decrypted");
        return 0;
    }
    return fn(in, inLength, text, textSize);
}

}  // namespace oemui
