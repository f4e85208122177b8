#include "base/userdata.h"

#include <aclapi.h>
#include <shlobj.h>
#include <strsafe.h>

#include <cstring>

#include "base/config.h"
#include "base/driverfiles.h"
#include "base/handles.h"
#include "base/trace.h"

namespace oemui {

namespace {

// Section names and section texts are read into buffers this large; a source that does not fit
// makes the save fail rather than drop what did not fit.
constexpr DWORD kSectionNamesChars = 32768;
constexpr DWORD kSectionTextChars = 65536;
// A data file another process has open is replaced again after a short wait, this many times.
constexpr int kReplaceAttempts = 10;
constexpr DWORD kReplaceRetryMs = 20;

constexpr const wchar_t* kDeviceNames[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2",
                                           L"COM3", L"COM4", L"COM5", L"COM6", L"COM7", L"COM8",
                                           L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5",
                                           L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

constexpr const wchar_t* kUserSections[] = {L"Watermark", L"Custom Color", L"DisplayAllert",
                                            L"OverlaySetting", L"OverlaySetting_Sv"};
// Sections of these names followed by a decimal index.
constexpr const wchar_t* kUserSectionFamilies[] = {L"Overlay_Info ", L"Overlay_Info_Sv "};

bool HasText(const wchar_t* text) { return text != nullptr && text[0] != L'\0'; }

bool SameNoCase(const wchar_t* a, int aChars, const wchar_t* b, int bChars) {
    return CompareStringOrdinal(a, aChars, b, bChars, TRUE) == CSTR_EQUAL;
}

bool KeptCharacter(wchar_t c) {
    if ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')) {
        return true;
    }
    switch (c) {
        case L' ':
        case L'-':
        case L'_':
        case L'.':
        case L'(':
        case L')':
            return true;
        default:
            return c >= 0xA0;  // letters of other scripts; none of them is reserved in names
    }
}

bool NamesDevice(const wchar_t* name) {
    size_t base = 0;
    while (name[base] != L'\0' && name[base] != L'.') ++base;
    for (const wchar_t* device : kDeviceNames) {
        if (SameNoCase(name, static_cast<int>(base), device, -1)) return true;
    }
    return false;
}

// Cuts a path after its last backslash (the backslash itself goes too). False when there is none.
bool ParentOf(const wchar_t* path, wchar_t* out, size_t outChars) {
    if (FAILED(StringCchCopyW(out, outChars, path))) return false;
    wchar_t* slash = wcsrchr(out, L'\\');
    if (slash == nullptr || slash == out) return false;
    *slash = L'\0';
    return true;
}

bool IsFolder(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DWORD MakeFolder(const wchar_t* path, DataFolderKind kind, bool takeOver) {
    UniqueLocal descriptor(UserDataFolderDescriptor(kind));
    if (!descriptor) return ERROR_NOT_ENOUGH_MEMORY;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
    if (CreateDirectoryW(path, &attributes)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return error;
    if (!IsFolder(path)) return ERROR_DIRECTORY;  // a file holds the folder's name
    if (!takeOver) return ERROR_SUCCESS;

    // The folder was there before us: whoever made it must not keep the rights it gave them.
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) {
        return GetLastError();
    }
    BYTE adminsBuffer[SECURITY_MAX_SID_SIZE];
    DWORD adminsBytes = sizeof(adminsBuffer);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminsBuffer, &adminsBytes)) {
        return GetLastError();
    }
    return SetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 adminsBuffer, nullptr, dacl, nullptr);
}

// Writes wide text to the temporary file, remembering the first failure.
class TextWriter {
public:
    explicit TextWriter(HANDLE file) : file_(file) {}
    void Put(const wchar_t* text, size_t chars) {
        if (error_ != ERROR_SUCCESS || chars == 0) return;
        const DWORD bytes = static_cast<DWORD>(chars * sizeof(wchar_t));
        DWORD written = 0;
        if (!WriteFile(file_, text, bytes, &written, nullptr)) {
            error_ = GetLastError();
        } else if (written != bytes) {
            error_ = ERROR_DISK_FULL;
        }
    }
    void Put(const wchar_t* text) { Put(text, wcslen(text)); }
    // One section: its header and each "key=value" line of a NUL-separated list.
    void Section(const wchar_t* name, const wchar_t* lines) {
        Put(L"[");
        Put(name);
        Put(L"]\r\n");
        for (const wchar_t* line = lines; *line != L'\0'; line += wcslen(line) + 1) {
            Put(line);
            Put(L"\r\n");
        }
        Put(L"\r\n");
    }
    DWORD error() const { return error_; }

private:
    HANDLE file_;
    DWORD error_ = ERROR_SUCCESS;
};

bool Updated(const wchar_t* name, const SectionUpdate* updates, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (SameNoCase(name, -1, updates[i].name, -1)) return true;
    }
    return false;
}

// True when `name` appeared before `at` in a NUL-separated name list starting at `first`.
bool SeenBefore(const wchar_t* first, const wchar_t* at) {
    for (const wchar_t* name = first; name < at; name += wcslen(name) + 1) {
        if (SameNoCase(name, -1, at, -1)) return true;
    }
    return false;
}

// The sections of `source` that the new file keeps, then the updated ones.
DWORD WriteContent(TextWriter& writer, const wchar_t* source, bool userSectionsOnly,
                   const SectionUpdate* updates, size_t count) {
    const wchar_t bom = 0xFEFF;
    writer.Put(&bom, 1);
    if (source != nullptr) {
        GlobalBlock<wchar_t> names(kSectionNamesChars * sizeof(wchar_t));
        GlobalBlock<wchar_t> text(kSectionTextChars * sizeof(wchar_t));
        if (!names || !text) return ERROR_NOT_ENOUGH_MEMORY;
        const DWORD got = GetPrivateProfileSectionNamesW(names.get(), kSectionNamesChars, source);
        if (got >= kSectionNamesChars - 2) return ERROR_INSUFFICIENT_BUFFER;
        for (const wchar_t* name = names.get(); *name != L'\0'; name += wcslen(name) + 1) {
            if (Updated(name, updates, count) || SeenBefore(names.get(), name)) continue;
            if (userSectionsOnly && !IsUserSection(name)) continue;
            const DWORD chars =
                GetPrivateProfileSectionW(name, text.get(), kSectionTextChars, source);
            if (chars >= kSectionTextChars - 2) return ERROR_INSUFFICIENT_BUFFER;
            writer.Section(name, text.get());
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (updates[i].lines != nullptr) writer.Section(updates[i].name, updates[i].lines->data());
    }
    return writer.error();
}

// Puts `temp` in the place of `target` in one step: a rename over the old file, which the file
// system does as one operation. ReplaceFileW is not used: it may move the old file aside before
// the new one takes its name (Wine does), and a process killed in between leaves no file at all.
DWORD ReplaceWith(const wchar_t* temp, const wchar_t* target) {
    const DWORD attributes = GetFileAttributesW(target);
    // A file made read-only stays as it is, as the profile functions would have left it.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    // Another process reading the file (a sheet's profile read) holds it open for a moment and
    // the rename waits for it; only a file that stays busy makes the save fail.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (attempt > 0) Sleep(kReplaceRetryMs);
        if (MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return ERROR_SUCCESS;
        }
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
            error != ERROR_LOCK_VIOLATION) {
            break;
        }
    }
    return error;
}

// Removes the temporary files that saves killed before their rename left in `folder`. Only
// those untouched for an hour: a save running in another process now writes a fresh one.
void RemoveStaleTemporaries(const wchar_t* folder) {
    wchar_t pattern[kPathChars] = {};
    if (FAILED(StringCchPrintfW(pattern, kPathChars, L"%ls\\ud*.tmp", folder))) return;
    WIN32_FIND_DATAW found = {};
    const UniqueFind find(FindFirstFileW(pattern, &found));
    if (!find) return;
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    constexpr ULONGLONG kHour = 36000000000ULL;  // in 100 ns
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
            ticks(now) - ticks(found.ftLastWriteTime) < kHour) {
            continue;
        }
        wchar_t path[kPathChars] = {};
        if (SUCCEEDED(StringCchPrintfW(path, kPathChars, L"%ls\\%ls", folder, found.cFileName))) {
            DeleteFileW(path);
        }
    } while (FindNextFileW(find.get(), &found));
}

}  // namespace

bool UserDataFolderName(const wchar_t* driverName, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    if (outChars < kUserDataFolderNameChars + 2) return false;
    size_t length = 0;
    out[length++] = L'_';  // dropped again below unless the name needs it
    for (const wchar_t* c = driverName; c != nullptr && *c != L'\0'; ++c) {
        if (length > kUserDataFolderNameChars) break;
        out[length++] = KeptCharacter(*c) ? *c : L'_';
    }
    while (length > 1 && (out[length - 1] == L'.' || out[length - 1] == L' ')) --length;
    out[length] = L'\0';
    if (length > 1 && !NamesDevice(out + 1)) {
        std::memmove(out, out + 1, length * sizeof(wchar_t));
    }
    return true;
}

bool UserDataFilePathIn(const wchar_t* commonData, const wchar_t* driverName, wchar_t* out,
                        size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    wchar_t folder[kUserDataFolderNameChars + 2] = {};
    if (!HasText(commonData) || !HasText(driverName) ||
        !UserDataFolderName(driverName, folder, ARRAYSIZE(folder))) {
        return false;
    }
    if (FAILED(StringCchPrintfW(out, outChars, L"%s\\%s\\%s\\%s", commonData, kUserDataRootName,
                                folder, kUserDataFileName))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool UserDataFilePathFor(HANDLE hPrinter, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    if (hPrinter == nullptr) return false;
    DWORD needed = 0;
    GetPrinterDriverW(hPrinter, nullptr, 1, nullptr, 0, &needed);
    if (needed == 0) return false;
    GlobalBlock<BYTE> info(needed);
    if (!info || !GetPrinterDriverW(hPrinter, nullptr, 1, info.get(), needed, &needed)) {
        return false;
    }
    const wchar_t* driverName = reinterpret_cast<const DRIVER_INFO_1W*>(info.get())->pName;
    wchar_t commonData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                commonData))) {
        return false;
    }
    return UserDataFilePathIn(commonData, driverName, out, outChars);
}

PSECURITY_DESCRIPTOR UserDataFolderDescriptor(DataFolderKind kind) {
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    BYTE users[SECURITY_MAX_SID_SIZE];
    BYTE ownerRights[SECURITY_MAX_SID_SIZE];
    const struct {
        WELL_KNOWN_SID_TYPE type;
        BYTE* sid;
    } wanted[] = {{WinLocalSystemSid, system},
                  {WinBuiltinAdministratorsSid, administrators},
                  {WinBuiltinUsersSid, users}};
    for (const auto& w : wanted) {
        DWORD bytes = SECURITY_MAX_SID_SIZE;
        if (!CreateWellKnownSid(w.type, nullptr, w.sid, &bytes)) return nullptr;
    }
    // OWNER RIGHTS (S-1-3-4): what the owner of the folder or of a file may do, in place of the
    // implicit right to change permissions that ownership would otherwise carry.
    SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
    if (!InitializeSid(ownerRights, &creator, 1)) return nullptr;
    *GetSidSubAuthority(ownerRights, 0) = SECURITY_CREATOR_OWNER_RIGHTS_RID;

    const DWORD folderRights =
        kind == DataFolderKind::Root ? kUsersDataRootRights : kUsersDataFolderRights;
    constexpr DWORD kAll = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    constexpr DWORD kFilesOnly = OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE;
    const struct {
        PSID sid;
        DWORD flags;
        DWORD rights;
    } aces[] = {{system, kAll, FILE_ALL_ACCESS}, {administrators, kAll, FILE_ALL_ACCESS},
                {users, 0, folderRights},        {users, kFilesOnly, kUsersDataFileRights},
                {ownerRights, 0, folderRights},  {ownerRights, kFilesOnly, kUsersDataFileRights}};

    DWORD aclBytes = sizeof(ACL);
    for (const auto& ace : aces) {
        aclBytes += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(ace.sid);
    }
    GlobalBlock<BYTE> aclBlock(aclBytes);
    if (!aclBlock) return nullptr;
    auto* acl = reinterpret_cast<PACL>(aclBlock.get());
    if (!InitializeAcl(acl, aclBytes, ACL_REVISION)) return nullptr;
    for (const auto& ace : aces) {
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, ace.flags, ace.rights, ace.sid)) {
            return nullptr;
        }
    }
    SECURITY_DESCRIPTOR absolute = {};
    if (!InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&absolute, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&absolute, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return nullptr;
    }
    DWORD bytes = 0;
    MakeSelfRelativeSD(&absolute, nullptr, &bytes);
    if (bytes == 0) return nullptr;
    UniqueLocal relative(LocalAlloc(LPTR, bytes));
    if (!relative || !MakeSelfRelativeSD(&absolute, relative.get(), &bytes)) return nullptr;
    return relative.release();
}

DWORD EnsureUserDataFolder(const wchar_t* dataFile, bool takeOver) {
    wchar_t folder[kPathChars] = {};
    wchar_t root[kPathChars] = {};
    if (!HasText(dataFile) || !ParentOf(dataFile, folder, kPathChars) ||
        !ParentOf(folder, root, kPathChars)) {
        return ERROR_BAD_PATHNAME;
    }
    if (!takeOver && IsFolder(folder)) return ERROR_SUCCESS;
    DWORD error = MakeFolder(root, DataFolderKind::Root, takeOver);
    if (error == ERROR_SUCCESS) error = MakeFolder(folder, DataFolderKind::Driver, takeOver);
    if (error != ERROR_SUCCESS) {
        OEMUI_TRACE(kTraceDecisions, L"user data folder %s: error %lu", folder, error);
    }
    return error;
}

const wchar_t* UserDataSource(const wchar_t* dataFile, const wchar_t* driverIni) {
    if (HasText(dataFile) && IsFile(dataFile)) return dataFile;
    return HasText(driverIni) ? driverIni : nullptr;
}

bool UserDataCopyOf(const wchar_t* dataFile, const wchar_t* name, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    wchar_t folder[kPathChars] = {};
    if (!HasText(dataFile) || !IsDriverFileName(name, L"CCMInfoFile") ||
        !ParentOf(dataFile, folder, kPathChars) ||
        FAILED(StringCchPrintfW(out, outChars, L"%s\\%s", folder, name)) || !IsFile(out)) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool IsUserSection(const wchar_t* name) {
    if (!HasText(name)) return false;
    for (const wchar_t* section : kUserSections) {
        if (SameNoCase(name, -1, section, -1)) return true;
    }
    for (const wchar_t* family : kUserSectionFamilies) {
        const int prefix = static_cast<int>(wcslen(family));
        if (static_cast<int>(wcslen(name)) <= prefix || !SameNoCase(name, prefix, family, prefix)) {
            continue;
        }
        const wchar_t* digits = name + prefix;
        while (*digits >= L'0' && *digits <= L'9') ++digits;
        if (*digits == L'\0') return true;
    }
    return false;
}

SectionLines::SectionLines(size_t capacityChars) noexcept {
    text_ = static_cast<wchar_t*>(GlobalAlloc(GPTR, capacityChars * sizeof(wchar_t)));
    capacity_ = text_ != nullptr ? capacityChars : 0;
    overflowed_ = text_ == nullptr;
}

SectionLines::~SectionLines() {
    if (text_ != nullptr) GlobalFree(text_);
}

bool SectionLines::Add(const wchar_t* key, const wchar_t* value) {
    if (overflowed_ || !HasText(key)) return false;
    if (value == nullptr) value = L"";
    const size_t keyChars = wcslen(key);
    const size_t valueChars = wcslen(value);
    // key, "=", value, the line's NUL and the list's closing NUL
    if (used_ + keyChars + 1 + valueChars + 2 > capacity_) {
        overflowed_ = true;
        return false;
    }
    wchar_t* at = text_ + used_;
    std::memcpy(at, key, keyChars * sizeof(wchar_t));
    at[keyChars] = L'=';
    for (size_t i = 0; i < valueChars; ++i) {
        at[keyChars + 1 + i] = value[i] < L' ' ? L' ' : value[i];
    }
    used_ += keyChars + 1 + valueChars;
    text_[used_++] = L'\0';
    text_[used_] = L'\0';
    return true;
}

bool SectionLines::AddNumber(const wchar_t* key, long long value) {
    wchar_t text[24] = {};
    if (FAILED(StringCchPrintfW(text, ARRAYSIZE(text), L"%lld", value))) return false;
    return Add(key, text);
}

SaveResult SaveUserSections(const wchar_t* dataFile, const wchar_t* driverIni,
                            const SectionUpdate* updates, size_t updateCount) {
    SaveResult result;
    if (!HasText(dataFile)) {
        result.error = ERROR_BAD_PATHNAME;
        return result;
    }
    for (size_t i = 0; i < updateCount; ++i) {
        if (!HasText(updates[i].name) ||
            (updates[i].lines != nullptr && updates[i].lines->overflowed())) {
            result.error = ERROR_INSUFFICIENT_BUFFER;
            return result;
        }
    }
    result.error = EnsureUserDataFolder(dataFile, false);
    if (result.error != ERROR_SUCCESS) return result;

    const wchar_t* source = UserDataSource(dataFile, driverIni);
    wchar_t folder[kPathChars] = {};
    wchar_t temp[MAX_PATH + 1] = {};
    if (!ParentOf(dataFile, folder, kPathChars)) {
        result.error = ERROR_BAD_PATHNAME;
        return result;
    }
    RemoveStaleTemporaries(folder);
    if (GetTempFileNameW(folder, L"ud", 0, temp) == 0) {
        result.error = GetLastError();
        return result;
    }
    {
        UniqueFile file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            result.error = GetLastError();
        } else {
            TextWriter writer(file.get());
            result.error = WriteContent(writer, source, source != dataFile, updates, updateCount);
            // On the disk before it takes the old file's place, or a crash could leave the
            // new name pointing at content never written.
            if (result.error == ERROR_SUCCESS && !FlushFileBuffers(file.get())) {
                result.error = GetLastError();
            }
        }
    }
    if (result.error == ERROR_SUCCESS) result.error = ReplaceWith(temp, dataFile);
    if (result.error != ERROR_SUCCESS) {
        DeleteFileW(temp);
        OEMUI_TRACE(kTraceDecisions, L"saving %s: error %lu", dataFile, result.error);
    }
    return result;
}

}  // namespace oemui
