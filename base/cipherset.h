// Access to the model's optional password-encryption library ("CryptoDll"). One object lives
// for one operation: it loads the library for a printer, looks up an entry point per call and
// unloads the library when it goes away.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/handles.h"

namespace oemui {

// Settings block exchanged with the encryption library (36 bytes).
struct CryptoSettingsBlock {
    DWORD Word0;        // -> PrivateDevmode::CryptoSettingA
    DWORD Word1;        // -> CryptoSettingB
    char Password[16];  // 8-bit text, NUL-terminated, at most 12 characters
    DWORD Word6;        // -> CryptoSettingC
    DWORD Word7;        // -> CryptoSettingD
    DWORD Unused;
};
static_assert(offsetof(CryptoSettingsBlock, Word1) == 4);
static_assert(offsetof(CryptoSettingsBlock, Password) == 8);
static_assert(offsetof(CryptoSettingsBlock, Word6) == 24);
static_assert(offsetof(CryptoSettingsBlock, Word7) == 28);
static_assert(sizeof(CryptoSettingsBlock) == 36);

// Entry points of the library. The caller removes the arguments.
using PFN_GetDefaultSetting = int(__cdecl*)(CryptoSettingsBlock* block, int mode);
using PFN_DispCryptoUIEx = int(__cdecl*)(HWND owner, CryptoSettingsBlock* block, int mode);
using PFN_EncryptPassword = int(__cdecl*)(const char* text, DWORD length, BYTE* out,
                                          DWORD* outLength);
using PFN_DecryptPassword = int(__cdecl*)(const BYTE* in, DWORD inLength, char* text,
                                          DWORD* textSize);

// The library's default settings (GetDefaultSetting, mode 1) for hPrinter's model; true with
// `block` filled when the library gave them. The library is asked every time: its answer may
// change, and its block holds a password field that is not kept beyond the call.
bool EncryptionDefaults(HANDLE hPrinter, CryptoSettingsBlock& block);

class CCiperSet {
public:
    explicit CCiperSet(HANDLE hPrinter);
    ~CCiperSet() = default;
    CCiperSet(const CCiperSet&) = delete;
    CCiperSet& operator=(const CCiperSet&) = delete;

    bool Loaded() const { return static_cast<bool>(m_hModule); }

    // Each returns 0 when the library or its entry point is missing, else the library's result.
    int GetDefaultSetting(CryptoSettingsBlock* block, int mode);
    int DispCryptoUIEx(HWND owner, CryptoSettingsBlock* block, int mode);
    int EncryptPassword(const char* text, DWORD length, BYTE* out, DWORD* outLength);
    int DecryptPassword(const BYTE* in, DWORD inLength, char* text, DWORD* textSize);

private:
    template <typename Fn>
    Fn EntryPoint(const char* name) const {
        if (!m_hModule) return nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_hModule.get(), name)));
    }

    UniqueModule m_hModule;
};

}  // namespace oemui
