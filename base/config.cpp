#include "base/config.h"

#include <strsafe.h>
#include <winspool.h>

#include <array>
#include <functional>
#include <new>

#include "base/driverfiles.h"
#include "base/trace.h"
#include "base/handles.h"

namespace oemui {

namespace {

// The printer's DRIVER_INFO_<level> in a zero-filled global block; `bytes` is what the spooler
// filled. Most drivers' information fits the first guess, which saves the size query.
struct DriverInfo {
    GlobalBlock<BYTE> block{0};
    size_t bytes = 0;
};

DriverInfo FetchDriverInfo(HANDLE hPrinter, DWORD level) {
    constexpr DWORD kFirstGuess = 4096;
    DriverInfo info;
    info.block = GlobalBlock<BYTE>(kFirstGuess);
    if (!info.block) return info;
    DWORD needed = 0;
    if (GetPrinterDriverW(hPrinter, nullptr, level, info.block.get(), kFirstGuess, &needed)) {
        info.bytes = needed != 0 && needed <= kFirstGuess ? needed : kFirstGuess;
        return info;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return DriverInfo();
    info.block = GlobalBlock<BYTE>(needed);
    if (!info.block) return DriverInfo();
    DWORD again = 0;
    if (!GetPrinterDriverW(hPrinter, nullptr, level, info.block.get(), needed, &again)) {
        return DriverInfo();
    }
    info.bytes = needed;
    return info;
}

// Sections of configuration files kept for a sheet, each read once with
// GetPrivateProfileSectionW.
constexpr size_t kKeptSections = 8;
// Section names longer than this are not kept (model sections are resolved with up to 1024).
constexpr size_t kKeptSectionNameChars = 1025;

// One section as GetPrivateProfileSectionW gave it: "key=value" lines, each ended by a NUL,
// an empty line last. `whole` is false when the section did not fit the read; every look-up
// then asks the file.
struct KeptSection {
    std::array<wchar_t, kPathChars> file{};
    std::array<wchar_t, kKeptSectionNameChars> name{};
    GlobalBlock<wchar_t> lines{0};
    bool used = false;
    bool whole = false;
};

// The open sheet's printer and its DRIVER_INFO_3W, fetched on first use. Only lookups on that
// very handle see it; it is dropped when the sheet ends or another sheet's set-up starts.
struct SheetDriverCache {
    HANDLE printer = nullptr;
    DriverInfo info;
    // The model section as last resolved for this printer, with what it was read from.
    std::array<wchar_t, kPathChars> sectionFile{};
    std::array<wchar_t, 1025> section{};
    DWORD sectionLimit = 0;
    // Configuration sections read for the sheet; the oldest goes when a new one needs room.
    std::array<KeptSection, kKeptSections> kept{};
    size_t nextKept = 0;
    // Another handle on the same printer, opened by the sheet while it lasts.
    HANDLE alias = nullptr;
    // The library the sheet loaded by this full path.
    std::array<wchar_t, kPathChars> libraryPath{};
    UniqueModule library;
};

// At namespace scope, made when the DLL loads: a function-local static would be made by its
// first caller under a thread-safe guard, and the runtime's guard keeps a record of the
// calling thread that outlives an unloaded plug-in (two handles per load).
SheetDriverCache cache;

SheetDriverCache& SheetCache() { return cache; }

// The thread whose sheet (or single operation) holds the cache, 0 when none does. DevMode and
// the document events run on an application's printing threads while a sheet is open on its
// window thread: only the holder reads or changes the cache; every other thread reads for itself.
volatile LONG CacheHolder = 0;

bool HoldsCache() {
    return static_cast<DWORD>(InterlockedCompareExchange(&CacheHolder, 0, 0)) ==
           GetCurrentThreadId();
}

bool ClaimCache() {
    const LONG me = static_cast<LONG>(GetCurrentThreadId());
    const LONG before = InterlockedCompareExchange(&CacheHolder, me, 0);
    return before == 0 || before == me;
}

// The cache for a look-up on `hPrinter`, or nullptr when this thread must read for itself.
SheetDriverCache* CacheFor(HANDLE hPrinter) {
    if (hPrinter == nullptr || !HoldsCache()) return nullptr;
    SheetDriverCache& cache = SheetCache();
    if (cache.printer == nullptr) return nullptr;
    return hPrinter == cache.printer || hPrinter == cache.alias ? &cache : nullptr;
}

void ForgetSheetHandles(SheetDriverCache& cache) {
    cache.alias = nullptr;
    cache.library.reset();
    cache.libraryPath[0] = L'\0';
}

// Section lines are read with this many characters; a larger section is not kept.
constexpr DWORD kSectionLinesChars = 32768;

// Copies a profile value as GetPrivateProfileStringW hands it out: a value enclosed in a pair
// of the same quote character loses them, the copy is cut to `capacity` - 1 characters.
// Returns the characters copied.
DWORD CopyProfileValue(const wchar_t* value, wchar_t* out, DWORD capacity) {
    wchar_t quote = L'\0';
    size_t length = wcslen(value);
    if ((value[0] == L'"' || value[0] == L'\'') && length > 1 && value[length - 1] == value[0]) {
        quote = value[0];
        ++value;
        --length;
    }
    StringCchCopyNW(out, capacity, value, length);
    size_t copied = wcslen(out);
    if (quote != L'\0' && capacity >= length && copied > 0) out[--copied] = L'\0';
    return static_cast<DWORD>(copied);
}

bool IsAscii(const wchar_t* text, size_t chars) {
    for (size_t i = 0; i < chars; ++i) {
        if (text[i] > 0x7F) return false;
    }
    return true;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool SameNameNoCase(const wchar_t* name, size_t nameChars, const wchar_t* key, size_t keyChars) {
    return nameChars == keyChars &&
           CompareStringOrdinal(name, static_cast<int>(nameChars), key, static_cast<int>(keyChars),
                                TRUE) == CSTR_EQUAL;
}

// The kept copy of [section] in `file`, read now when this sheet has not read it yet; nullptr
// when this thread holds no sheet cache or the names cannot be kept.
const KeptSection* KeptSectionOf(const wchar_t* section, const wchar_t* file) {
    if (!HoldsCache()) return nullptr;
    if (wcslen(file) >= kPathChars || wcslen(section) >= kKeptSectionNameChars) return nullptr;
    SheetDriverCache& cache = SheetCache();
    for (const KeptSection& kept : cache.kept) {
        // Section names match as the profile functions match them; file names exactly.
        if (kept.used && wcscmp(kept.file.data(), file) == 0 &&
            CompareStringOrdinal(kept.name.data(), -1, section, -1, TRUE) == CSTR_EQUAL) {
            return &kept;
        }
    }
    GlobalBlock<wchar_t> read(kSectionLinesChars * sizeof(wchar_t));
    if (!read) return nullptr;
    const DWORD chars = GetPrivateProfileSectionW(section, read.get(), kSectionLinesChars, file);
    KeptSection& kept = cache.kept[cache.nextKept];
    cache.nextKept = (cache.nextKept + 1) % cache.kept.size();
    kept.used = true;
    kept.whole = chars < kSectionLinesChars - 2;
    StringCchCopyW(kept.file.data(), kept.file.size(), file);
    StringCchCopyW(kept.name.data(), kept.name.size(), section);
    kept.lines = GlobalBlock<wchar_t>(0);
    if (kept.whole) {
        kept.lines = GlobalBlock<wchar_t>((chars + 2) * sizeof(wchar_t));  // zero-filled
        if (!kept.lines) {
            kept.used = false;
            return nullptr;
        }
        memcpy(kept.lines.get(), read.get(), chars * sizeof(wchar_t));
    }
    return &kept;
}

void ForgetKeptSections(SheetDriverCache& cache) {
    for (KeptSection& kept : cache.kept) {
        kept.used = false;
        kept.lines = GlobalBlock<wchar_t>(0);
    }
    cache.nextKept = 0;
}

// What the kept copy says of a key.
enum class KeptAnswer {
    Value,    // the key's value is known
    Absent,   // the key is not in the section: the default
    AskFile,  // the copy cannot tell exactly as the file would
};

KeptAnswer LookUpKept(const wchar_t* section, const wchar_t* key, const wchar_t* file,
                      const wchar_t*& value) {
    const size_t keyChars = wcslen(key);
    // Comments are left out of a section's lines, but a look-up of such a key finds them; a
    // key outside ASCII might match a name under another case mapping.
    if (keyChars == 0 || key[0] == L';' || !IsAscii(key, keyChars) || file[0] == L'\0') {
        return KeptAnswer::AskFile;
    }
    const KeptSection* kept = KeptSectionOf(section, file);
    if (kept == nullptr || !kept->whole) return KeptAnswer::AskFile;
    for (const wchar_t* line = kept->lines.get(); *line != L'\0'; line += wcslen(line) + 1) {
        const wchar_t* equals = wcschr(line, L'=');
        const size_t lineNameChars =
            equals != nullptr ? static_cast<size_t>(equals - line) : wcslen(line);
        if (SameNameNoCase(line, lineNameChars, key, keyChars)) {
            // A name without a value reads as the default on some systems, empty on others;
            // blanks around a value are trimmed by some systems' section reads and not others.
            if (equals == nullptr) return KeptAnswer::AskFile;
            value = equals + 1;
            const size_t valueChars = wcslen(value);
            if (valueChars > 0 && (IsBlank(value[0]) || IsBlank(value[valueChars - 1]))) {
                return KeptAnswer::AskFile;
            }
            return KeptAnswer::Value;
        }
        // Names the profile functions might case-map or trim otherwise than here.
        if (!IsAscii(line, lineNameChars)) return KeptAnswer::AskFile;
        const wchar_t* name = line;
        size_t nameChars = lineNameChars;
        while (nameChars > 0 && IsBlank(name[0])) ++name, --nameChars;
        while (nameChars > 0 && IsBlank(name[nameChars - 1])) --nameChars;
        if (nameChars != lineNameChars && SameNameNoCase(name, nameChars, key, keyChars)) {
            return KeptAnswer::AskFile;
        }
    }
    return KeptAnswer::Absent;
}

// Level-3 information of a printer: the sheet's copy for the sheet's printer, else fetched.
class DriverInfo3 {
public:
    explicit DriverInfo3(HANDLE hPrinter) {
        if (SheetDriverCache* held = CacheFor(hPrinter)) {
            SheetDriverCache& cache = *held;
            if (cache.info.bytes == 0) cache.info = FetchDriverInfo(hPrinter, 3);
            data_ = cache.info.block.get();
            bytes_ = cache.info.bytes;
            return;
        }
        owned_ = FetchDriverInfo(hPrinter, 3);
        data_ = owned_.block.get();
        bytes_ = owned_.bytes;
    }
    const BYTE* data() const { return bytes_ != 0 ? data_ : nullptr; }
    size_t bytes() const { return bytes_; }

private:
    DriverInfo owned_;
    const BYTE* data_ = nullptr;
    size_t bytes_ = 0;
};

bool EndsWithNoCase(const wchar_t* name, size_t len, const wchar_t* suffix4) {
    if (len < 4) return false;
    return CompareStringOrdinal(name + len - 4, 4, suffix4, 4, TRUE) == CSTR_EQUAL;
}

// Calls visit(name, length) for each dependent file of the printer's driver.
template <typename Visit>
bool ForEachDependentFile(HANDLE hPrinter, Visit visit) {
    const DriverInfo3 block(hPrinter);
    if (block.data() == nullptr) return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(block.data());
    const wchar_t* list = info->pDependentFiles;
    const BYTE* begin = block.data();
    const BYTE* end = begin + block.bytes();
    const BYTE* at = reinterpret_cast<const BYTE*>(list);
    if (list == nullptr || at < begin || at >= end) return true;  // no usable list
    const size_t available = static_cast<size_t>(end - at) / sizeof(wchar_t);
    WalkDependentFileList(list, available,
                          [&](const wchar_t* name, size_t len) { visit(name, len); });
    return true;
}

// Starts the held cache over for `printer` (null: for no sheet).
void ResetCache(HANDLE printer) {
    SheetDriverCache& cache = SheetCache();
    cache.printer = printer;
    cache.info = DriverInfo();
    cache.sectionLimit = 0;
    ForgetKeptSections(cache);
    ForgetSheetHandles(cache);
}

}  // namespace

void BeginSheetDriverCache(HANDLE hPrinter) {
    if (hPrinter == nullptr) {
        EndSheetDriverCache();
        return;
    }
    // A sheet set up while another thread holds the cache reads for itself.
    if (ClaimCache()) ResetCache(hPrinter);
}

void EndSheetDriverCache() {
    if (!HoldsCache()) return;
    ResetCache(nullptr);
    InterlockedExchange(&CacheHolder, 0);
}

bool AliasSheetPrinter(HANDLE sheetPrinter, HANDLE alias) {
    if (alias == nullptr || alias == sheetPrinter || !HoldsCache()) return false;
    SheetDriverCache& cache = SheetCache();
    if (cache.printer == nullptr || cache.printer != sheetPrinter || cache.alias != nullptr) {
        return false;
    }
    cache.alias = alias;
    return true;
}

void DropSheetPrinterAlias(HANDLE alias) {
    if (alias == nullptr || !HoldsCache()) return;
    SheetDriverCache& cache = SheetCache();
    if (cache.alias == alias) cache.alias = nullptr;
}

SheetLibrary::SheetLibrary(const wchar_t* path, const wchar_t* what) {
    if (path == nullptr || path[0] == L'\0') return;
    if (HoldsCache() && wcslen(path) < kPathChars) {
        SheetDriverCache& cache = SheetCache();
        if (cache.printer != nullptr && cache.library &&
            wcscmp(cache.libraryPath.data(), path) == 0) {
            module_ = cache.library.get();
            return;
        }
        // A library kept for another path stays: an object of this sheet may still use it.
        if (cache.printer != nullptr && !cache.library) {
            cache.library = LoadModelLibrary(path, what);
            if (cache.library) {
                StringCchCopyW(cache.libraryPath.data(), cache.libraryPath.size(), path);
            }
            module_ = cache.library.get();
            return;
        }
    }
    owned_ = LoadModelLibrary(path, what);
    module_ = owned_.get();
}

void DropSheetLibraryAtDetach(bool processTerminating) {
    // Only a holder's cache keeps a library; the loader lock keeps every other thread out. The
    // runtime destroys the cache only after DllMain returns, and then finds nothing to free.
    if (InterlockedCompareExchange(&CacheHolder, 0, 0) == 0) return;
    SheetDriverCache& cache = SheetCache();
    if (processTerminating) {
        static_cast<void>(cache.library.release());
    } else {
        cache.library.reset();
    }
    cache.libraryPath[0] = L'\0';
}

struct DriverInfoScope::SetAside {
    SheetDriverCache cache;
};

DriverInfoScope::DriverInfoScope(HANDLE hPrinter) {
    if (hPrinter == nullptr || CacheFor(hPrinter) != nullptr) return;
    // Another thread's sheet keeps its cache; this operation then reads for itself.
    if (!ClaimCache()) return;
    SheetDriverCache& cache = SheetCache();
    if (cache.printer != nullptr) {
        setAside_ = new (std::nothrow) SetAside;
        if (setAside_ == nullptr) return;  // no room: this operation reads for itself
        setAside_->cache = std::move(cache);
        // The alias's owner may close it within the scope: the sheet reads it for itself after.
        setAside_->cache.alias = nullptr;
        cache = SheetDriverCache();
    }
    BeginSheetDriverCache(hPrinter);
    began_ = true;
    // Kept sections belong to their files, not to a printer: the operation reads the sheet's.
    if (setAside_ != nullptr) {
        cache.kept = std::move(setAside_->cache.kept);
        cache.nextKept = setAside_->cache.nextKept;
    }
}

DriverInfoScope::~DriverInfoScope() {
    if (!began_) return;
    if (setAside_ != nullptr) {
        // Still held by this thread: the sheet's copy comes back in place of the operation's,
        // with the sections either of them read.
        setAside_->cache.kept = std::move(SheetCache().kept);
        setAside_->cache.nextKept = SheetCache().nextKept;
        SheetCache() = std::move(setAside_->cache);
        delete setAside_;
        return;
    }
    EndSheetDriverCache();
}

size_t WalkDependentFileList(const wchar_t* list, size_t availableChars,
                             const std::function<void(const wchar_t*, size_t)>& visit) {
    if (list == nullptr) return 0;
    const size_t limit =
        availableChars < kDependentListChars ? availableChars : kDependentListChars;
    size_t pos = 0;
    size_t count = 0;
    while (pos < limit && list[pos] != L'\0') {
        size_t len = 0;
        while (pos + len < limit && list[pos + len] != L'\0') ++len;
        if (pos + len >= limit) break;  // the name does not end inside the bounded list
        if (len <= kMaxDependentNameChars) {
            visit(list + pos, len);
            ++count;
        }
        pos += len + 1;
    }
    return count;
}

bool FindDependentFiles(HANDLE hPrinter, wchar_t* iniPathOut) {
    std::array<wchar_t, kPathChars> capability{};
    return FindDependentFilesInto(hPrinter, iniPathOut, capability.data());
}

bool FindDependentFilesInto(HANDLE hPrinter, wchar_t* iniPathOut, wchar_t* capabilityPathOut) {
    TraceForPrinter(hPrinter);
    capabilityPathOut[0] = L'\0';
    bool seen = false;
    ForEachDependentFile(hPrinter, [&](const wchar_t* name, size_t len) {
        std::array<wchar_t, kPathChars> path{};
        StringCchCopyNW(path.data(), path.size(), name, len);
        if (EndsWithNoCase(name, len, L".ini")) {
            std::array<wchar_t, kShortValueChars> value{};
            SheetProfileString(L"OEMFiles", L"OEMConfigFile1", value.data(), kShortValueChars,
                               path.data());
            OEMUI_TRACE(kTraceDecisions,
                        L"dependent file: %ls, plug-in INI file %ls (OEMConfigFile1=\"%ls\")",
                        path.data(), value[0] != L'\0' ? L"candidate" : L"ignored", value.data());
            if (value[0] != L'\0' && iniPathOut != nullptr) {
                StringCchCopyW(iniPathOut, kPathChars, path.data());
            }
            seen = true;
        } else if (EndsWithNoCase(name, len, L".cap")) {
            StringCchCopyW(capabilityPathOut, kPathChars, path.data());
            OEMUI_TRACE(kTraceDecisions, L"dependent file: %ls, capability file candidate",
                        path.data());
            seen = true;
        }
    });
    return seen;
}

bool ResolveSheetPaths(HANDLE hPrinter, SheetPaths& out) {
    out = SheetPaths{};
    FindDependentFilesInto(hPrinter, out.PluginIni, out.Capability);
    if (out.PluginIni[0] == L'\0') return false;
    std::array<wchar_t, kPathChars> helpName{};
    SheetProfileString(L"DependentFiles", L"HELP", helpName.data(),
                       static_cast<DWORD>(kMaxDependentNameChars), out.PluginIni);
    DWORD bytes = sizeof(out.Help);
    if (helpName[0] != L'\0' && !BuildDriverFilePath(out.Help, &bytes, helpName.data(), 3)) {
        out.Help[0] = L'\0';
    }
    return true;
}

bool FindCapabilityFile(HANDLE hPrinter, wchar_t* pathOut) {
    TraceForPrinter(hPrinter);
    pathOut[0] = L'\0';
    ForEachDependentFile(hPrinter, [&](const wchar_t* name, size_t len) {
        if (EndsWithNoCase(name, len, L".cap")) StringCchCopyNW(pathOut, kPathChars, name, len);
    });
    return pathOut[0] != L'\0';
}

bool FindVersionFile(HANDLE hPrinter, wchar_t* pathOut) {
    bool found = false;
    ForEachDependentFile(hPrinter, [&](const wchar_t* name, size_t len) {
        if (EndsWithNoCase(name, len, L".ver")) {
            if (pathOut != nullptr) StringCchCopyNW(pathOut, kPathChars, name, len);
            found = true;
        }
    });
    return found;
}

bool FindDataFile(HANDLE hPrinter, wchar_t* pathOut) {
    if (pathOut == nullptr) return false;
    pathOut[0] = L'\0';
    const DriverInfo3 block(hPrinter);
    if (block.data() == nullptr) return false;
    const wchar_t* name = reinterpret_cast<const DRIVER_INFO_3W*>(block.data())->pDataFile;
    // The name must lie inside the block the spooler filled.
    const BYTE* at = reinterpret_cast<const BYTE*>(name);
    if (name == nullptr || at < block.data() || at >= block.data() + block.bytes()) return false;
    const size_t available =
        static_cast<size_t>(block.data() + block.bytes() - at) / sizeof(wchar_t);
    size_t length = 0;
    if (FAILED(StringCchLengthW(name, available < kPathChars ? available : kPathChars, &length)) ||
        length == 0) {
        return false;
    }
    return SUCCEEDED(StringCchCopyNW(pathOut, kPathChars, name, length));
}

bool ResolveModelSection(HANDLE hPrinter, wchar_t* sectionOut, DWORD sectionChars, DWORD limit) {
    std::array<wchar_t, kPathChars> capability{};
    FindCapabilityFile(hPrinter, capability.data());
    return ResolveModelSectionIn(capability.data(), hPrinter, sectionOut, sectionChars, limit);
}

bool ResolveModelSectionIn(const wchar_t* capabilityPath, HANDLE hPrinter, wchar_t* sectionOut,
                           DWORD sectionChars, DWORD limit) {
    if (sectionOut == nullptr || sectionChars == 0 || capabilityPath == nullptr) return false;
    sectionOut[0] = L'\0';
    // The driver's name: the sheet's level-3 copy names it as level 1 does.
    const wchar_t* driverName = nullptr;
    DriverInfo level1;
    if (CacheFor(hPrinter) != nullptr) {
        const DriverInfo3 sheetInfo(hPrinter);
        if (sheetInfo.data() != nullptr) {
            driverName = reinterpret_cast<const DRIVER_INFO_3W*>(sheetInfo.data())->pName;
        }
    } else {
        level1 = FetchDriverInfo(hPrinter, 1);
        if (level1.bytes == 0) return false;
        driverName = reinterpret_cast<const DRIVER_INFO_1W*>(level1.block.get())->pName;
    }
    if (driverName == nullptr || driverName[0] == L'\0' || capabilityPath[0] == L'\0') {
        return false;
    }
    const DWORD chars = limit < sectionChars ? limit : sectionChars;
    SheetDriverCache* held = CacheFor(hPrinter);
    SheetDriverCache& cache = SheetCache();
    const bool cacheable = held != nullptr && chars <= cache.section.size();
    if (cacheable && cache.sectionLimit == chars &&
        wcscmp(cache.sectionFile.data(), capabilityPath) == 0) {
        StringCchCopyW(sectionOut, chars, cache.section.data());
        return sectionOut[0] != L'\0';
    }
    GetPrivateProfileStringW(L"Capability", driverName, L"", sectionOut, chars, capabilityPath);
    if (cacheable) {
        StringCchCopyW(cache.section.data(), cache.section.size(), sectionOut);
        StringCchCopyW(cache.sectionFile.data(), cache.sectionFile.size(), capabilityPath);
        cache.sectionLimit = chars;
    }
    if (TraceOn(kTraceWarning)) TraceModelSection(driverName, sectionOut, capabilityPath);
    return sectionOut[0] != L'\0';
}

void GetModelString(HANDLE hPrinter, const wchar_t* key, wchar_t* out, DWORD* inOutChars) {
    std::array<wchar_t, kPathChars> capability{};
    FindCapabilityFile(hPrinter, capability.data());
    GetModelStringIn(capability.data(), hPrinter, key, out, inOutChars);
}

void GetModelStringIn(const wchar_t* capabilityPath, HANDLE hPrinter, const wchar_t* key,
                      wchar_t* out, DWORD* inOutChars) {
    if (out == nullptr || inOutChars == nullptr || *inOutChars == 0) return;
    out[0] = L'\0';
    const DWORD capacity = *inOutChars;
    *inOutChars = 0;
    if (key == nullptr) return;
    std::array<wchar_t, kShortValueChars> section{};
    if (!ResolveModelSectionIn(capabilityPath, hPrinter, section.data(), kShortValueChars)) return;
    *inOutChars = SheetProfileString(section.data(), key, out, capacity, capabilityPath);
}

UINT GetModelInt(HANDLE hPrinter, const wchar_t* key, INT defaultValue) {
    std::array<wchar_t, kPathChars> capability{};
    FindCapabilityFile(hPrinter, capability.data());
    return GetModelIntIn(capability.data(), hPrinter, key, defaultValue);
}

UINT GetModelIntIn(const wchar_t* capabilityPath, HANDLE hPrinter, const wchar_t* key,
                   INT defaultValue) {
    if (key == nullptr) return static_cast<UINT>(defaultValue);
    std::array<wchar_t, kShortValueChars> section{};
    if (!ResolveModelSectionIn(capabilityPath, hPrinter, section.data(), kShortValueChars)) {
        return static_cast<UINT>(defaultValue);
    }
    return SheetProfileInt(section.data(), key, defaultValue, capabilityPath);
}

DWORD SheetProfileString(const wchar_t* section, const wchar_t* key, wchar_t* out, DWORD outChars,
                         const wchar_t* file) {
    if (section != nullptr && key != nullptr && file != nullptr && out != nullptr &&
        outChars != 0) {
        const wchar_t* value = nullptr;
        switch (LookUpKept(section, key, file, value)) {
            case KeptAnswer::Value:
                return CopyProfileValue(value, out, outChars);
            case KeptAnswer::Absent:
                out[0] = L'\0';
                return 0;
            case KeptAnswer::AskFile:
                break;
        }
    }
    return GetPrivateProfileStringW(section, key, L"", out, outChars, file);
}

UINT SheetProfileInt(const wchar_t* section, const wchar_t* key, INT defaultValue,
                     const wchar_t* file) {
    if (section != nullptr && key != nullptr && file != nullptr) {
        const wchar_t* value = nullptr;
        switch (LookUpKept(section, key, file, value)) {
            case KeptAnswer::Absent:
                return static_cast<UINT>(defaultValue);
            case KeptAnswer::Value: {
                // Plain decimal digits read the same everywhere; signs, blanks, prefixes and
                // numbers near the limits are left to the system's own reading.
                constexpr size_t kPlainDigits = 9;
                const size_t digits = wcslen(value);
                UINT number = 0;
                bool plain = digits > 0 && digits <= kPlainDigits;
                for (size_t i = 0; plain && i < digits; ++i) {
                    plain = value[i] >= L'0' && value[i] <= L'9';
                    number = number * 10 + static_cast<UINT>(value[i] - L'0');
                }
                if (plain) return number;
                break;
            }
            case KeptAnswer::AskFile:
                break;
        }
    }
    return GetPrivateProfileIntW(section, key, defaultValue, file);
}

bool BuildDriverFilePath(wchar_t* out, DWORD* inOutBytes, const wchar_t* name, int mode) {
    if (out == nullptr || inOutBytes == nullptr || name == nullptr || mode != 3) return false;
    // A name that reaches out of the driver directory is no driver file: it is missing.
    if (name[0] != L'\0' && !IsDriverFileName(name, nullptr)) {
        if (*inOutBytes >= sizeof(wchar_t)) out[0] = L'\0';
        *inOutBytes = 0;
        return false;
    }
    const DWORD capacityBytes = *inOutBytes;
    const size_t capacityChars = capacityBytes / sizeof(wchar_t);
    if (capacityChars == 0) return false;
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(out),
                                    capacityBytes, &needed)) {
        out[0] = L'\0';
        return false;
    }
    // The version-3 driver files live in the "3" subdirectory. Without room for it the
    // directory alone would be a wrong answer, so that is a failure too.
    if (FAILED(StringCchCatW(out, capacityChars, L"\\3"))) {
        out[0] = L'\0';
        *inOutBytes = 0;
        return false;
    }
    size_t dirChars = 0;
    StringCchLengthW(out, capacityChars, &dirChars);
    size_t nameChars = 0;
    if (FAILED(StringCchLengthW(name, STRSAFE_MAX_CCH, &nameChars))) nameChars = STRSAFE_MAX_CCH;

    // Room for directory, '\', name and the terminating NUL.
    bool fits = dirChars + 1 + nameChars + 1 <= capacityChars;
    if (fits) {
        fits = SUCCEEDED(StringCchCatW(out, capacityChars, L"\\")) &&
               SUCCEEDED(StringCchCatW(out, capacityChars, name));
        if (!fits) out[dirChars] = L'\0';
    }
    size_t finalChars = 0;
    StringCchLengthW(out, capacityChars, &finalChars);
    *inOutBytes = static_cast<DWORD>(finalChars * sizeof(wchar_t));
    return fits;
}

bool InstalledOptionsFilePath(wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    std::array<wchar_t, 520> windir{};
    const UINT len = GetWindowsDirectoryW(windir.data(), static_cast<UINT>(windir.size()));
    if (len == 0 || len >= windir.size()) return false;
    if (FAILED(StringCchCopyW(out, outChars, windir.data())) ||
        FAILED(StringCchCatW(out, outChars, L"\\varoopt.dat"))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool InstalledOptionsFileReadable(const wchar_t* path) {
    if (path == nullptr || path[0] == L'\0') return false;
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

WORD CompressionLevelFor(UINT compression) {
    static constexpr std::array<WORD, 10> kLevels = {0, 1, 1, 1, 2, 2, 2, 3, 3, 3};
    const UINT index = CompressionDefaultIndex(compression);
    return index < kLevels.size() ? kLevels[index] : kLevels.back();
}

}  // namespace oemui
