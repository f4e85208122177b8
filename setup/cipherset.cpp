#include "setup/cipherset.h"

#include "plugin/config.h"
#include "plugin/trace.h"

namespace oemui {

CCiperSet::CCiperSet(HANDLE hPrinter) {
    wchar_t name[kIniStringChars] = {};
    DWORD chars = kIniStringChars;
    GetModelString(hPrinter, L"CryptoDll", name, &chars);
    if (name[0] == L'\0') return;
    wchar_t path[kPathChars - 1] = {};  // 520 bytes
    DWORD bytes = sizeof(path);
    if (!BuildDriverFilePath(path, &bytes, name, 3)) return;
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
    if (!m_hModule) {
        MessageBoxW(nullptr, L"CCiperSet::DecryptPassword() : m_hModule is NULL", nullptr, MB_OK);
        return 0;
    }
    auto fn = EntryPoint<PFN_DecryptPassword>("DecryptPassword");
    if (fn == nullptr) {
        MessageBoxW(nullptr, L"CCiperSet::DecryptPassword() : pfnDecryptPassword is NULL", nullptr,
                    MB_OK);
        return 0;
    }
    return fn(in, inLength, text, textSize);
}

}  // namespace oemui
