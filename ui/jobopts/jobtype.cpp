#include "ui/jobopts/jobtype.h"

#include <winspool.h>

#include <cstring>

#include "base/driverfiles.h"
#include "base/config.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "base/cipherset.h"
#include "ui/common/dialogs.h"
#include "base/handles.h"
#include "base/trace.h"
#include "ui/common/sheetcontext.h"
#include "ui/jobopts/advanceddialog.h"
#include "ui/jobopts/jobnamedialog.h"

namespace oemui {

namespace {

constexpr DWORD kSettingBytes = 64;  // DrvGetDriverSetting answers
// DispCryptoUIEx modes.
constexpr int kCryptoUiLocal = 0;
constexpr int kCryptoUiShared = 1;  // shared or network printer, or Windows Vista and later
constexpr int kCryptoUiCardReader = 2;

DWORD& JobType(DriverItemMap& map) { return map.WantedValue[kEntryJobType]; }

bool IsStoredJob(DWORD jobType) { return jobType >= kJobStoredFirst && jobType <= kJobStoredLast; }

// A whole 8-bit copy of `text` in `out`; false (out empty) when it does not fit.
bool ToAnsi(const wchar_t* text, char* out, int outBytes) {
    out[0] = '\0';
    const int written = WideCharToMultiByte(CP_ACP, 0, text, -1, out, outBytes, nullptr, nullptr);
    if (written <= 0) {
        out[0] = '\0';
        return false;
    }
    out[outBytes - 1] = '\0';
    return true;
}

// The printer driver's name (GetPrinterDriverW level 1, sized by the spooler) as 8-bit text.
bool DriverNameAnsi(HANDLE printer, char (&out)[kCardDriverNameBytes]) {
    out[0] = '\0';
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 1, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_1W)) return false;
    GlobalBlock<DRIVER_INFO_1W> info(needed);
    if (!info || !GetPrinterDriverW(printer, nullptr, 1, reinterpret_cast<BYTE*>(info.get()),
                                    needed, &needed)) {
        return false;
    }
    return info.get()->pName != nullptr && ToAnsi(info.get()->pName, out, kCardDriverNameBytes);
}

// `what` names the library in the trace.
UniqueModule LoadDriverLibrary(const DriverItemMap& map, const wchar_t* key, const wchar_t* what) {
    wchar_t name[kIniStringChars];
    ReadModelValue(map, key, name, kIniStringChars);
    if (name[0] == L'\0') return UniqueModule();
    wchar_t path[kPathChars] = {};
    DWORD bytes = sizeof(path);
    if (!BuildDriverFilePath(path, &bytes, name)) {
        OEMUI_TRACE(kTraceWarning, L"%ls: \"%ls\" gives no driver-directory path, not loaded", what,
                    name);
        return UniqueModule();
    }
    return LoadModelLibrary(path, what);
}

bool HasModelValue(const DriverItemMap& map, const wchar_t* key) {
    wchar_t value[kIniStringChars];
    ReadModelValue(map, key, value, kIniStringChars);
    return value[0] != L'\0';
}

// Asks the encryption library for the job's encryption settings when it needs them (or always,
// from the settings button) and stores what the user chose. False when the job cannot be an
// encrypted one: no library, or the user cancelled.
bool SettleEncryptedJob(HWND page, DriverItemMap& map, bool fromButton) {
    PrivateDevmode* record = SheetRecord(map);
    if (record == nullptr) return false;
    CCiperSet cipher(SheetPrinter(map));
    if (!cipher.Loaded()) return false;

    CryptoSettingsBlock block = {};
    block.Word0 = record->CryptoSettingA;
    block.Word1 = record->CryptoSettingB;
    block.Word6 = record->CryptoSettingC;
    block.Word7 = record->CryptoSettingD;
    const DWORD storedLength = record->EncryptedPasswordLength;
    bool decrypted = false;
    if (storedLength != 0) {
        // A stored length beyond the field is a damaged record: it is not read past the field.
        const DWORD length = storedLength <= sizeof(record->EncryptedPassword)
                                 ? storedLength
                                 : static_cast<DWORD>(sizeof(record->EncryptedPassword));
        DWORD room = kPasswordTextLimit;
        decrypted =
            cipher.DecryptPassword(record->EncryptedPassword, length, block.Password, &room) != 0;
        block.Password[sizeof(block.Password) - 1] = '\0';
    }
    const bool cardReader = map.CardReaderPresent != 0;
    const bool needed = storedLength != 0 ? !decrypted : record->CryptoSettingC == 0;
    if (!fromButton && (cardReader || !needed)) {
        SecureZeroMemory(&block, sizeof(block));
        return true;
    }

    int mode = kCryptoUiLocal;
    if (fromButton && cardReader) {
        mode = kCryptoUiCardReader;
    } else if (IsVistaOrLater || IsSharedOrNetworkPrinter(SheetPrinter(map))) {
        mode = kCryptoUiShared;
    }
    const bool accepted = cipher.DispCryptoUIEx(page, &block, mode) != 0;
    if (accepted) {
        record->CryptoSettingA = block.Word0;
        record->CryptoSettingB = block.Word1;
        record->CryptoSettingC = block.Word6;
        record->CryptoSettingD = block.Word7;
        block.Password[sizeof(block.Password) - 1] = '\0';
        const DWORD textLength =
            static_cast<DWORD>(strnlen(block.Password, sizeof(block.Password)));
        DWORD length = kEncryptedPasswordRoom;
        // A password the library could not encrypt (or that would not fit) is not kept.
        const bool encrypted = cipher.EncryptPassword(block.Password, textLength,
                                                      record->EncryptedPassword, &length) != 0;
        record->EncryptedPasswordLength =
            encrypted && length <= sizeof(record->EncryptedPassword) ? length : 0;
    }
    SecureZeroMemory(&block, sizeof(block));
    return accepted;
}

}  // namespace

void ReadModelValue(const DriverItemMap& map, const wchar_t* key, wchar_t* out, DWORD chars) {
    out[0] = L'\0';
    DWORD size = chars;
    GetModelStringIn(map.CapabilityPath, SheetPrinter(map), key, out, &size);
    out[chars - 1] = L'\0';
}

bool EncryptionOffered(const DriverItemMap& map) {
    return map.HideStandardUiSeen == 1 && HasModelValue(map, L"CryptoDll");
}

DWORD QueryCardReader(const DriverItemMap& map) {
    const HANDLE printer = SheetPrinter(map);
    char driverName[kCardDriverNameBytes];
    char capabilityPath[kCardCapabilityPathBytes];
    // A name or path that does not fit whole is not handed over cut short.
    if (!DriverNameAnsi(printer, driverName) ||
        !ToAnsi(map.CapabilityPath, capabilityPath, kCardCapabilityPathBytes)) {
        return 0;
    }
    UniqueModule library = LoadDriverLibrary(map, L"CARD_DLL", L"card-reader library (CARD_DLL)");
    if (!library) return 0;
    const auto query = reinterpret_cast<PFN_QueryCardDriver>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "QueryCardDriver")));
    if (query == nullptr || IsVistaOrLater) return 0;
    return static_cast<DWORD>(query(driverName, capabilityPath));
}

bool IsEncryptedJobForced(const DriverItemMap& map) {
    char answer[kSettingBytes];
    QueryDriverSetting(map, "VRJobLimit", answer, sizeof(answer));
    return std::strcmp(answer, "True") == 0 && IsHddPresent(map) && EncryptionOffered(map);
}

void SettleStartupJobType(DriverItemMap& map) {
    DWORD& jobType = JobType(map);
    if (IsEncryptedJobForced(map)) {
        jobType = kJobEncrypted;
        PrivateDevmode* record = SheetRecord(map);
        if (record != nullptr && record->EncryptedPasswordLength == 0) record->CryptoSettingC = 1;
        return;
    }
    if (map.CardReaderPresent == 0) return;
    if (!IsHddPresent(map)) {
        jobType = kJobNormal;
    } else if (IsStoredJob(jobType)) {
        jobType = kJobEncrypted;
    }
}

void SettleJobTypeOnRefresh(DriverItemMap& map) {
    if (!HasItem(map, kEntryJobType)) return;
    DWORD& jobType = JobType(map);
    if (!IsHddPresent(map)) jobType = kJobNormal;
    if (EncryptionOffered(map)) {
        const bool loadable = static_cast<bool>(
            LoadDriverLibrary(map, L"CryptoDll", L"encryption library (CryptoDll)"));
        if (!loadable && jobType == kJobEncrypted) jobType = kJobNormal;
    }
}

bool CopiesEditable(const DriverItemMap& map) {
    return map.CardReaderPresent != 0 || map.WantedValue[kEntryJobType] == kJobNormal;
}

void ChooseJobType(HWND page, DriverItemMap& map, DWORD jobType) {
    JobType(map) = jobType;
    DWORD& copies = map.WantedValue[kEntryCopies];
    bool copiesReset = false;
    if (jobType != kJobNormal && copies != 1 &&
        (jobType != kJobEncrypted || map.CardReaderPresent == 0)) {
        copies = 1;
        copiesReset = true;
    }
    NoteJobTypeChosen(page, static_cast<int>(jobType), copiesReset);

    const PrivateDevmode* record = SheetRecord(map);
    if (IsStoredJob(jobType) && record != nullptr && JobPinDialogNeeded(*record) &&
        ShowJobPinDialog(page, &map) == 0) {
        JobType(map) = kJobNormal;
    }
    if (jobType == kJobEncrypted && HasModelValue(map, L"CryptoDll") &&
        !SettleEncryptedJob(page, map, false)) {
        JobType(map) = kJobNormal;
    }
}

void OpenJobTypeSettings(HWND page, DriverItemMap& map) {
    const DWORD jobType = JobType(map);
    if (IsStoredJob(jobType)) {
        ShowJobPinDialog(page, &map);
    } else if (jobType == kJobEncrypted && !SettleEncryptedJob(page, map, true)) {
        JobType(map) = kJobNormal;
    }
}

void SetColorControlForced(DriverItemMap& map, bool forced) {
    PrivateDevmode* record = SheetRecord(map);
    if (record == nullptr) return;
    DWORD& control = map.WantedValue[kEntryControl];
    if (forced) {
        record->SavedModeValue = control;
        control = kColorControlForced;
    } else {
        control = record->SavedModeValue == kColorControlForced ? 0 : record->SavedModeValue;
    }
}

}  // namespace oemui
