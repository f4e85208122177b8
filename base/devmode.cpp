#include "base/devmode.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "base/config.h"
#include "base/phasetimer.h"
#include "base/cipherset.h"
#include "base/trace.h"
#include "base/watermarkrecord.h"

namespace oemui {

namespace {

// Settings words of the model's encryption library, when it has any.
void TakeEncryptionDefaults(HANDLE hPrinter, PrivateDevmode& record) {
    CryptoSettingsBlock block = {};
    const bool given = EncryptionDefaults(hPrinter, block);
    if (given) {
        record.CryptoSettingA = block.Word0;
        record.CryptoSettingB = block.Word1;
        record.CryptoSettingD = block.Word7;
        record.CryptoSettingC = block.Word6;
        record.EncryptedPasswordLength = 0;
        record.EncryptedPassword[0] = 0;
    }
    SecureZeroMemory(&block, sizeof(block));
}

void WriteDefaultRecord(HANDLE hPrinter, PrivateDevmode& record) {
    WriteHeader(record);
    WriteDefaultValues(record);

    record.PluginIniPath[0] = L'\0';  // stays empty when the driver has no plug-in INI file
    {
        OEMUI_PHASE("  default record: dependent files");
        FindDependentFilesInto(hPrinter, record.PluginIniPath, record.CapabilityFilePath);
    }

    wchar_t directory[kPathChars] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                    sizeof(directory), &needed)) {
        directory[0] = L'\0';
    }

    {
        OEMUI_PHASE("  default record: encryption library defaults");
        TakeEncryptionDefaults(hPrinter, record);
    }

    static_assert(sizeof(record.DriverDirectory) == sizeof(directory));
    memcpy(record.DriverDirectory, directory, sizeof(directory));
    record.CompressionLevel = CompressionLevelFor(
        GetModelIntIn(record.CapabilityFilePath, hPrinter, L"Compression"));
}

// Converts a stored record into the output record. A record of this plug-in's signature is
// copied over the defaults as far as both records reach; anything else gives the defaults.
void ConvertRecord(HANDLE hPrinter, const PrivateDevmode* in, PrivateDevmode& out) {
    const DWORD outSizeAsPassed = out.Header.dwSize;
    // The size comes first in the header: a record too short to hold the rest of its header
    // is foreign, and its signature is never read.
    const DWORD inSize = in->Header.dwSize;
    const bool sameKind = inSize >= sizeof(OEM_DMEXTRAHEADER) &&
                          in->Header.dwSignature == out.Header.dwSignature &&
                          in->Header.dwSignature == kPrivateDevmodeSignature;
    WriteDefaultValues(out);
    if (sameKind) {
        TakeEncryptionDefaults(hPrinter, out);
        // Both sizes come from buffers the plug-in does not own: never copy past a record.
        const size_t bytes = std::min<size_t>({outSizeAsPassed, inSize, kPrivateDevmodeSize});
        if (in != &out) memmove(&out, in, bytes);
        out.Header.dwSize = kPrivateDevmodeSize;
        out.Header.dwVersion = kPrivateDevmodeVersion;
        out.Header.dwSignature = kPrivateDevmodeSignature;
        if (inSize < kPrivateDevmodeSize) {
            OEMUI_TRACE(kTraceDecisions,
                        L"private record: stored record of %lu bytes, the fields beyond it take "
                        L"their defaults",
                        inSize);
        }
        if (TraceOn(kTraceWarning)) {
            const PrivateDevmode stored = out;
            MakeStoredRecordSafe(out);
            if (std::memcmp(&stored, &out, sizeof(out)) != 0) {
                OEMUI_TRACE(kTraceWarning,
                            L"private record: stored fields out of range or unterminated, "
                            L"replaced by safe values");
            }
        } else {
            MakeStoredRecordSafe(out);
        }
    } else {
        // Another driver's record, another version's signature, or a record too short for a
        // header: none of it can be trusted.
        OEMUI_TRACE(kTraceWarning,
                    L"private record: stored record not this plug-in's (%lu bytes, signature "
                    L"0x%08lX), replaced by defaults",
                    inSize, inSize >= sizeof(OEM_DMEXTRAHEADER) ? in->Header.dwSignature : 0ul);
        WriteHeader(out);
        out.ConvertMark = 0;
        TakeEncryptionDefaults(hPrinter, out);
    }
}

// A text field with no terminator inside it ends at its last element; one that has a
// terminator is left byte for byte.
template <size_t N>
void TerminateIfOpen(wchar_t (&field)[N]) {
    if (std::find(field, field + N, L'\0') == field + N) field[N - 1] = L'\0';
}

// A job name or PIN with a character its dialog would have refused is cleared whole; a PIN is
// four digits or nothing.
template <size_t N>
void ClearUnlessTyped(wchar_t (&field)[N], bool (*allowed)(wchar_t), size_t exactLength) {
    size_t length = 0;
    bool typed = true;
    for (; length < N && field[length] != L'\0'; ++length) typed = typed && allowed(field[length]);
    if (!typed || (exactLength != 0 && length != 0 && length != exactLength)) field[0] = L'\0';
}

template <typename T>
void Clamp(T& value, T low, T high) {
    value = std::clamp(value, low, high);
}

}  // namespace

void FormatWatermarkColorText(COLORREF color, char (&out)[16]) {
    std::memset(out, 0, sizeof(out));
    // Made by hand, not through the C runtime: its decimal separator follows the process-wide
    // locale, and the text goes to PostScript, which needs a point. Each channel / 255 in
    // hundredths, rounded to nearest (no channel value falls exactly half-way).
    const unsigned channels[] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    size_t at = 0;
    for (const unsigned channel : channels) {
        const unsigned hundredths = (channel * 200u + 255u) / 510u;
        if (at != 0) out[at++] = ' ';
        out[at++] = static_cast<char>('0' + hundredths / 100);
        out[at++] = '.';
        out[at++] = static_cast<char>('0' + hundredths / 10 % 10);
        out[at++] = static_cast<char>('0' + hundredths % 10);
    }
}

void MakeStoredRecordSafe(PrivateDevmode& record) {
    TerminateIfOpen(record.JobName);
    TerminateIfOpen(record.JobPin);
    TerminateIfOpen(record.DriverDirectory);
    TerminateIfOpen(record.PluginIniPath);
    TerminateIfOpen(record.CapabilityFilePath);
    ClearUnlessTyped(record.JobName, IsJobNameChar, 0);
    ClearUnlessTyped(record.JobPin, IsJobPinChar, 4);

    // The active overlays run up to the first empty slot; an id beyond the definitions or one
    // already listed would print a wrong or a doubled overlay, so it leaves the run.
    size_t kept = 0;
    for (size_t slot = 0; slot < std::size(record.OverlayIds); ++slot) {
        const WORD id = record.OverlayIds[slot];
        if (id == kNoOverlay) break;
        bool listed = false;
        for (size_t earlier = 0; earlier < kept; ++earlier) {
            listed = listed || record.OverlayIds[earlier] == id;
        }
        if (id < kStoredOverlayIdLimit && !listed) record.OverlayIds[kept++] = id;
    }
    for (size_t slot = kept; slot < std::size(record.OverlayIds); ++slot) {
        if (record.OverlayIds[slot] == kNoOverlay) break;
        record.OverlayIds[slot] = kNoOverlay;
    }

    Clamp<INT32>(record.WatermarkIndex, 0, kMaxWatermarks);
    // The watermark's own fields are read only while one is chosen (the defaults leave them
    // as the buffer held them).
    if (record.WatermarkIndex != 0) {
        TerminateIfOpen(record.WmarkFontName);
        TerminateIfOpen(record.WmarkText);
        Clamp<INT16>(record.WmarkPosition, kPositionUpperLeft, kPositionLowerRight);
        Clamp<INT16>(record.WmarkBorder, kBorderNone, kBorderDoubleFrame);
        Clamp<INT32>(record.WmarkSize, kWatermarkSizeMin, kWatermarkSizeMax);
        Clamp<INT16>(record.WmarkAngle, kWatermarkAngleMin, kWatermarkAngleMax);
        Clamp<INT32>(record.WmarkOffsetX, kWatermarkOffsetMin, kWatermarkOffsetMax);
        Clamp<INT32>(record.WmarkOffsetY, kWatermarkOffsetMin, kWatermarkOffsetMax);
        Clamp<INT32>(record.WmarkFontIndex, 0, INT32_MAX);
        if (record.WmarkWeight != kWeightBold) record.WmarkWeight = kWeightRegular;
        // The colour text goes into the PostScript stream as it stands: only the text its RGB
        // value gives may stand there.
        FormatWatermarkColorText(record.WmarkColorRgb, record.WmarkColorText);
    }

    Clamp<WORD>(record.CompressionLevel, 0, 3);
    Clamp<DWORD>(record.EncryptedPasswordLength, 0, sizeof(record.EncryptedPassword));
}

void WriteHeader(PrivateDevmode& record) {
    record.Header.dwSize = kPrivateDevmodeSize;
    record.Header.dwSignature = kPrivateDevmodeSignature;
    record.Header.dwVersion = kPrivateDevmodeVersion;
}

void WriteDefaultValues(PrivateDevmode& record) {
    record.OemItemSel = 0;
    record.OverlayIds[0] = kNoOverlay;
    record.ColorModeValue = 0;
    record.JobName[0] = L'\0';
    record.JobPin[0] = L'\0';
    record.AskJobName = 0;
    record.WatermarkIndex = 0;
    record.ColorSettingId = 0;
    record.PsGammaSettingId = 0;
    record.CcmTableLength[0] = 0;
    record.CcmValueLength[0] = 0;
    record.DrvItemSelA = 0;
    record.DrvItemSelB = 0;
    record.PaperKey = 0;
    record.PaperFlags = 0;
    record.SavedModeValue = 0;
    record.FixedScaleSetting = 0;
    record.FitPaperSetting = 100;
    record.CustomPaperWidth = 2100;
    record.PresetFlag = 1;
    record.FitPaperSize = DMPAPER_A4;
    record.PresetPaperSize = DMPAPER_A4;
    record.CustomPaperLength = 2970;
    record.PresetScale = 1000;
    record.RotateSort = 0;
    record.Collate = 0;
}

HRESULT PrivateDevmodeOperation(DWORD mode, POEMDMPARAM param) {
    if (param == nullptr || mode < OEMDM_SIZE || mode > OEMDM_MERGE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (mode == OEMDM_SIZE) {
        param->cbBufSize = kPrivateDevmodeSize;
        return S_OK;
    }
    // The printer's trace level holds for every line the operation writes.
    TraceForPrinter(param->hPrinter);
    // An output buffer the core driver declares smaller than the record cannot take it.
    if (param->cbBufSize != 0 && param->cbBufSize < kPrivateDevmodeSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    auto* out = static_cast<PrivateDevmode*>(param->pOEMDMOut);
    const auto* in = static_cast<const PrivateDevmode*>(param->pOEMDMIn);
    if (mode == OEMDM_DEFAULT) {
        if (out != nullptr) WriteDefaultRecord(param->hPrinter, *out);
        return S_OK;
    }
    if (in == nullptr || out == nullptr) return S_OK;
    ConvertRecord(param->hPrinter, in, *out);
    if (mode == OEMDM_MERGE) {
        WriteHeader(*out);
        if (out->OemItemSel > 100) out->OemItemSel = 0;
    }
    return S_OK;
}

}  // namespace oemui
