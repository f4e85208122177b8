#include "base/devmode.h"

#include <algorithm>
#include <cstring>

#include "base/config.h"
#include "base/phasetimer.h"
#include "base/cipherset.h"

namespace oemui {

namespace {

// Settings words of the model's encryption library, when it has any.
void TakeEncryptionDefaults(HANDLE hPrinter, PrivateDevmode& record) {
    CryptoSettingsBlock block = {};
    if (!EncryptionDefaults(hPrinter, block)) return;
    record.CryptoSettingA = block.Word0;
    record.CryptoSettingB = block.Word1;
    record.CryptoSettingD = block.Word7;
    record.CryptoSettingC = block.Word6;
    record.EncryptedPasswordLength = 0;
    record.EncryptedPassword[0] = 0;
}

void WriteDefaultRecord(HANDLE hPrinter, PrivateDevmode& record) {
    WriteHeader(record);
    WriteDefaultValues(record);

    record.PluginIniPath[0] = L'\0';  // stays empty when the driver has no plug-in INI file
    {
        OEMUI_PHASE("  default record: dependent files");
        FindDependentFiles(hPrinter, record.PluginIniPath);
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
    static_assert(sizeof(record.CapabilityFilePath) == sizeof(CapabilityFilePath));
    memcpy(record.DriverDirectory, directory, sizeof(directory));
    memcpy(record.CapabilityFilePath, CapabilityFilePath, sizeof(CapabilityFilePath));
    record.CompressionLevel = CompressionLevelFor(GetModelInt(hPrinter, L"Compression"));
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
    // The encryption library is named by this printer's model; find its capability file.
    FindDependentFiles(hPrinter, nullptr);
    if (sameKind) {
        TakeEncryptionDefaults(hPrinter, out);
        // Both sizes come from buffers the plug-in does not own: never copy past a record.
        const size_t bytes = std::min<size_t>({outSizeAsPassed, inSize, kPrivateDevmodeSize});
        if (in != &out) memmove(&out, in, bytes);
        out.Header.dwSize = kPrivateDevmodeSize;
        out.Header.dwVersion = kPrivateDevmodeVersion;
        out.Header.dwSignature = kPrivateDevmodeSignature;
    } else {
        WriteHeader(out);
        out.ConvertMark = 0;
        TakeEncryptionDefaults(hPrinter, out);
    }
}

}  // namespace

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
