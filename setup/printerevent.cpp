#include "setup/printerevent.h"

#include <aclapi.h>
#include <strsafe.h>
#include <winspool.h>
#include <winddiui.h>

#include <cstring>
#include <iterator>

#include "plugin/config.h"
#include "plugin/dispatch.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/common/handles.h"

namespace oemui {

namespace {

constexpr wchar_t kUserModeValue[] = L"SPLUserModePrinterDriver";
constexpr wchar_t kFeatureKeywordValue[] = L"FeatureKeyword";
constexpr wchar_t kFeatureKeywordSizeValue[] = L"FeatureKeywordSize";
constexpr wchar_t kPrintersKey[] = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr wchar_t kDriverDataKey[] = L"\\PrinterDriverData";
// The library name is loaded with this many characters at most.
constexpr int kLibraryNameChars = 520;

struct SidTraits {
    using Handle = PSID;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { FreeSid(h); }
};
using UniqueSid = UniqueHandle<SidTraits>;

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

// Enables SeTakeOwnershipPrivilege for its lifetime and puts back the state it found, so the
// caller's token (the spooler's) keeps its other privileges as they were.
class TakeOwnershipScope {
public:
    TakeOwnershipScope() {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                              token_.put())) {
            return;
        }
        TOKEN_PRIVILEGES wanted = {};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, SE_TAKE_OWNERSHIP_NAME, &wanted.Privileges[0].Luid)) {
            return;
        }
        DWORD previousBytes = sizeof(previous_);
        SetLastError(ERROR_SUCCESS);
        adjusted_ = AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof(previous_),
                                          &previous_, &previousBytes) &&
                    GetLastError() == ERROR_SUCCESS;
    }
    ~TakeOwnershipScope() {
        if (adjusted_) AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
    }
    TakeOwnershipScope(const TakeOwnershipScope&) = delete;
    TakeOwnershipScope& operator=(const TakeOwnershipScope&) = delete;
    bool Enabled() const { return adjusted_; }

private:
    UniqueKernelHandle token_;
    TOKEN_PRIVILEGES previous_ = {};
    bool adjusted_ = false;
};

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

// Grants the file's data rights on its present DACL.
bool GrantUsersReadWrite(wchar_t* path) {
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR currentDescriptor = nullptr;
    if (GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &current, nullptr, &currentDescriptor) != ERROR_SUCCESS) {
        return false;
    }
    UniqueLocal currentOwned(currentDescriptor);
    UniqueLocal merged(DataFileDacl(current));
    if (!merged) return false;
    SECURITY_DESCRIPTOR descriptor = {};
    return InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, static_cast<PACL>(merged.get()), FALSE) &&
           SetFileSecurityW(path, DACL_SECURITY_INFORMATION, &descriptor);
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
    if (status == ERROR_MORE_DATA && needed > sizeof(wchar_t)) return true;

    wchar_t library[kLibraryNameChars + 1] = {};
    const int chars = LoadStringW(resources, IDS_USER_MODE_LIBRARY, library, kLibraryNameChars);
    if (chars <= 0) return false;
    const DWORD bytes = static_cast<DWORD>((chars + 1) * sizeof(wchar_t));
    return SetPrinterDataW(hPrinter, const_cast<wchar_t*>(kUserModeValue), REG_SZ,
                           reinterpret_cast<BYTE*>(library), bytes) == ERROR_SUCCESS;
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

PACL DataFileDacl(PACL current) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid system;
    UniqueSid administrators;
    UniqueSid users;
    if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                  system.put()) ||
        !AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.put()) ||
        !AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, users.put())) {
        return nullptr;
    }
    const struct {
        PSID sid;
        DWORD rights;
        TRUSTEE_TYPE type;
    } grants[] = {{system.get(), FILE_ALL_ACCESS, TRUSTEE_IS_USER},
                  {administrators.get(), FILE_ALL_ACCESS, TRUSTEE_IS_ALIAS},
                  {users.get(), kUsersFileRights, TRUSTEE_IS_ALIAS}};
    EXPLICIT_ACCESSW entries[std::size(grants)] = {};
    for (size_t i = 0; i < std::size(grants); ++i) {
        entries[i].grfAccessPermissions = grants[i].rights;
        entries[i].grfAccessMode = GRANT_ACCESS;
        entries[i].grfInheritance = NO_INHERITANCE;
        entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[i].Trustee.TrusteeType = grants[i].type;
        entries[i].Trustee.ptstrName = static_cast<wchar_t*>(grants[i].sid);
    }
    PACL merged = nullptr;
    if (SetEntriesInAclW(static_cast<ULONG>(std::size(entries)), entries, current, &merged) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    // Whatever else the file allowed before (everyone full control, as earlier versions left
    // it) keeps its data rights but loses the rights to change permissions or owner and to
    // delete.
    for (DWORD i = 0; i < merged->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(merged, i, reinterpret_cast<void**>(&ace)) ||
            ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            continue;
        }
        PSID sid = &ace->SidStart;
        if (EqualSid(sid, system.get()) || EqualSid(sid, administrators.get())) continue;
        if ((ace->Mask & GENERIC_ALL) != 0) {
            ace->Mask = (ace->Mask & ~GENERIC_ALL) | FILE_GENERIC_READ | FILE_GENERIC_WRITE |
                        FILE_GENERIC_EXECUTE;
        }
        ace->Mask &= ~static_cast<DWORD>(WRITE_DAC | WRITE_OWNER | DELETE);
    }
    return merged;
}

bool SetFileFullAccess(const wchar_t* path) {
    if (path == nullptr || path[0] == L'\0') return false;
    wchar_t* target = const_cast<wchar_t*>(path);
    if (GrantUsersReadWrite(target)) return true;

    // The DACL is not ours to change: make the Administrators the owner, then try again.
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.put())) {
        return false;
    }
    SECURITY_DESCRIPTOR owner = {};
    if (!InitializeSecurityDescriptor(&owner, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&owner, administrators.get(), FALSE)) {
        return false;
    }
    if (SetFileSecurityW(target, OWNER_SECURITY_INFORMATION, &owner)) {
        return GrantUsersReadWrite(target);
    }
    TakeOwnershipScope takeOwnership;
    if (!takeOwnership.Enabled() || !SetFileSecurityW(target, OWNER_SECURITY_INFORMATION, &owner)) {
        return false;
    }
    return GrantUsersReadWrite(target);
}

bool PushPrinterDefaults(const wchar_t* printerName) {
    UniqueModule spooler(LoadLibraryW(L"spoolss.dll"));
    SpoolerIdentity identity = {};
    if (spooler) {
        identity.RevertToPrinterSelf = reinterpret_cast<HANDLE(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(spooler.get(), "RevertToPrinterSelf")));
        identity.ImpersonatePrinterClient = reinterpret_cast<BOOL(WINAPI*)(HANDLE)>(
            reinterpret_cast<void*>(GetProcAddress(spooler.get(), "ImpersonatePrinterClient")));
    }
    return PushPrinterDefaultsAs(printerName, identity);
}

bool PushPrinterDefaultsAs(const wchar_t* printerName, const SpoolerIdentity& identity) {
    SpoolerSelfScope actAsSpooler(identity);
    UniquePrinter printer = OpenWithFullAccess(printerName);
    if (!printer) return false;

    GlobalBlock<BYTE> info8(0);
    GlobalBlock<BYTE> storage(0);
    DEVMODEW* dm = DefaultDevmode(printer.get(), printerName, info8, storage);
    if (dm == nullptr) return false;

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
    return SetPrinterW(printer.get(), 8, reinterpret_cast<BYTE*>(&update), 0) != FALSE;
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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) {
        return;
    }
    BYTE list[kFeatureListBytes] = {};
    DWORD type = 0;
    DWORD listBytes = sizeof(list);
    if (RegQueryValueExW(key.get(), kFeatureKeywordValue, nullptr, &type, list, &listBytes) !=
            ERROR_SUCCESS ||
        type != REG_BINARY) {
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
    for (const FeatureEdit& edit : InstalledOptionEditsFor(options, IsVistaOrLater, memoryText)) {
        if (edit.option != nullptr)
            length = SetFeatureOption(list, length, edit.keyword, edit.option);
    }
    RegSetValueExW(key.get(), kFeatureKeywordSizeValue, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&length), sizeof(length));
    RegSetValueExW(key.get(), kFeatureKeywordValue, 0, REG_BINARY, list, length);
}

int RunPrinterEvent(const wchar_t* printerName, INT driverEvent, HMODULE resources) {
    if (driverEvent != PRINTER_EVENT_INITIALIZE) return 0;
    UniquePrinter printer = OpenWithFullAccess(printerName);
    if (!printer) return 0;
    if (!EnsureUserModeLibrary(printer.get(), resources)) return 1;

    wchar_t iniPath[kPathChars] = {};
    if (FindDependentFiles(printer.get(), iniPath)) {
        if (iniPath[0] != L'\0') {
            SetFileFullAccess(iniPath);
            const DWORD attributes = GetFileAttributesW(iniPath);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
                SetFileAttributesW(iniPath, attributes & ~FILE_ATTRIBUTE_READONLY);
            }
        }
        // The model's description is the driver's data file, whatever the package named it.
        wchar_t description[kPathChars] = {};
        if (FindDataFile(printer.get(), description)) SetFileFullAccess(description);
        wchar_t ccmName[kIniStringChars] = {};
        DWORD ccmChars = kIniStringChars;
        GetModelString(printer.get(), L"CCMInfoFile", ccmName, &ccmChars);
        if (ccmName[0] != L'\0') {
            wchar_t ccmPath[kPathChars] = {};
            DWORD ccmBytes = sizeof(ccmPath);
            if (BuildDriverFilePath(ccmPath, &ccmBytes, ccmName, 3)) SetFileFullAccess(ccmPath);
        }
        PushPrinterDefaults(printerName);
    }
    SyncInstalledOptions(printer.get());
    return 0;
}

HRESULT HandlePrinterEvent(PWSTR printerName, INT driverEvent, DWORD, LPARAM) {
    return RunPrinterEvent(printerName, driverEvent, ModuleHandle) == 0 ? S_OK : E_FAIL;
}

}  // namespace oemui
