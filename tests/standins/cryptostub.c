/* Stand-in for a model's password-encryption library. It fills known setting words, "encrypts"
 * by reversing the text and flipping bits, and appends one line per call to the file named by
 * the environment variable OEMUI_STANDIN_LOG. OEMUI_CRYPTO_RESULT, when set, is the result of
 * GetDefaultSetting; OEMUI_CRYPTO_UI_RESULT=0 makes DispCryptoUIEx report a cancel. */
#include "standinlog.h"
#include <windows.h>
#include <string.h>

typedef struct {
    DWORD Word0;
    DWORD Word1;
    char Password[16];
    DWORD Word6;
    DWORD Word7;
    DWORD Unused;
} SettingsBlock;

STANDIN_LOGGING_DLLMAIN("")

int __cdecl GetDefaultSetting(SettingsBlock* block, int mode) {
    const int result = EnvNumber("OEMUI_CRYPTO_RESULT", 1);
    Log("GetDefaultSetting mode=%d", mode);
    block->Word0 = 0x0A0A0001;
    block->Word1 = 0x0B0B0002;
    block->Word6 = 0x06060006;
    block->Word7 = 0x07070007;
    return result;
}

int __cdecl DispCryptoUIEx(HWND owner, SettingsBlock* block, int mode) {
    Log("DispCryptoUIEx owner=%d mode=%d", owner != NULL, mode);
    if (EnvNumber("OEMUI_CRYPTO_UI_RESULT", 1) == 0) return 0; /* the user cancelled */
    block->Word0 = 0x1000 + (DWORD)mode;
    strcpy(block->Password, "secret");
    return 1;
}

int __cdecl EncryptPassword(const char* text, DWORD length, BYTE* out, DWORD* outLength) {
    DWORD i;
    Log("EncryptPassword length=%lu room=%lu", (unsigned long)length, (unsigned long)*outLength);
    if (length > *outLength) return 0;
    for (i = 0; i < length; ++i) out[i] = (BYTE)(text[length - 1 - i] ^ 0x5A);
    *outLength = length;
    return 1;
}

int __cdecl DecryptPassword(const BYTE* in, DWORD inLength, char* text, DWORD* textSize) {
    DWORD i;
    Log("DecryptPassword length=%lu room=%lu", (unsigned long)inLength, (unsigned long)*textSize);
    if (inLength + 1 > *textSize) return 0;
    for (i = 0; i < inLength; ++i) text[i] = (char)(in[inLength - 1 - i] ^ 0x5A);
    text[inLength] = '\0';
    return 1;
}
