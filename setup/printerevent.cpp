#include "setup/printerevent.h"

#include <strsafe.h>
#include <winspool.h>
#include <winddiui.h>

#include <cstring>

#include "base/driverfiles.h"
#include "base/config.h"
#include "base/pluginstate.h"
#include "base/userdata.h"
#include "resource.h"
#include "base/handles.h"
#include "base/trace.h"

namespace oemui {

namespace {

constexpr wchar_t kUserModeValue[] = L"SPLUserModePrinterDriver";
constexpr wchar_t kFeatureKeywordValue[] = L"FeatureKeyword";
constexpr wchar_t kFeatureKeywordSizeValue[] = L"FeatureKeywordSize";
constexpr wchar_t kPrintersKey[] = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr wchar_t kDriverDataKey[] = L"\\PrinterDriverData";
// The library name is loaded with this many characters at most.
constexpr int kLibraryNameChars = 520;

UniquePrinter OpenWithFullAccess(const wchar_t* printerName) {
    UniquePrinter printer;
    if (printerName == nullptr || printerName[0] == L'\0') return printer;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    OpenPrinterW(const_cast<wchar_t*>(printerName), printer.put(), &defaults);
    return printer;
}

// Fetches PRINTER_INFO_<level> into a zero-filled global block; empty on failure.
GlobalBlock<BYTE> GetPrinterInfo(HANDLE hPrinter, DWORD level) {
    DWORD needed = 0;
    GetPrinterW(hPrinter, level, nullptr, 0, &needed);
    if (needed == 0) return GlobalBlock<BYTE>(0);
    GlobalBlock<BYTE> block(needed);
    if (!block) return block;
    if (!GetPrinterW(hPrinter, level, block.get(), needed, &needed)) return GlobalBlock<BYTE>(0);
    return block;
}

// Gives up the caller's identity for the spooler's and takes it back when it goes away.
class SpoolerSelfScope {
public:
    explicit SpoolerSelfScope(const SpoolerIdentity& identity) : identity_(identity) {
        if (identity_.RevertToPrinterSelf != nullptr) token_ = identity_.RevertToPrinterSelf();
    }
    ~SpoolerSelfScope() {
        if (token_ != nullptr && identity_.ImpersonatePrinterClient != nullptr) {
            identity_.ImpersonatePrinterClient(token_);
        }
    }
    SpoolerSelfScope(const SpoolerSelfScope&) = delete;
    SpoolerSelfScope& operator=(const SpoolerSelfScope&) = delete;

private:
    SpoolerIdentity identity_;
    HANDLE token_ = nullptr;
};

// The identity switch of the spooler library (entry points null when it is missing).
SpoolerIdentity SpoolerIdentityOf(HMODULE spooler) {
    SpoolerIdentity identity = {};
    if (spooler != nullptr) {
        identity.RevertToPrinterSelf = reinterpret_cast<HANDLE(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(spooler, "RevertToPrinterSelf")));
        identity.ImpersonatePrinterClient = reinterpret_cast<BOOL(WINAPI*)(HANDLE)>(
            reinterpret_cast<void*>(GetProcAddress(spooler, "ImpersonatePrinterClient")));
    }
    return identity;
}

// The printer's default DEVMODE: PRINTER_INFO_8, else PRINTER_INFO_2, else the driver's own
// default. The DEVMODE lives inside `storage`.
DEVMODEW* DefaultDevmode(HANDLE hPrinter, const wchar_t* printerName, GlobalBlock<BYTE>& info8,
                         GlobalBlock<BYTE>& storage) {
    info8 = GetPrinterInfo(hPrinter, 8);
    if (info8) {
        DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_8W*>(info8.get())->pDevMode;
        if (dm != nullptr) return dm;
    }
    storage = GetPrinterInfo(hPrinter, 2);
    if (storage) {
        DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_2W*>(storage.get())->pDevMode;
        if (dm != nullptr) return dm;
    }
    wchar_t* name = const_cast<wchar_t*>(printerName);
    const LONG bytes = DocumentPropertiesW(nullptr, hPrinter, name, nullptr, nullptr, 0);
    if (bytes <= 0) return nullptr;
    storage = GlobalBlock<BYTE>(static_cast<size_t>(bytes));
    if (!storage) return nullptr;
    auto* dm = reinterpret_cast<DEVMODEW*>(storage.get());
    if (DocumentPropertiesW(nullptr, hPrinter, name, dm, nullptr, DM_OUT_BUFFER) != IDOK) {
        return nullptr;
    }
    return dm;
}

// Reads an integer of the printer's section of varoopt.dat.
UINT InstalledValue(const wchar_t* section, const wchar_t* key, const wchar_t* file) {
    return GetPrivateProfileIntW(section, key, 0, file);
}

// "DrvInst_DuplexPrinting" of the first of the two sections that has it; 0 when neither has.
UINT InstalledDuplexChoice(const wchar_t* printerName, const wchar_t* deviceName,
                           const wchar_t* file) {
    constexpr wchar_t kKey[] = L"DrvInst_DuplexPrinting";
    for (const wchar_t* section : {printerName, deviceName}) {
        wchar_t probe[16] = {};
        if (GetPrivateProfileStringW(section, kKey, L"", probe, 16, file) > 0) {
            return InstalledValue(section, kKey, file);
        }
    }
    return 0;
}

}  // namespace

bool EnsureUserModeLibrary(HANDLE hPrinter, HMODULE resources) {
    DWORD type = 0;
    DWORD needed = 0;
    const DWORD status =
        GetPrinterDataW(hPrinter, const_cast<wchar_t*>(kUserModeValue), &type, nullptr, 0, &needed);
    // A value longer than its terminating NUL already names a library: leave it.
    if (status == ERROR_MORE_DATA && needed > sizeof(wchar_t)) {
        OEMUI_TRACE(kTraceDecisions, L"printer event: \"%ls\" already set, left as it is",
                    kUserModeValue);
        return true;
    }

    wchar_t library[kLibraryNameChars + 1] = {};
    const int chars = LoadStringW(resources, IDS_USER_MODE_LIBRARY, library, kLibraryNameChars);
    if (chars <= 0) {
        OEMUI_TRACE(kTraceError, L"printer event: no library name for \"%ls\" in the resources",
                    kUserModeValue);
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((chars + 1) * sizeof(wchar_t));
    const DWORD written = SetPrinterDataW(hPrinter, const_cast<wchar_t*>(kUserModeValue), REG_SZ,
                                          reinterpret_cast<BYTE*>(library), bytes);
    if (written == ERROR_SUCCESS) {
        OEMUI_TRACE(kTraceDecisions, L"printer event: printer data \"%ls\" set to \"%ls\"",
                    kUserModeValue, library);
    } else {
        OEMUI_TRACE(kTraceError, L"printer event: printer data \"%ls\" not written (error %lu)",
                    kUserModeValue, written);
    }
    return written == ERROR_SUCCESS;
}

DWORD SetFeatureOption(BYTE* list, DWORD length, const char* keyword, const char* option) {
    if (length > kFeatureListBytes) length = kFeatureListBytes;
    if (list == nullptr || keyword == nullptr || option == nullptr || keyword[0] == '\0') {
        return length;
    }
    const size_t keywordLength = strnlen(keyword, kFeatureListBytes);
    const size_t optionLength = strnlen(option, kFeatureListBytes);

    BYTE work[kFeatureListBytes] = {};
    DWORD in = 0;
    DWORD out = 0;
    size_t matched = 0;
    bool atRecordStart = true;  // a keyword begins the list or follows a NUL or line feed
    bool candidate = false;     // the bytes since the record start are a prefix of keyword
    bool replaced = false;
    while (in < length) {
        const BYTE byte = list[in++];
        if (out >= kFeatureListBytes) return length;  // the edit does not fit
        work[out++] = byte;

        if (byte == '\0' && candidate && matched == keywordLength) {
            // The whole keyword ends here: put the new option in place of the old one.
            if (out + optionLength + 2 > kFeatureListBytes) return length;
            memcpy(work + out, option, optionLength);
            out += static_cast<DWORD>(optionLength);
            work[out++] = '\0';
            work[out++] = '\n';
            // The old option runs through its line feed. A last record without one ends at
            // the end marker, which is kept.
            while (in < length) {
                if (list[in] == '\n') {
                    ++in;
                    break;
                }
                if (list[in] == '\0' && (in + 1 >= length || list[in + 1] == '\0')) break;
                ++in;
            }
            replaced = true;
            matched = 0;
            candidate = false;
            atRecordStart = true;
            continue;
        }
        if (byte == '\0' && out >= 2 && work[out - 2] == '\0') break;  // end marker copied

        if (atRecordStart) {
            candidate = true;
            matched = 0;
        }
        if (candidate && matched < keywordLength && byte == static_cast<BYTE>(keyword[matched])) {
            ++matched;
        } else {
            candidate = false;
            matched = 0;
        }
        atRecordStart = byte == '\0' || byte == '\n';
    }
    if (!replaced) return length;
    memcpy(list, work, out);
    return out;
}

bool PushPrinterDefaults(const wchar_t* printerName) {
    const UniqueModule spooler = LoadSystemLibrary(L"spoolss.dll");
    return PushPrinterDefaultsAs(printerName, SpoolerIdentityOf(spooler.get()));
}

bool PushPrinterDefaultsAs(const wchar_t* printerName, const SpoolerIdentity& identity) {
    SpoolerSelfScope actAsSpooler(identity);
    UniquePrinter printer = OpenWithFullAccess(printerName);
    if (!printer) {
        OEMUI_TRACE(kTraceError, L"printer event: \"%ls\" not opened for its defaults (error %lu)",
                    printerName != nullptr ? printerName : L"", GetLastError());
        return false;
    }

    GlobalBlock<BYTE> info8(0);
    GlobalBlock<BYTE> storage(0);
    DEVMODEW* dm = DefaultDevmode(printer.get(), printerName, info8, storage);
    if (dm == nullptr) {
        OEMUI_TRACE(kTraceError, L"printer event: no default DEVMODE of \"%ls\" to change",
                    printerName);
        return false;
    }

    // The model's values come from the capability file of this printer's driver.
    FindDependentFiles(printer.get(), nullptr);
    const INT outputOption = static_cast<INT>(GetModelInt(printer.get(), L"PSOutputOpt", -1));
    const size_t dmBytes = static_cast<size_t>(dm->dmSize) + dm->dmDriverExtra;
    // The output option lives in the core driver's private part; a DEVMODE without it (too
    // short) is not written past its end.
    if (outputOption >= 0 && outputOption <= 3 && dmBytes > kOutputOptionOffset) {
        reinterpret_cast<BYTE*>(dm)[kOutputOptionOffset] = static_cast<BYTE>(outputOption);
    }
    const UINT paperSize = GetModelInt(printer.get(), L"DEFAULT_PAPER_SIZE", 0);
    if (paperSize != 0) {
        dm->dmPaperSize = static_cast<short>(paperSize);
        dm->dmFields |= DM_PAPERSIZE;
    }
    const UINT paperSource = GetModelInt(printer.get(), L"DEFAULT_PAPER_SOURCE", 0);
    if (paperSource != 0) {
        dm->dmDefaultSource = static_cast<short>(paperSource);
        dm->dmFields |= DM_DEFAULTSOURCE;
    }

    wchar_t optionsFile[kPathChars] = {};
    if (InstalledOptionsFilePath(optionsFile, kPathChars) &&
        InstalledOptionsFileReadable(optionsFile)) {
        // The installer files the printer under its full name, as every other look-up of
        // this file does; a section under the DEVMODE's shortened device name still counts.
        wchar_t section[CCHDEVICENAME + 1] = {};
        StringCchCopyNW(section, CCHDEVICENAME + 1, dm->dmDeviceName, CCHDEVICENAME);
        if (InstalledDuplexChoice(printerName, section, optionsFile) == 2) {
            dm->dmDuplex = DMDUP_VERTICAL;
            dm->dmFields |= DM_DUPLEX;
        }
    }

    PRINTER_INFO_8W update = {dm};
    const bool stored = SetPrinterW(printer.get(), 8, reinterpret_cast<BYTE*>(&update), 0) != FALSE;
    if (stored) {
        OEMUI_TRACE(kTraceDecisions,
                    L"printer event: default DEVMODE stored: PSOutputOpt %d%ls, paper size %d, "
                    L"paper source %d, duplex %d",
                    outputOption,
                    outputOption >= 0 && outputOption <= 3 && dmBytes > kOutputOptionOffset
                        ? L""
                        : L" (not applied)",
                    dm->dmPaperSize, dm->dmDefaultSource, dm->dmDuplex);
    } else {
        OEMUI_TRACE(kTraceError, L"printer event: default DEVMODE not stored (error %lu)",
                    GetLastError());
    }
    return stored;
}

bool ReadInstalledOptions(const wchar_t* printerName, InstalledOptions& out) {
    out = InstalledOptions{};
    wchar_t file[kPathChars] = {};
    if (printerName == nullptr || !InstalledOptionsFilePath(file, kPathChars) ||
        !InstalledOptionsFileReadable(file)) {
        return false;
    }
    out.Installed = InstalledValue(printerName, L"Installed", file);
    out.MemoryMegabytes = InstalledValue(printerName, L"Random Access Memory", file);
    out.HardDisk = InstalledValue(printerName, L"Hard Disk", file);
    out.PunchType = InstalledValue(printerName, L"PunchType", file);
    out.JobLimitationMode = InstalledValue(printerName, L"JobLimitationMode", file);
    out.SpotColor = InstalledValue(printerName, L"SpotColor", file);
    out.DuplexPrinting = InstalledValue(printerName, L"DrvInst_DuplexPrinting", file);
    return true;
}

std::array<FeatureEdit, kInstalledOptionEdits> InstalledOptionEditsFor(
    const InstalledOptions& options, bool vistaOrLater, std::array<char, 16>& memoryText) {
    static constexpr const char* kPunchTypes[] = {"None", "Type1", "Type2", "Type3"};
    static constexpr const char* kSpotColors[] = {"None", "White", "Clear"};
    auto yesNo = [](bool on) { return on ? "True" : "False"; };

    const char* memory = nullptr;
    if (options.MemoryMegabytes != 0 &&
        SUCCEEDED(StringCchPrintfA(memoryText.data(), memoryText.size(), "%uMB",
                                   options.MemoryMegabytes))) {
        memory = memoryText.data();
    }
    const UINT punch = options.PunchType <= 3 ? options.PunchType : 0;
    // A special toner the installer does not name has no option: the feature is left alone.
    const char* spotColor = options.SpotColor <= 2 ? kSpotColors[options.SpotColor] : nullptr;
    return {{
        {"VROptionMPF", yesNo((options.Installed & 0x10u) != 0)},
        {"VROptionDuplex", yesNo((options.Installed & 0x20u) != 0)},
        {"VRFinisher", yesNo((options.Installed & 0x40u) != 0)},
        {"VRPunchUnit", kPunchTypes[punch]},
        {"VRJobLimit", yesNo(options.JobLimitationMode != 0 && !vistaOrLater)},
        {"VROptionTray", yesNo((options.Installed & 0x0Fu) != 0)},
        {"VRHDD", yesNo(options.HardDisk != 0)},
        {"InstalledMemory", memory},
        {"VRSpecialTonerInstalled", spotColor},
    }};
}

void SyncInstalledOptions(HANDLE hPrinter) {
    // Sized by the spooler: a long description or comment does not make the query fail.
    GlobalBlock<BYTE> info1 = GetPrinterInfo(hPrinter, 1);
    if (!info1) return;
    const wchar_t* printerName = reinterpret_cast<const PRINTER_INFO_1W*>(info1.get())->pName;
    if (printerName == nullptr || printerName[0] == L'\0') return;

    InstalledOptions options;
    if (!ReadInstalledOptions(printerName, options)) return;

    wchar_t keyPath[kPathChars + 64] = {};
    if (FAILED(StringCchCopyW(keyPath, ARRAYSIZE(keyPath), kPrintersKey)) ||
        FAILED(StringCchCatW(keyPath, ARRAYSIZE(keyPath), printerName)) ||
        FAILED(StringCchCatW(keyPath, ARRAYSIZE(keyPath), kDriverDataKey))) {
        return;
    }
    UniqueRegKey key;
    if (const LONG opened =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, key.put());
        opened != ERROR_SUCCESS) {
        OEMUI_TRACE(kTraceWarning, L"printer event: installed options not written, %ls (error %ld)",
                    keyPath, opened);
        return;
    }
    BYTE list[kFeatureListBytes] = {};
    DWORD type = 0;
    DWORD listBytes = sizeof(list);
    if (RegQueryValueExW(key.get(), kFeatureKeywordValue, nullptr, &type, list, &listBytes) !=
            ERROR_SUCCESS ||
        type != REG_BINARY) {
        OEMUI_TRACE(kTraceWarning,
                    L"printer event: installed options not written, no binary \"%ls\" yet",
                    kFeatureKeywordValue);
        return;
    }
    // The stated size counts only as far as the bytes that were actually there.
    DWORD length = listBytes;
    DWORD stated = 0;
    DWORD statedBytes = sizeof(stated);
    if (RegQueryValueExW(key.get(), kFeatureKeywordSizeValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(&stated), &statedBytes) == ERROR_SUCCESS &&
        type == REG_DWORD && statedBytes == sizeof(stated) && stated < length) {
        length = stated;
    }

    std::array<char, 16> memoryText{};
    // The trace names each option and whether it changed the core driver's list.
    wchar_t changes[512] = {};
    for (const FeatureEdit& edit : InstalledOptionEditsFor(options, IsVistaOrLater, memoryText)) {
        if (edit.option == nullptr) continue;
        BYTE before[kFeatureListBytes];
        std::memcpy(before, list, sizeof(before));
        const DWORD lengthBefore = length;
        length = SetFeatureOption(list, length, edit.keyword, edit.option);
        if (TraceOn(kTraceDecisions)) {
            const bool set = length != lengthBefore || std::memcmp(before, list, length) != 0;
            const size_t used = wcslen(changes);
            StringCchPrintfW(changes + used, ARRAYSIZE(changes) - used, L"%ls%hs=%hs%ls",
                             used != 0 ? L", " : L"", edit.keyword, edit.option,
                             set ? L"" : L" (list unchanged: already so, or no such feature)");
        }
    }
    const LONG sizeWritten = RegSetValueExW(key.get(), kFeatureKeywordSizeValue, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&length), sizeof(length));
    const LONG listWritten =
        RegSetValueExW(key.get(), kFeatureKeywordValue, 0, REG_BINARY, list, length);
    if (sizeWritten == ERROR_SUCCESS && listWritten == ERROR_SUCCESS) {
        OEMUI_TRACE(kTraceDecisions, L"printer event: \"%ls\" of %lu bytes written: %ls",
                    kFeatureKeywordValue, length, changes);
    } else {
        OEMUI_TRACE(kTraceError, L"printer event: \"%ls\" not written (error %ld)",
                    kFeatureKeywordValue, listWritten != ERROR_SUCCESS ? listWritten : sizeWritten);
    }
}

int RunPrinterEvent(const wchar_t* printerName, INT driverEvent, HMODULE resources) {
    if (driverEvent != PRINTER_EVENT_INITIALIZE) return 0;
    UniquePrinter printer = OpenWithFullAccess(printerName);
    if (!printer) {
        OEMUI_TRACE(kTraceError, L"printer event: \"%ls\" not opened (error %lu), nothing written",
                    printerName != nullptr ? printerName : L"", GetLastError());
        return 0;
    }
    // This printer's own trace setting counts from the first line of the event.
    TraceForPrinter(printer.get());
    OEMUI_TRACE(kTraceDecisions, L"printer event: preparing \"%ls\"", printerName);
    if (!EnsureUserModeLibrary(printer.get(), resources)) return 1;

    // The driver's files stay as the package installed them; what users save goes to the
    // driver's data folder, made here as the spooler so that it belongs to the system.
    {
        const UniqueModule spoolerLibrary = LoadSystemLibrary(L"spoolss.dll");
        SpoolerSelfScope actAsSpooler(SpoolerIdentityOf(spoolerLibrary.get()));
        wchar_t dataFile[kPathChars] = {};
        if (UserDataFilePathFor(printer.get(), dataFile, kPathChars)) {
            EnsureUserDataFolder(dataFile, true);
        }
    }
    if (FindDependentFiles(printer.get(), nullptr)) PushPrinterDefaults(printerName);
    SyncInstalledOptions(printer.get());
    return 0;
}

HRESULT HandlePrinterEvent(PWSTR printerName, INT driverEvent, DWORD, LPARAM) {
    return RunPrinterEvent(printerName, driverEvent, ModuleHandle) == 0 ? S_OK : E_FAIL;
}

}  // namespace oemui
