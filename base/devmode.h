// The plug-in's private DEVMODE extension. It is a stored format: the spooler keeps it with
// printers' and users' defaults and every print job carries it to the renderer, so its layout
// is fixed byte for byte in both builds.
#pragma once

#include <cstddef>

#include "contract/oemcontract.h"

namespace oemui {

inline constexpr DWORD kPrivateDevmodeSize = 3920;
inline constexpr DWORD kPrivateDevmodeSignature = 0x32303030;  // the bytes "0002"
inline constexpr DWORD kPrivateDevmodeVersion = 1;
inline constexpr WORD kNoOverlay = 255;

// Every field sits at its natural alignment (the gaps are explicit), so the layout needs no
// packing and is the same in the 32- and 64-bit builds.
struct PrivateDevmode {
    OEM_DMEXTRAHEADER Header;  // dwSize, dwSignature, dwVersion
    INT32 OemItemSel;          // selection of the plug-in's own item in the document tree
    wchar_t JobName[17];       // secure-print job name, at most 16 characters
    wchar_t JobPin[5];         // secure-print PIN, four digits
    DWORD AskJobName;          // 1 = ask for the job name at every job
    BYTE Reserved64[4];
    INT32 WatermarkIndex;  // 0 = no watermark
    WORD OverlayIds[4];    // active overlays in order, empty slots kNoOverlay
    WORD ColorModeValue;
    BYTE Reserved82[2];
    DWORD ConvertMark;       // 0 after converting a record of another signature
    BYTE CcmTableLength[2];  // little-endian count of valid CcmTable bytes
    BYTE CcmTable[253];
    BYTE CcmValueLength[2];  // little-endian count of valid CcmValue bytes
    BYTE CcmValue[255];
    DWORD ColorSettingId;
    DWORD PresetFlag;
    INT32 WmarkSize;
    INT32 WmarkFontIndex;
    INT16 WmarkAngle;
    BYTE Reserved618[2];
    INT32 WmarkOffsetX;
    INT32 WmarkOffsetY;
    DWORD WmarkColorRgb;  // 0x00BBGGRR
    BYTE Reserved632[262];
    wchar_t WmarkFontName[33];
    INT32 WmarkWeight;  // 400 or 700
    BYTE WmarkItalic;
    BYTE WmarkCharSet;
    INT16 WmarkPosition;  // 0 to 6
    INT16 WmarkBorder;    // 0 to 3
    INT16 WmarkBackground;
    BYTE WmarkFirstPageOnly;
    BYTE Reserved973[1];
    INT16 WmarkStyleCode;
    char WmarkColorText[16];  // "%1.2f %1.2f %1.2f"
    wchar_t DriverDirectory[261];
    wchar_t PluginIniPath[261];
    wchar_t CapabilityFilePath[261];
    WORD CompressionLevel;  // 0 None, 1 Fast, 2 Normal, 3 Best
    BYTE DrvItemSelA;       // N-up selection saved on Apply
    BYTE Reserved2561[3];
    INT32 PaperKey;
    BYTE PaperFlags;
    BYTE DrvItemSelB;  // orientation selection saved on Apply
    wchar_t WmarkText[513];
    DWORD CryptoSettingA;  // word 0 of the encryption settings
    DWORD CryptoSettingB;  // word 1
    BYTE EncryptedPassword[256];
    DWORD EncryptedPasswordLength;  // 0 = no password
    DWORD CryptoSettingD;           // word 7
    DWORD CryptoSettingC;           // word 6
    DWORD SavedModeValue;
    BYTE Reserved3876[4];
    DWORD PsGammaSettingId;  // low word "PSGamma" id, bit 16 custom gamma on
    DWORD FitPaperSize;      // DMPAPER_* of the fit-to-paper target
    DWORD PresetPaperSize;
    DWORD FixedScaleSetting;
    DWORD FitPaperSetting;
    DWORD CustomPaperWidth;  // tenths of a millimetre
    DWORD CustomPaperLength;
    DWORD PresetScale;
    DWORD RotateSort;
    DWORD Collate;
};

#define OEMUI_AT(field, offset, size)                                             \
    static_assert(offsetof(PrivateDevmode, field) == (offset), #field " offset"); \
    static_assert(sizeof(PrivateDevmode::field) == (size), #field " size")
OEMUI_AT(Header.dwSize, 0, 4);
OEMUI_AT(Header.dwSignature, 4, 4);
OEMUI_AT(Header.dwVersion, 8, 4);
OEMUI_AT(OemItemSel, 12, 4);
OEMUI_AT(JobName, 16, 34);
OEMUI_AT(JobPin, 50, 10);
OEMUI_AT(AskJobName, 60, 4);
OEMUI_AT(Reserved64, 64, 4);
OEMUI_AT(WatermarkIndex, 68, 4);
OEMUI_AT(OverlayIds, 72, 8);
OEMUI_AT(ColorModeValue, 80, 2);
OEMUI_AT(Reserved82, 82, 2);
OEMUI_AT(ConvertMark, 84, 4);
OEMUI_AT(CcmTableLength, 88, 2);
OEMUI_AT(CcmTable, 90, 253);
OEMUI_AT(CcmValueLength, 343, 2);
OEMUI_AT(CcmValue, 345, 255);
OEMUI_AT(ColorSettingId, 600, 4);
OEMUI_AT(PresetFlag, 604, 4);
OEMUI_AT(WmarkSize, 608, 4);
OEMUI_AT(WmarkFontIndex, 612, 4);
OEMUI_AT(WmarkAngle, 616, 2);
OEMUI_AT(Reserved618, 618, 2);
OEMUI_AT(WmarkOffsetX, 620, 4);
OEMUI_AT(WmarkOffsetY, 624, 4);
OEMUI_AT(WmarkColorRgb, 628, 4);
OEMUI_AT(Reserved632, 632, 262);
OEMUI_AT(WmarkFontName, 894, 66);
OEMUI_AT(WmarkWeight, 960, 4);
OEMUI_AT(WmarkItalic, 964, 1);
OEMUI_AT(WmarkCharSet, 965, 1);
OEMUI_AT(WmarkPosition, 966, 2);
OEMUI_AT(WmarkBorder, 968, 2);
OEMUI_AT(WmarkBackground, 970, 2);
OEMUI_AT(WmarkFirstPageOnly, 972, 1);
OEMUI_AT(Reserved973, 973, 1);
OEMUI_AT(WmarkStyleCode, 974, 2);
OEMUI_AT(WmarkColorText, 976, 16);
OEMUI_AT(DriverDirectory, 992, 522);
OEMUI_AT(PluginIniPath, 1514, 522);
OEMUI_AT(CapabilityFilePath, 2036, 522);
OEMUI_AT(CompressionLevel, 2558, 2);
OEMUI_AT(DrvItemSelA, 2560, 1);
OEMUI_AT(Reserved2561, 2561, 3);
OEMUI_AT(PaperKey, 2564, 4);
OEMUI_AT(PaperFlags, 2568, 1);
OEMUI_AT(DrvItemSelB, 2569, 1);
OEMUI_AT(WmarkText, 2570, 1026);
OEMUI_AT(CryptoSettingA, 3596, 4);
OEMUI_AT(CryptoSettingB, 3600, 4);
OEMUI_AT(EncryptedPassword, 3604, 256);
OEMUI_AT(EncryptedPasswordLength, 3860, 4);
OEMUI_AT(CryptoSettingD, 3864, 4);
OEMUI_AT(CryptoSettingC, 3868, 4);
OEMUI_AT(SavedModeValue, 3872, 4);
OEMUI_AT(Reserved3876, 3876, 4);
OEMUI_AT(PsGammaSettingId, 3880, 4);
OEMUI_AT(FitPaperSize, 3884, 4);
OEMUI_AT(PresetPaperSize, 3888, 4);
OEMUI_AT(FixedScaleSetting, 3892, 4);
OEMUI_AT(FitPaperSetting, 3896, 4);
OEMUI_AT(CustomPaperWidth, 3900, 4);
OEMUI_AT(CustomPaperLength, 3904, 4);
OEMUI_AT(PresetScale, 3908, 4);
OEMUI_AT(RotateSort, 3912, 4);
OEMUI_AT(Collate, 3916, 4);
#undef OEMUI_AT
static_assert(sizeof(PrivateDevmode) == kPrivateDevmodeSize, "PrivateDevmode is 3920 bytes");

// Writes the listed default values (not the header, not the paths, not the encryption words)
// and leaves every other byte as the buffer holds it.
void WriteDefaultValues(PrivateDevmode& record);

// Stores the header of a valid record: 3920 bytes, signature "0002", version 1.
void WriteHeader(PrivateDevmode& record);

// Text fields of a stored record are not guaranteed to end inside their buffers (the defaults
// leave most of them as the buffer held them): readers bound every read by the field's size.

// Little-endian two-byte counts of the colour-matching tables.
inline WORD ReadLength(const BYTE (&bytes)[2]) {
    return static_cast<WORD>(bytes[0] | (bytes[1] << 8));
}

// "%1.2f %1.2f %1.2f" of red, green and blue / 255 (always with a decimal point, whatever
// the locale), NUL-padded to 16 bytes: the record's WmarkColorText.
void FormatWatermarkColorText(COLORREF color, char (&out)[16]);

// The characters a job name and a PIN may hold, as the job name dialog lets them be typed:
// names 7-bit ASCII without the double quote, PINs the digits.
inline bool IsJobNameChar(wchar_t c) { return c < 0x80 && c != L'"'; }
inline bool IsJobPinChar(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Overlay ids of the record index the sheet's definitions: 0 to this limit - 1.
inline constexpr WORD kStoredOverlayIdLimit = 32;

// Makes a record of this plug-in's signature that arrived from outside (a document, an
// application, the spooler) safe for every reader, as the dialogs would have left it: text
// fields end inside their buffers, a job name or PIN the dialog would refuse is cleared, the
// overlays listed are defined and listed once, and while a watermark is chosen its colour
// text is made again from its RGB value and its placement, border, size, angle and offsets
// are brought into their ranges; the watermark index, compression level and encrypted
// password length are too. A record the plug-in wrote passes unchanged.
void MakeStoredRecordSafe(PrivateDevmode& record);

// IPrintOemUI::DevMode after the OS check: size, defaults, conversion and merge of the
// private record.
HRESULT PrivateDevmodeOperation(DWORD mode, POEMDMPARAM param);

}  // namespace oemui
