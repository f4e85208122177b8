#include "docevent/docevent.h"

#include <aclapi.h>
#include <sddl.h>
#include <strsafe.h>
#include <winspool.h>

#include <cstddef>
#include <cstring>

#include "base/driverfiles.h"
#include "base/config.h"
#include "base/trace.h"
#include "base/handles.h"
#include "contract/oemcontract.h"

namespace oemui {

#if !defined(_WIN64)
static_assert(sizeof(STARTUPINFOW) == 68);
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12);
#endif

namespace {

// Entry point of the job-information library; the caller removes the arguments.
using GetPrintingApplicationFn = int(__cdecl*)(int, void*, DWORD*);

// The job's objects are labelled low integrity with no-write-up, so that readers running at
// low integrity can open them.
constexpr wchar_t kLowIntegritySacl[] = L"S:(ML;;NW;;;LW)";

// How long a second announcement of the same job waits for the reader to let go of the mutex.
constexpr DWORD kMutexWaitMs = 5000;

// Characters replaced in printer names: they are not allowed in object names or would split
// the name into path parts.
constexpr wchar_t kUnsafeNameChars[] = L"\\/:*?\"<>|";

bool IsEmpty(const wchar_t* s) { return s == nullptr || s[0] == L'\0'; }
const wchar_t* OrEmpty(const wchar_t* s) { return s == nullptr ? L"" : s; }

// format: "Local\%.1024ls%08xA" or its mutex twin ending in 'B'.
bool FormatJobObjectName(const wchar_t* format, const wchar_t* sanitizedName, DWORD jobId,
                         wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    if (FAILED(StringCchPrintfW(out, outChars, format, OrEmpty(sanitizedName),
                                static_cast<unsigned>(jobId)))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

// The printer's PRINTER_INFO_2 in a zero-filled block; empty on failure.
GlobalBlock<BYTE> GetPrinterInfo2(HANDLE hPrinter) {
    DWORD needed = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &needed);
    if (needed == 0) return GlobalBlock<BYTE>(0);
    GlobalBlock<BYTE> block(needed);
    if (!block) return block;
    if (!GetPrinterW(hPrinter, 2, block.get(), needed, &needed)) return GlobalBlock<BYTE>(0);
    return block;
}

// True when the job's data type is exactly "RAW"; false when the job cannot be read.
bool JobIsRaw(HANDLE hPrinter, DWORD jobId) {
    DWORD needed = 0;
    GetJobW(hPrinter, jobId, 2, nullptr, 0, &needed);
    if (needed == 0) return false;
    GlobalBlock<BYTE> block(needed);
    if (!block || !GetJobW(hPrinter, jobId, 2, block.get(), needed, &needed)) return false;
    const auto* job = reinterpret_cast<const JOB_INFO_2W*>(block.get());
    return job->pDatatype != nullptr && wcscmp(job->pDatatype, L"RAW") == 0;
}

// "EMFDespoolingSetting" of the printer data: present and non-zero.
bool EmfDespoolingOn(HANDLE hPrinter) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD needed = 0;
    const DWORD rc = GetPrinterDataW(hPrinter, const_cast<wchar_t*>(L"EMFDespoolingSetting"), &type,
                                     reinterpret_cast<BYTE*>(&value), sizeof(value), &needed);
    return rc == ERROR_SUCCESS && value != 0;
}

DWORD OsMajorVersion() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version)) return 0;
    return version.dwMajorVersion;
}

// The user's default ANSI code page: the conversion the C runtime's "" locale would make,
// without switching the process-wide locale under the application's other threads.
UINT UserAnsiCodePage() {
    UINT codePage = 0;
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<wchar_t*>(&codePage),
                       sizeof(codePage) / sizeof(wchar_t)) == 0 ||
        codePage == 0 || !IsValidCodePage(codePage)) {
        return CP_ACP;
    }
    return codePage;
}

// A model value of the capability file `capabilityPath` naming a file of the driver, as a
// full path in the driver directory.
bool ModelFilePath(HANDLE hPrinter, const wchar_t* key, wchar_t* path, DWORD pathBytes,
                   const wchar_t* capabilityPath) {
    wchar_t name[kIniStringChars] = {};
    DWORD chars = kIniStringChars;
    GetModelStringIn(capabilityPath, hPrinter, key, name, &chars);
    if (name[0] == L'\0') return false;
    return BuildDriverFilePath(path, &pathBytes, name, 3);
}

// Asks the model's job-information library which application prints; empty without one.
void ReadPrintingApplication(HANDLE hPrinter, wchar_t* appName, size_t appNameChars) {
    PrintingAppRecord record = {};
    // Always search this printer's files, into a path of this call's own: the process-wide
    // one belongs to the property sheets, which may be open for another printer meanwhile.
    wchar_t capabilityPath[kPathChars] = {};
    if (FindDependentFilesInto(hPrinter, nullptr, capabilityPath)) {
        wchar_t path[260] = {};  // 520 bytes
        if (ModelFilePath(hPrinter, L"JobInfoDLL", path, sizeof(path), capabilityPath)) {
            const UniqueModule library =
                LoadModelLibrary(path, L"job-information library (JobInfoDLL)");
            if (library) {
                auto query = reinterpret_cast<GetPrintingApplicationFn>(reinterpret_cast<void*>(
                    GetProcAddress(library.get(), "GetPrintingApplication")));
                if (query != nullptr) {
                    DWORD size = sizeof(record);
                    query(0, &record, &size);
                }
            }
        }
    }
    AppNameFromRecord(record, appName, appNameChars);
}

// Starts the model's colour utility with the command line; it runs on its own.
void StartColorUtility(HANDLE hPrinter, wchar_t* commandLine) {
    wchar_t capabilityPath[kPathChars] = {};
    if (!FindDependentFilesInto(hPrinter, nullptr, capabilityPath)) return;
    wchar_t path[260] = {};  // 520 bytes
    if (!ModelFilePath(hPrinter, L"COLORAPEXE", path, sizeof(path), capabilityPath)) return;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(path, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &process)) {
        UniqueKernelHandle processHandle(process.hProcess);
        UniqueKernelHandle threadHandle(process.hThread);
        OEMUI_TRACE(kTraceDecisions, L"colour utility (COLORAPEXE): started %ls, process %lu", path,
                    process.dwProcessId);
    } else {
        OEMUI_TRACE(kTraceWarning, L"colour utility (COLORAPEXE): %ls not started (error %lu)",
                    path, GetLastError());
    }
}

// The announcement of DOCUMENTEVENT_STARTDOCPOST for job `jobId`. Every failure ends it
// quietly: the job prints without it.
void AnnouncePrintingApplication(HANDLE hPrinter, DWORD jobId) {
    wchar_t appName[kAppNameChars] = {};
    ReadPrintingApplication(hPrinter, appName, kAppNameChars);

    GlobalBlock<BYTE> block = GetPrinterInfo2(hPrinter);
    if (!block) return;
    const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(block.get());
    const bool shared = (printer->Attributes & PRINTER_ATTRIBUTE_SHARED) != 0;
    const bool raw = JobIsRaw(hPrinter, jobId);
    const bool connection = !IsEmpty(printer->pServerName);
    const bool remote = shared && connection && !raw;
    const DWORD osMajor = OsMajorVersion();

    if (!remote) {
        // A shared printer without a share name is known by its printer name.
        const wchar_t* name =
            shared && !IsEmpty(printer->pShareName) ? printer->pShareName : printer->pPrinterName;
        wchar_t sanitized[kNamePartChars + 1] = {};
        SanitizePrinterName(name, sanitized, kNamePartChars + 1);
        wchar_t sectionName[kJobObjectNameChars] = {};
        wchar_t mutexName[kJobObjectNameChars] = {};
        if (FormatJobSectionName(sanitized, jobId, sectionName, kJobObjectNameChars) &&
            FormatJobMutexName(sanitized, jobId, mutexName, kJobObjectNameChars) &&
            PublishAppName(sectionName, mutexName, appName, osMajor)) {
            return;
        }
    }

    PipeNameFacts facts;
    facts.serverName = printer->pServerName;
    facts.printerName = printer->pPrinterName;
    facts.shareName = printer->pShareName;
    facts.driverName = printer->pDriverName;
    facts.shared = shared;
    facts.raw = raw;
    facts.osMajorVersion = osMajor;
    facts.emfDespooling = connection && EmfDespoolingOn(hPrinter);
    facts.jobId = jobId;
    wchar_t pipeName[kPipeNameChars] = {};
    if (!ChoosePipeName(facts, pipeName, kPipeNameChars)) return;
    wchar_t commandLine[kColorApCommandChars] = {};
    if (!FormatColorApCommandLine(appName, pipeName, commandLine, kColorApCommandChars)) return;
    StartColorUtility(hPrinter, commandLine);
}

// Answers the event filter query: only DOCUMENTEVENT_STARTDOCPOST is wanted. False when the
// output block cannot hold the filter's header.
bool FillEventFilter(ULONG cbOut, void* pvOut) {
    constexpr size_t kHeaderBytes = offsetof(DOCEVENT_FILTER, aDocEventCall);
    if (pvOut == nullptr || cbOut < kHeaderBytes) return false;
    auto* filter = static_cast<DOCEVENT_FILTER*>(pvOut);
    if (filter->cElementsAllocated >= 1 && cbOut >= kHeaderBytes + sizeof(DWORD)) {
        filter->cElementsReturned = 1;
        filter->aDocEventCall[0] = DOCUMENTEVENT_STARTDOCPOST;
    } else {
        filter->cElementsNeeded = 1;
    }
    return true;
}

// The named objects of the most recent jobs, oldest replaced first. Announcements may come
// from several printing threads at once: a slot is claimed and its handles swapped atomically,
// so every handle is closed exactly once.
struct KeptJobObjects {
    void* mutex;
    void* section;
};
KeptJobObjects KeptJobs[kKeptJobObjects] = {};
LONG KeptJobCount = 0;

void KeepJobObjects(HANDLE mutex, HANDLE section) {
    const auto claimed = static_cast<ULONG>(InterlockedIncrement(&KeptJobCount) - 1);
    KeptJobObjects& slot = KeptJobs[claimed % kKeptJobObjects];
    // Each handle is either one this announcement created or null (the object existed).
    if (HANDLE old = InterlockedExchangePointer(&slot.mutex, mutex)) CloseHandle(old);
    if (HANDLE old = InterlockedExchangePointer(&slot.section, section)) CloseHandle(old);
}

// Owns a mutex for a scope: releases it on the way out.
class MutexOwnership {
public:
    explicit MutexOwnership(HANDLE mutex) noexcept : mutex_(mutex) {}
    ~MutexOwnership() { ReleaseMutex(mutex_); }
    MutexOwnership(const MutexOwnership&) = delete;
    MutexOwnership& operator=(const MutexOwnership&) = delete;

private:
    HANDLE mutex_;
};

// Unmaps a view on the way out.
class MappedView {
public:
    explicit MappedView(void* view) noexcept : view_(view) {}
    ~MappedView() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    void* get() const noexcept { return view_; }

private:
    void* view_;
};

}  // namespace

void SanitizePrinterName(const wchar_t* name, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    size_t limit = outChars - 1;
    if (limit > kNamePartChars) limit = kNamePartChars;
    size_t i = 0;
    for (; name != nullptr && i < limit && name[i] != L'\0'; ++i) {
        out[i] = wcschr(kUnsafeNameChars, name[i]) != nullptr ? L'0' : name[i];
    }
    out[i] = L'\0';
}

bool FormatJobSectionName(const wchar_t* sanitizedName, DWORD jobId, wchar_t* out,
                          size_t outChars) {
    return FormatJobObjectName(L"Local\\%.1024ls%08xA", sanitizedName, jobId, out, outChars);
}

bool FormatJobMutexName(const wchar_t* sanitizedName, DWORD jobId, wchar_t* out, size_t outChars) {
    return FormatJobObjectName(L"Local\\%.1024ls%08xB", sanitizedName, jobId, out, outChars);
}

void AppNameFromRecord(const PrintingAppRecord& record, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    out[0] = L'\0';
    const char* field = record.first[0] != '\0' ? record.first : record.second;
    const size_t bytes = strnlen(field, kAppFieldBytes);
    if (bytes == 0) return;
    // 60 bytes never give more than 60 characters; a smaller output keeps the beginning.
    wchar_t converted[kAppNameChars] = {};
    const int written = MultiByteToWideChar(UserAnsiCodePage(), 0, field, static_cast<int>(bytes),
                                            converted, static_cast<int>(kAppNameChars - 1));
    if (written <= 0) return;
    StringCchCopyNW(out, outChars, converted, static_cast<size_t>(written));
}

bool ChoosePipeName(const PipeNameFacts& facts, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    const unsigned job = static_cast<unsigned>(facts.jobId);
    HRESULT hr;
    if (IsEmpty(facts.serverName)) {
        const wchar_t* name =
            facts.shared && !IsEmpty(facts.shareName) ? facts.shareName : facts.printerName;
        hr = StringCchPrintfW(out, outChars, L"\\\\.\\pipe\\%.1024ls\\%08x\\AppInfo", OrEmpty(name),
                              job);
    } else if (facts.raw) {
        hr = StringCchPrintfW(out, outChars, L"\\\\.\\pipe\\%.1024ls\\%08x\\AppInfo",
                              OrEmpty(facts.shareName), job);
    } else if (facts.osMajorVersion >= 6 && !facts.emfDespooling) {
        // Rendering happens on this machine: the utility serves the driver's own pipe.
        hr = StringCchPrintfW(out, outChars, L"\\\\.\\pipe\\%.1024ls\\AppInfo",
                              OrEmpty(facts.driverName));
    } else {
        hr = StringCchPrintfW(out, outChars, L"%.1024ls\\pipe\\%.1024ls\\%08x\\AppInfo",
                              OrEmpty(facts.serverName), OrEmpty(facts.shareName), job);
    }
    if (FAILED(hr)) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool FormatColorApCommandLine(const wchar_t* appName, const wchar_t* pipeName, wchar_t* out,
                              size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    // The utility splits its command line by the usual rules: a quote inside an argument, or a
    // backslash before its closing quote, would end the argument early and let the rest of the
    // application's name become arguments of its own. The application's name (any program may
    // name itself anything) loses its quotes and trailing backslashes; a pipe name never holds
    // a quote, and one that does starts no utility.
    const wchar_t* pipe = OrEmpty(pipeName);
    if (wcschr(pipe, L'"') != nullptr) return false;
    wchar_t name[kColorApNameChars + 1] = {};
    size_t kept = 0;
    const wchar_t* app = OrEmpty(appName);
    for (size_t i = 0; i < kColorApNameChars && app[i] != L'\0'; ++i) {
        if (app[i] != L'"') name[kept++] = app[i];
    }
    while (kept > 0 && name[kept - 1] == L'\\') name[--kept] = L'\0';
    if (FAILED(StringCchPrintfW(out, outChars, L"0 \"%ls\" \"%ls\"", name, pipe))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool OwnedByThisUserOrSystem(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocal descriptorOwner(descriptor);
    // Windows gives every named object an owner; an object without one (Wine makes them so
    // when no descriptor is given) was not set up by another account.
    if (owner == nullptr) return true;
    if (!IsValidSid(owner)) return false;
    if (IsWellKnownSid(owner, WinLocalSystemSid)) return true;

    // The caller's identity: the thread's when it impersonates, else the process's. Objects it
    // creates are owned by its token's default owner, which may be a group (Administrators).
    HANDLE rawToken = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &rawToken) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        return false;
    }
    const UniqueKernelHandle token(rawToken);
    for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        DWORD needed = 0;
        GetTokenInformation(token.get(), kind, nullptr, 0, &needed);
        if (needed == 0) continue;
        GlobalBlock<BYTE> info(needed);
        if (!info || !GetTokenInformation(token.get(), kind, info.get(), needed, &needed)) continue;
        const PSID sid = kind == TokenUser
                             ? reinterpret_cast<const TOKEN_USER*>(info.get())->User.Sid
                             : reinterpret_cast<const TOKEN_OWNER*>(info.get())->Owner;
        if (sid != nullptr && EqualSid(owner, sid)) return true;
    }
    return false;
}

bool PublishAppName(const wchar_t* sectionName, const wchar_t* mutexName, const wchar_t* appName,
                    DWORD osMajorVersion) {
    if (IsEmpty(sectionName) || IsEmpty(mutexName)) return false;

    // Security: a fresh descriptor, labelled low integrity from version 6 on. Without it the
    // objects get the default security.
    SECURITY_DESCRIPTOR descriptor = {};
    UniqueLocal converted;  // holds the label's SACL while the descriptor points into it
    bool secured = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) != 0;
    if (secured && osMajorVersion >= 6) {
        PSECURITY_DESCRIPTOR labelled = nullptr;
        secured = ConvertStringSecurityDescriptorToSecurityDescriptorW(
                      kLowIntegritySacl, SDDL_REVISION_1, &labelled, nullptr) != 0;
        converted.reset(labelled);
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL sacl = nullptr;
        secured = secured && GetSecurityDescriptorSacl(labelled, &present, &sacl, &defaulted) &&
                  present && SetSecurityDescriptorSacl(&descriptor, TRUE, sacl, FALSE);
    }
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    SECURITY_ATTRIBUTES* security = secured ? &attributes : nullptr;

    SetLastError(ERROR_SUCCESS);
    UniqueKernelHandle mutex(CreateMutexW(security, TRUE, mutexName));
    if (!mutex) return false;
    const bool mutexCreated = GetLastError() != ERROR_ALREADY_EXISTS;
    // An object of the job's name that someone else made first may be a trap set by another
    // program of the session (to read the name, or to hold the mutex): publish nothing there.
    if (!mutexCreated && !OwnedByThisUserOrSystem(mutex.get())) return false;
    if (!mutexCreated) {
        // The job was announced before: the initial ownership was not granted; take it.
        const DWORD wait = WaitForSingleObject(mutex.get(), kMutexWaitMs);
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
    }
    HANDLE sectionHandle = nullptr;
    {
        MutexOwnership owned(mutex.get());
        SetLastError(ERROR_SUCCESS);
        UniqueKernelHandle section(CreateFileMappingW(
            INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0, kAppSectionBytes, sectionName));
        if (!section) return false;
        const bool sectionCreated = GetLastError() != ERROR_ALREADY_EXISTS;
        if (!sectionCreated && !OwnedByThisUserOrSystem(section.get())) return false;
        MappedView view(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, kAppSectionBytes));
        if (view.get() == nullptr) return false;
        auto* text = static_cast<wchar_t*>(view.get());
        StringCchCopyNW(text, kAppNameChars, OrEmpty(appName), kAppNameChars - 1);
        // The objects must outlive this call for the reader: keep the handles of those this
        // call created among the recent jobs' objects. Existing ones are already kept.
        sectionHandle = sectionCreated ? section.release() : nullptr;
    }
    HANDLE mutexHandle = mutexCreated ? mutex.release() : nullptr;
    if (mutexHandle != nullptr || sectionHandle != nullptr)
        KeepJobObjects(mutexHandle, sectionHandle);
    return true;
}

HRESULT HandleDocumentEvent(HANDLE hPrinter, HDC, INT escape, ULONG cbIn, PVOID pbIn, ULONG cbOut,
                            PVOID pbOut, INT* result) {
    switch (escape) {
        case DOCUMENTEVENT_CREATEDCPRE:
            if (result != nullptr) *result = DOCUMENTEVENT_SUCCESS;
            break;
        case DOCUMENTEVENT_QUERYFILTER: {
            // Without a usable filter block the spooler is told to send every event.
            const bool filled = FillEventFilter(cbOut, pbOut);
            if (result != nullptr)
                *result = filled ? DOCUMENTEVENT_SUCCESS : DOCUMENTEVENT_UNSUPPORTED;
            break;
        }
        case DOCUMENTEVENT_STARTDOCPOST:
            if (pbIn != nullptr && cbIn >= sizeof(DWORD)) {
                DWORD jobId = 0;
                memcpy(&jobId, pbIn, sizeof(jobId));
                AnnouncePrintingApplication(hPrinter, jobId);
            }
            break;
        default:
            break;
    }
    return S_OK;
}

}  // namespace oemui
