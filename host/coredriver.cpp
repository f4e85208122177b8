#include "host/coredriver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <strsafe.h>

#include "host/sheet.h"

namespace host {

namespace {

// Private area of the core's DEVMODE part (offsets from the start of that area).
constexpr DWORD kPrivateSignature = 0x50545348;  // "HSTP"
constexpr size_t kPrivSignature = 0;
constexpr size_t kPrivFeatureCount = 4;
constexpr size_t kPrivOrientation = 6;
constexpr size_t kPrivColor = 7;
constexpr size_t kPrivNup = 8;
constexpr size_t kPrivMirror = 9;
constexpr size_t kPrivNegative = 10;
constexpr size_t kPrivCollate = 11;
constexpr size_t kPrivCopies = 12;
constexpr size_t kPrivScale = 14;
constexpr size_t kPrivFeatures = 140;  // one byte per feature to the end of the area
constexpr size_t kPrivOutputOption = CoreDriver::kOutputOptionOffset - sizeof(DEVMODEW);
constexpr size_t kPrivPaperClass = CoreDriver::kPaperClassOffset - sizeof(DEVMODEW);
static_assert(CoreDriver::kOutputOptionOffset >= sizeof(DEVMODEW) &&
                  kPrivOutputOption < kPrivFeatures,
              "the output-option byte lies in the core's private area");
static_assert(CoreDriver::kPaperClassOffset >= sizeof(DEVMODEW) && kPrivPaperClass < kPrivFeatures,
              "the paper-class byte lies in the core's private area");
static_assert(kPrivFeatures < CoreDriver::kDriverPrivateSize, "room for feature selections");
static_assert((sizeof(DEVMODEW) + CoreDriver::kDriverPrivateSize) % sizeof(DWORD) == 0,
              "the plug-in record starts DWORD-aligned");

struct PaperCode {
    const char* keyword;
    short code;
};
constexpr PaperCode kPaperCodes[] = {
    {"Letter", DMPAPER_LETTER},
    {"Legal", DMPAPER_LEGAL},
    {"Executive", DMPAPER_EXECUTIVE},
    {"Tabloid", DMPAPER_TABLOID},
    {"A3", DMPAPER_A3},
    {"A4", DMPAPER_A4},
    {"A5", DMPAPER_A5},
    {"B4", DMPAPER_B4},
    {"B5", DMPAPER_B5},
    {"FanFoldGermanLegal", DMPAPER_FANFOLD_LGL_GERMAN},
    {"Env10", DMPAPER_ENV_10},
    {"EnvDL", DMPAPER_ENV_DL},
    {"EnvC5", DMPAPER_ENV_C5},
    {"EnvMonarch", DMPAPER_ENV_MONARCH},
};

struct DuplexCode {
    const char* keyword;
    short code;
};
constexpr DuplexCode kDuplexCodes[] = {{"None", DMDUP_SIMPLEX},
                                       {"DuplexNoTumble", DMDUP_VERTICAL},
                                       {"DuplexTumble", DMDUP_HORIZONTAL}};

bool ConstraintMatches(const std::string& constraintOption, const std::string& option) {
    return constraintOption.empty() ? !IsOffOption(option) : constraintOption == option;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// IPrintOemDriverUI

class CoreDriver::DriverUiObject final : public IPrintOemDriverUI {
public:
    explicit DriverUiObject(CoreDriver* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemDriverUI)) {
            *ppv = static_cast<IPrintOemDriverUI*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    // The stand-in owns the object; the count only shows whether the plug-in let go of it.
    ULONG STDMETHODCALLTYPE Release() override {
        return static_cast<ULONG>(InterlockedDecrement(&refs_));
    }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR feature, PVOID output, DWORD size,
                                                  PDWORD needed, PDWORD returned) override {
        return owner_->GetDriverSetting(feature, output, size, needed, returned) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID item, DWORD previous,
                                                 DWORD mode) override {
        return owner_->UpdateUISetting(item, previous, mode) ? S_OK : E_FAIL;
    }
    LONG References() const { return refs_; }

private:
    CoreDriver* owner_;
    volatile LONG refs_ = 1;
};

namespace {

CoreDriver* OwnerOf(PVOID driverObject) {
    // The OEMUIOBJ is the first member of the block that names its owner.
    struct Block {
        OEMUIOBJ obj;
        CoreDriver* owner;
    };
    auto* block = static_cast<Block*>(driverObject);
    if (block == nullptr || block->obj.cbSize != sizeof(OEMUIOBJ)) return nullptr;
    return block->owner;
}

BOOL APIENTRY GetDriverSettingProc(PVOID driverObject, PCSTR feature, PVOID output, DWORD size,
                                   PDWORD needed, PDWORD returned) {
    CoreDriver* owner = OwnerOf(driverObject);
    if (owner == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return owner->GetDriverSetting(feature, output, size, needed, returned);
}

BOOL APIENTRY UpdateUISettingProc(PVOID driverObject, PVOID item, DWORD previous, DWORD mode) {
    CoreDriver* owner = OwnerOf(driverObject);
    if (owner == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return owner->UpdateUISetting(item, previous, mode);
}

OEMUIPROCS g_procs = {&GetDriverSettingProc, &UpdateUISettingProc};

// Bytes of the plug-in's record in a stored DEVMODE that starts at `start`, or 0 when there is
// none the plug-in may be given: the DEVMODE's declared size (dmSize + dmDriverExtra) and the
// bytes actually stored bound the record, and the record's own dwSize must fit inside them.
size_t StoredPluginRecordBytes(const std::vector<BYTE>& stored, size_t start) {
    if (stored.size() < sizeof(DEVMODEW)) return 0;
    DEVMODEW dm;
    memcpy(&dm, stored.data(), sizeof(dm));
    const size_t declared = static_cast<size_t>(dm.dmSize) + dm.dmDriverExtra;
    const size_t end = std::min(stored.size(), declared);
    if (end <= start || end - start < sizeof(OEM_DMEXTRAHEADER)) return 0;
    DWORD recordSize = 0;
    memcpy(&recordSize, stored.data() + start, sizeof(recordSize));
    if (recordSize < sizeof(OEM_DMEXTRAHEADER) || recordSize > end - start) return 0;
    return recordSize;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

CoreDriver::CoreDriver(CoreDriverOptions options) : options_(std::move(options)) {
    driverUi_ = std::make_unique<DriverUiObject>(this);
    uiObject_.obj.cbSize = sizeof(OEMUIOBJ);
    uiObject_.obj.pOemUIProcs = &g_procs;
    uiObject_.owner = this;
    printerName_ = options_.printerName;
}

CoreDriver::~CoreDriver() { Shutdown(); }

IPrintOemDriverUI* CoreDriver::DriverUi() { return driverUi_.get(); }
LONG CoreDriver::DriverUiReferences() const { return driverUi_->References(); }

void CoreDriver::Record(const char* method, DWORD mode, HRESULT hr) {
    calls_.push_back({method, mode, hr});
}

std::vector<std::string> CoreDriver::CallNames() const {
    std::vector<std::string> names;
    for (const PluginCall& c : calls_) {
        const bool hasMode = c.method == "GetInfo" || c.method == "DevMode" ||
                             c.method == "CommonUIProp" || c.method == "DocumentPropertySheets" ||
                             c.method == "DevicePropertySheets";
        names.push_back(hasMode ? c.method + "(" + std::to_string(c.mode) + ")" : c.method);
    }
    return names;
}

bool CoreDriver::Start() {
    if (plugin_ != nullptr) return true;
    if (!printerName_.empty()) {
        if (!OpenPrinterW(printerName_.data(), &printer_, nullptr)) {
            printer_ = nullptr;
            error_ = L"cannot open printer " + printerName_;
            return false;
        }
    }
    std::wstring ppdPath = options_.ppdPath;
    if (ppdPath.empty() && printer_ != nullptr) {
        DWORD needed = 0;
        GetPrinterDriverW(printer_, nullptr, 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed);
        if (needed != 0 &&
            GetPrinterDriverW(printer_, nullptr, 2, buffer.data(), needed, &needed)) {
            const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
            if (info->pDataFile != nullptr) ppdPath = info->pDataFile;
        }
    }
    if (!ppdPath.empty() && !LoadPpdFile(ppdPath, ppd_)) {
        error_ = L"cannot read the PPD " + ppdPath;  // the trees then hold public items only
    }
    InitialState();
    ApplyPrinterFeatureKeywords();

    PFN_DllGetClassObject getClassObject = options_.getClassObject;
    canUnloadNow_ = options_.canUnloadNow;
    if (getClassObject == nullptr) {
        module_ =
            LoadLibraryExW(options_.pluginPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (module_ == nullptr) {
            error_ = L"cannot load " + options_.pluginPath;
            return false;
        }
        getClassObject = reinterpret_cast<PFN_DllGetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<PFN_DllCanUnloadNow>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        if (getClassObject == nullptr || canUnloadNow_ == nullptr) {
            error_ = L"the plug-in lacks DllGetClassObject or DllCanUnloadNow";
            return false;
        }
    }

    IClassFactory* factory = nullptr;
    HRESULT hr =
        getClassObject(CLSID_OemUiPlugin, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    Record("DllGetClassObject", 0, hr);
    if (FAILED(hr) || factory == nullptr) {
        error_ = L"DllGetClassObject failed";
        return false;
    }
    hr = factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&plugin_));
    Record("CreateInstance", 0, hr);
    factory->Release();
    if (FAILED(hr) || plugin_ == nullptr) {
        plugin_ = nullptr;
        error_ = L"CreateInstance(IPrintOemUI2) failed";
        return false;
    }

    Record("PublishDriverInterface", 0, plugin_->PublishDriverInterface(driverUi_.get()));
    DWORD needed = 0;
    Record("GetInfo", OEMGI_GETSIGNATURE,
           plugin_->GetInfo(OEMGI_GETSIGNATURE, &signature_, sizeof(signature_), &needed));
    Record("GetInfo", OEMGI_GETVERSION,
           plugin_->GetInfo(OEMGI_GETVERSION, &version_, sizeof(version_), &needed));

    OEMDMPARAM dm{};
    dm.cbSize = sizeof(dm);
    dm.pdriverobj = UiObject();
    dm.hPrinter = printer_;
    dm.hModule = module_;
    hr = plugin_->DevMode(OEMDM_SIZE, &dm);
    Record("DevMode", OEMDM_SIZE, hr);
    oemSize_ = SUCCEEDED(hr) && dm.cbBufSize <= kMaxPluginRecord ? dm.cbBufSize : 0;

    devmode_.assign(sizeof(DEVMODEW) + kDriverPrivateSize + oemSize_, 0);
    ApplyStoredDevmode();
    SyncDevmode();
    if (oemSize_ != 0) {
        dm.pPublicDMIn = Devmode();
        dm.pPublicDMOut = Devmode();
        dm.pOEMDMIn = nullptr;
        dm.pOEMDMOut = PluginRecord();
        dm.cbBufSize = oemSize_;
        Record("DevMode", OEMDM_DEFAULT, plugin_->DevMode(OEMDM_DEFAULT, &dm));

        // A stored DEVMODE of ours carries the plug-in's record after the private area.
        // Like the core driver, the plug-in is handed only a record that lies wholly inside
        // the bytes the stored DEVMODE holds and declares (dmSize + dmDriverExtra).
        const std::vector<BYTE>& stored = options_.storedDevmode;
        const size_t storedStart = sizeof(DEVMODEW) + kDriverPrivateSize;
        const size_t recordBytes = StoredPluginRecordBytes(stored, storedStart);
        if (recordBytes != 0) {
            std::vector<BYTE> input(
                stored.begin() + static_cast<std::ptrdiff_t>(storedStart),
                stored.begin() + static_cast<std::ptrdiff_t>(storedStart + recordBytes));
            dm.pOEMDMIn = input.data();
            dm.pOEMDMOut = PluginRecord();
            dm.cbBufSize = oemSize_;
            Record("DevMode", OEMDM_MERGE, plugin_->DevMode(OEMDM_MERGE, &dm));
        }
    }
    return true;
}

void CoreDriver::InitialState() {
    state_ = CoreState();
    state_.featureSel.resize(ppd_.features.size());
    for (size_t f = 0; f < ppd_.features.size(); ++f) {
        state_.featureSel[f] = ppd_.features[f].defaultOption;
    }
    state_.color = ppd_.colorDevice ? 1 : 0;
}

// The printer's sticky feature settings ("FeatureKeyword": keyword NUL option NUL [LF] ...,
// ended by an empty keyword) override the PPD defaults of those features.
void CoreDriver::ApplyPrinterFeatureKeywords() {
    if (printer_ == nullptr) return;
    BYTE buffer[1024] = {};
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer_, const_cast<wchar_t*>(L"FeatureKeyword"), &type, buffer,
                        sizeof(buffer) - 2, &needed) != ERROR_SUCCESS) {
        return;
    }
    const size_t length = std::min<size_t>(needed, sizeof(buffer) - 2);
    size_t i = 0;
    auto readString = [&]() {
        std::string s;
        while (i < length && buffer[i] == '\n') ++i;
        while (i < length && buffer[i] != 0) s.push_back(static_cast<char>(buffer[i++]));
        ++i;  // the NUL
        return s;
    };
    while (i < length) {
        const std::string keyword = readString();
        if (keyword.empty()) break;
        const std::string option = readString();
        SetFeature(keyword, option);
    }
}

void CoreDriver::ApplyStoredDevmode() {
    const std::vector<BYTE>& stored = options_.storedDevmode;
    if (stored.size() < sizeof(DEVMODEW) + kDriverPrivateSize) return;
    const BYTE* priv = stored.data() + sizeof(DEVMODEW);
    DWORD signature = 0;
    memcpy(&signature, priv + kPrivSignature, sizeof(signature));
    if (signature != kPrivateSignature) return;
    auto within = [](LONG v, LONG low, LONG high, LONG fallback) {
        return v >= low && v <= high ? v : fallback;
    };
    WORD copies = 0;
    WORD scale = 0;
    memcpy(&copies, priv + kPrivCopies, sizeof(copies));
    memcpy(&scale, priv + kPrivScale, sizeof(scale));
    state_.orientation = within(priv[kPrivOrientation], 0, 2, state_.orientation);
    state_.color = ppd_.colorDevice ? within(priv[kPrivColor], 0, 1, state_.color) : 0;
    state_.nup = within(priv[kPrivNup], 0, static_cast<LONG>(std::size(kNupValues)) - 1, 0);
    state_.mirror = within(priv[kPrivMirror], 0, 1, state_.mirror);
    state_.negative = within(priv[kPrivNegative], 0, 1, state_.negative);
    state_.collate = priv[kPrivCollate] != 0;
    state_.copies = within(copies, kCopiesLow, kCopiesHigh, state_.copies);
    state_.scale = within(scale, kScaleLow, kScaleHigh, state_.scale);
    state_.outputOption = within(priv[kPrivOutputOption], 0, kOutputArchive, state_.outputOption);
    WORD count = 0;
    memcpy(&count, priv + kPrivFeatureCount, sizeof(count));
    // Feature selections are only meaningful for the same PPD.
    if (count == ppd_.features.size()) {
        for (size_t f = 0; f < count && kPrivFeatures + f < kDriverPrivateSize; ++f) {
            const int sel = priv[kPrivFeatures + f];
            if (sel < static_cast<int>(ppd_.features[f].options.size())) {
                state_.featureSel[f] = sel;
            }
        }
    }
    BYTE* out = devmode_.data() + sizeof(DEVMODEW);
    out[kPrivPaperClass] = priv[kPrivPaperClass];
}

void CoreDriver::SyncDevmode() {
    if (devmode_.size() < sizeof(DEVMODEW) + kDriverPrivateSize) return;
    DEVMODEW& dm = *Devmode();
    StringCchCopyNW(dm.dmDeviceName, CCHDEVICENAME, printerName_.c_str(), CCHDEVICENAME - 1);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverVersion = 0x0100;
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmDriverExtra = static_cast<WORD>(kDriverPrivateSize + oemSize_);
    dm.dmFields = DM_ORIENTATION | DM_COPIES | DM_COLLATE | DM_SCALE | DM_COLOR;
    dm.dmOrientation = state_.orientation == 0 ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    dm.dmCopies = static_cast<short>(std::min<LONG>(state_.copies, 32767));
    dm.dmCollate = state_.collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    dm.dmScale = static_cast<short>(state_.scale);
    dm.dmColor = ppd_.colorDevice && state_.color != 0 ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;

    const std::string page = FeatureOption("PageSize");
    if (!page.empty()) {
        dm.dmFields |= DM_PAPERSIZE | DM_FORMNAME;
        dm.dmPaperSize = DMPAPER_USER;
        for (const PaperCode& p : kPaperCodes) {
            if (page == p.keyword) dm.dmPaperSize = p.code;
        }
        const PpdFeature* feature = ppd_.Feature("PageSize");
        const int f = ppd_.FindFeature("PageSize");
        const std::wstring name = WidenPpd(
            feature->options[static_cast<size_t>(state_.featureSel[static_cast<size_t>(f)])]
                .translation);
        StringCchCopyNW(dm.dmFormName, CCHFORMNAME, name.c_str(), CCHFORMNAME - 1);
        if (const PpdPaperDimension* d = ppd_.PaperDimension(page)) {
            dm.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
            dm.dmPaperWidth = static_cast<short>(d->width * 254.0 / 72.0 + 0.5);
            dm.dmPaperLength = static_cast<short>(d->height * 254.0 / 72.0 + 0.5);
        }
    }
    const std::string duplex = FeatureOption("Duplex");
    if (!duplex.empty()) {
        dm.dmFields |= DM_DUPLEX;
        dm.dmDuplex = DMDUP_SIMPLEX;
        for (const DuplexCode& d : kDuplexCodes) {
            if (duplex == d.keyword) dm.dmDuplex = d.code;
        }
    }
    const std::string resolution = FeatureOption("Resolution");
    if (!resolution.empty()) {
        dm.dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
        dm.dmPrintQuality = static_cast<short>(std::atoi(resolution.c_str()));
        dm.dmYResolution = dm.dmPrintQuality;
    }
    const int slot = ppd_.FindFeature("InputSlot");
    if (slot >= 0) {
        dm.dmFields |= DM_DEFAULTSOURCE;
        dm.dmDefaultSource =
            static_cast<short>(DMBIN_USER + state_.featureSel[static_cast<size_t>(slot)]);
    }
    const int media = ppd_.FindFeature("MediaType");
    if (media >= 0) {
        dm.dmFields |= DM_MEDIATYPE;
        dm.dmMediaType =
            static_cast<DWORD>(DMMEDIA_USER + state_.featureSel[static_cast<size_t>(media)]);
    }

    BYTE* priv = devmode_.data() + sizeof(DEVMODEW);
    memcpy(priv + kPrivSignature, &kPrivateSignature, sizeof(kPrivateSignature));
    const WORD count = static_cast<WORD>(ppd_.features.size());
    memcpy(priv + kPrivFeatureCount, &count, sizeof(count));
    priv[kPrivOrientation] = static_cast<BYTE>(state_.orientation);
    priv[kPrivColor] = static_cast<BYTE>(state_.color);
    priv[kPrivNup] = static_cast<BYTE>(state_.nup);
    priv[kPrivMirror] = static_cast<BYTE>(state_.mirror);
    priv[kPrivNegative] = static_cast<BYTE>(state_.negative);
    priv[kPrivCollate] = state_.collate ? 1 : 0;
    const WORD copies = static_cast<WORD>(state_.copies);
    const WORD scale = static_cast<WORD>(state_.scale);
    memcpy(priv + kPrivCopies, &copies, sizeof(copies));
    memcpy(priv + kPrivScale, &scale, sizeof(scale));
    priv[kPrivOutputOption] = static_cast<BYTE>(state_.outputOption);
    for (size_t f = 0; f < count && kPrivFeatures + f < kDriverPrivateSize; ++f) {
        priv[kPrivFeatures + f] = static_cast<BYTE>(state_.featureSel[f]);
    }
}

BYTE* CoreDriver::PluginRecord() {
    if (oemSize_ == 0 || devmode_.empty()) return nullptr;
    return devmode_.data() + sizeof(DEVMODEW) + kDriverPrivateSize;
}

void CoreDriver::SetPaperClass(BYTE value) {
    if (devmode_.size() > kPaperClassOffset) devmode_[kPaperClassOffset] = value;
}

bool CoreDriver::SetFeature(const std::string& feature, const std::string& option) {
    const int f = ppd_.FindFeature(feature);
    if (f < 0) return false;
    const int o = ppd_.features[static_cast<size_t>(f)].FindOption(option);
    if (o < 0) return false;
    state_.featureSel[static_cast<size_t>(f)] = o;
    SyncDevmode();
    if (sheet_ != nullptr) {
        // Keep the open tree in step with the setting.
        for (DWORD i = 0; i < sheet_->tree.Count(); ++i) {
            const ItemInfo& info = sheet_->tree.Info(i);
            if (info.binding == Binding::Feature && info.feature == f) {
                sheet_->tree.Item(i).Sel = o;
            }
        }
    }
    return true;
}

std::string CoreDriver::FeatureOption(const std::string& feature) const {
    const int f = ppd_.FindFeature(feature);
    if (f < 0) return {};
    const PpdFeature& ppdFeature = ppd_.features[static_cast<size_t>(f)];
    const int sel = state_.featureSel[static_cast<size_t>(f)];
    if (sel < 0 || static_cast<size_t>(sel) >= ppdFeature.options.size()) return {};
    return ppdFeature.options[static_cast<size_t>(sel)].keyword;
}

// ---------------------------------------------------------------------------------------------
// The plug-in's calls

BOOL CoreDriver::GetDriverSetting(PCSTR feature, PVOID output, DWORD size, PDWORD needed,
                                  PDWORD returned) {
    SettingQuery query;
    query.feature = feature != nullptr ? feature : "";
    query.bufferSize = size;
    auto finish = [&](bool ok, DWORD error) {
        query.succeeded = ok;
        query.error = error;
        queries_.push_back(query);
        if (!ok) SetLastError(error);
        return ok ? TRUE : FALSE;
    };
    if (feature == nullptr || needed == nullptr) return finish(false, ERROR_INVALID_PARAMETER);
    if (ppd_.FindFeature(feature) < 0) return finish(false, ERROR_INVALID_PARAMETER);
    const std::string option = FeatureOption(feature);
    const DWORD bytes = static_cast<DWORD>(option.size() + 1);
    *needed = bytes;
    if (output == nullptr || size < bytes) return finish(false, ERROR_INSUFFICIENT_BUFFER);
    memcpy(output, option.c_str(), bytes);
    if (returned != nullptr) *returned = 1;
    return finish(true, ERROR_SUCCESS);
}

bool CoreDriver::Conflicts(int feature, int option) const {
    const PpdFeature& changed = ppd_.features[static_cast<size_t>(feature)];
    const std::string& optionKeyword = changed.options[static_cast<size_t>(option)].keyword;
    for (const PpdConstraint& c : ppd_.constraints) {
        // The pair (feature1 = option1, feature2 = option2) may not hold after the change,
        // whichever of the two features changes.
        for (int side = 0; side < 2; ++side) {
            const std::string& mine = side == 0 ? c.feature1 : c.feature2;
            const std::string& mineOption = side == 0 ? c.option1 : c.option2;
            const std::string& other = side == 0 ? c.feature2 : c.feature1;
            const std::string& otherOption = side == 0 ? c.option2 : c.option1;
            if (mine != changed.keyword || !ConstraintMatches(mineOption, optionKeyword)) {
                continue;
            }
            if (other == changed.keyword) continue;
            if (ConstraintMatches(otherOption, FeatureOption(other))) return true;
        }
    }
    return false;
}

bool CoreDriver::ApplyItem(DWORD index, const OPTITEM& item) {
    OptionTree& tree = sheet_->tree;
    LONG low = 0;
    LONG high = 0;
    const ItemInfo& info = tree.Info(index);
    if (info.binding == Binding::Header || !tree.SelRange(index, low, high)) return false;
    if (item.Sel < low || item.Sel > high) return false;
    switch (info.binding) {
        case Binding::Feature:
            if (info.feature < 0 || Conflicts(info.feature, item.Sel)) return false;
            state_.featureSel[static_cast<size_t>(info.feature)] = item.Sel;
            break;
        case Binding::Orientation:
            state_.orientation = item.Sel;
            break;
        case Binding::Copies:
            state_.copies = item.Sel;
            if (item.pExtChkBox != nullptr) state_.collate = (item.Flags & OPTIF_ECB_CHECKED) != 0;
            break;
        case Binding::Scale:
            state_.scale = item.Sel;
            break;
        case Binding::Color:
            state_.color = item.Sel;
            break;
        case Binding::Nup:
            state_.nup = item.Sel;
            break;
        case Binding::OutputOption:
            state_.outputOption = item.Sel;
            break;
        case Binding::CoreValue:
            switch (info.stringId) {
                case kStrMirror:
                    state_.mirror = item.Sel;
                    break;
                case kStrNegative:
                    state_.negative = item.Sel;
                    break;
                case kStrPrinterMemory:
                    state_.printerMemory = item.Sel;
                    break;
                case kStrOutputProtocol:
                    state_.outputProtocol = item.Sel;
                    break;
                case kStrSendCtrlD:
                    state_.sendCtrlD = item.Sel;
                    break;
                case kStrJobTimeout:
                    state_.jobTimeout = item.Sel;
                    break;
                case kStrWaitTimeout:
                    state_.waitTimeout = item.Sel;
                    break;
                default:
                    return false;
            }
            break;
        case Binding::Header:
            return false;
    }
    SyncDevmode();
    return true;
}

BOOL CoreDriver::UpdateUISetting(PVOID optItem, DWORD previousSelection, DWORD mode) {
    UpdateRecord record;
    record.previousSel = previousSelection;
    record.mode = mode;
    const int index = sheet_ != nullptr ? sheet_->tree.IndexOf(optItem) : -1;
    record.itemIndex = index;
    bool accepted = false;
    if (index >= 0) {
        const OPTITEM& item = sheet_->tree.Item(static_cast<DWORD>(index));
        const auto* user = reinterpret_cast<const USERDATA*>(item.UserData);
        record.keyword = user != nullptr && user->pKeyWordName != nullptr ? user->pKeyWordName : "";
        record.dmPubId = item.DMPubID;
        record.stringId = sheet_->tree.Info(static_cast<DWORD>(index)).stringId;
        record.newSel = item.Sel;
        const DWORD sheetMode =
            sheet_->kind == SheetKind::Document ? OEMCUIP_DOCPROP : OEMCUIP_PRNPROP;
        accepted = mode == sheetMode && ApplyItem(static_cast<DWORD>(index), item);
    }
    record.accepted = accepted;
    updates_.push_back(record);
    if (!accepted) SetLastError(ERROR_INVALID_PARAMETER);
    return accepted ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------------------------
// Sheets

namespace {
std::vector<CoreDriver::Sheet*>& LiveSheets() {
    static std::vector<CoreDriver::Sheet*> sheets;
    return sheets;
}
}  // namespace

CoreDriver::Sheet::Sheet() { LiveSheets().push_back(this); }

CoreDriver::Sheet::~Sheet() {
    auto& live = LiveSheets();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (window != nullptr) DestroyWindow(window);
}

CoreDriver::Sheet* CoreDriver::Sheet::FromHandle(HANDLE handle) {
    for (Sheet* s : LiveSheets()) {
        if (static_cast<HANDLE>(s) == handle) return s;
    }
    return nullptr;
}

LONG_PTR CALLBACK CoreDriver::Sheet::ComPropSheet(HANDLE hComPropSheet, UINT function,
                                                  LPARAM lParam1, LPARAM lParam2) {
    Sheet* sheet = FromHandle(hComPropSheet);
    if (sheet == nullptr) return 0;
    sheet->functions.push_back(function);
    if (function == CPSFUNC_ADD_PROPSHEETPAGEW) {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam1);
        if (page == nullptr || page->dwSize < PROPSHEETPAGEW_V1_SIZE || page->dwSize > 4096) {
            return 0;
        }
        CollectedPage collected;
        collected.bytes.assign(reinterpret_cast<const BYTE*>(page),
                               reinterpret_cast<const BYTE*>(page) + page->dwSize);
        if (collected.bytes.size() < sizeof(PROPSHEETPAGEW)) {
            collected.bytes.resize(sizeof(PROPSHEETPAGEW), 0);
        }
        collected.handle = 0x7000 + static_cast<LONG_PTR>(sheet->pages.size());
        sheet->pages.push_back(std::move(collected));
        return sheet->pages.back().handle;
    }
    if (function == CPSFUNC_SET_RESULT) {
        sheet->results.push_back({lParam1, lParam2});
        return 1;
    }
    return 0;
}

HRESULT CoreDriver::CallPropertySheets(WORD reason, LPARAM lParam) {
    Sheet& s = *sheet_;
    s.info.Reason = reason;
    const bool document = s.kind == SheetKind::Document;
    const HRESULT hr = document ? plugin_->DocumentPropertySheets(&s.info, lParam)
                                : plugin_->DevicePropertySheets(&s.info, lParam);
    Record(document ? "DocumentPropertySheets" : "DevicePropertySheets", reason, hr);
    return hr;
}

bool CoreDriver::OpenSheet(SheetKind kind) {
    if (plugin_ == nullptr) return false;
    if (sheet_ != nullptr) CloseSheet();
    sheet_ = std::make_unique<Sheet>();
    Sheet& s = *sheet_;
    s.owner = this;
    s.kind = kind;
    s.heap = HeapCreate(0, 0, 0);
    if (s.heap != nullptr) heaps_.push_back(s.heap);
    if (kind == SheetKind::Document) {
        BuildDocumentTree(s.tree, ppd_, state_);
    } else {
        BuildPrinterTree(s.tree, ppd_, state_);
    }
    const DWORD mode = kind == SheetKind::Document ? OEMCUIP_DOCPROP : OEMCUIP_PRNPROP;

    OEMCUIPPARAM& p = s.param;
    p.cbSize = sizeof(OEMCUIPPARAM);
    p.poemuiobj = UiObject();
    p.hPrinter = printer_;
    p.pPrinterName = printerName_.data();
    p.hModule = module_;
    p.hOEMHeap = s.heap;
    p.pPublicDM = Devmode();
    p.pOEMDM = PluginRecord();
    p.dwFlags = options_.sheetFlags;
    p.pDrvOptItems = s.tree.Items();
    p.cDrvOptItems = s.tree.Count();
    p.pOEMOptItems = nullptr;
    p.cOEMOptItems = 0;
    s.firstCommonUIProp = plugin_->CommonUIProp(mode, &p);
    Record("CommonUIProp", mode, s.firstCommonUIProp);

    // The second call always comes, with a (possibly empty) array of the asked size.
    const DWORD count = std::min<DWORD>(p.cOEMOptItems, 256);
    s.oemItems.assign(std::max<DWORD>(count, 1), OPTITEM{});
    for (OPTITEM& item : s.oemItems) item.cbSize = sizeof(OPTITEM);
    p.pOEMOptItems = s.oemItems.data();
    p.cOEMOptItems = count;
    s.secondCommonUIProp = plugin_->CommonUIProp(mode, &p);
    Record("CommonUIProp", mode, s.secondCommonUIProp);

    OEMUIPSPARAM& sp = s.sheetParam;
    sp.cbSize = sizeof(OEMUIPSPARAM);
    sp.poemuiobj = UiObject();
    sp.hPrinter = printer_;
    sp.pPrinterName = printerName_.data();
    sp.hModule = module_;
    sp.hOEMHeap = s.heap;
    sp.pPublicDM = Devmode();
    sp.pOEMDM = PluginRecord();
    sp.pOEMUserData = p.pOEMUserData;
    sp.dwFlags = options_.sheetFlags;

    s.info.cbSize = sizeof(PROPSHEETUI_INFO);
    s.info.Version = PROPSHEETUI_INFO_VERSION;
    s.info.hComPropSheet = static_cast<HANDLE>(&s);
    s.info.pfnComPropSheet = &Sheet::ComPropSheet;
    s.info.lParamInit = reinterpret_cast<LPARAM>(&sp);
    s.initResult = CallPropertySheets(PROPSHEETUI_REASON_INIT, 0);
    s.initInfoResult = s.info.Result;
    if (kind == SheetKind::Printer) {
        s.header.cbSize = sizeof(PROPSHEETUI_INFO_HEADER);
        CallPropertySheets(PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&s.header));
        if (s.header.pTitle != nullptr) s.headerTitle = s.header.pTitle;
    }
    return true;
}

void CoreDriver::CloseSheet(LONG result) {
    if (sheet_ == nullptr) return;
    Sheet& s = *sheet_;
    if (s.window != nullptr) {
        DestroyWindow(s.window);
        s.window = nullptr;
    }
    SETRESULT_INFO sr{};
    sr.cbSize = sizeof(sr);
    sr.hSetResult = static_cast<HANDLE>(&s);
    sr.Result = result;
    CallPropertySheets(PROPSHEETUI_REASON_SET_RESULT, reinterpret_cast<LPARAM>(&sr));
    CallPropertySheets(PROPSHEETUI_REASON_DESTROY, result == CPSUI_OK ? 1 : 0);
    // The sheet's records stay readable; its heap lives until the plug-in is released.
    closedSheets_.push_back(std::move(sheet_));
}

namespace {
CoreDriver::Sheet& EmptySheet() {
    static CoreDriver::Sheet empty;
    return empty;
}
}  // namespace

#define HOST_CURRENT_SHEET() \
    (sheet_ != nullptr ? *sheet_ : !closedSheets_.empty() ? *closedSheets_.back() : EmptySheet())

SheetKind CoreDriver::Kind() const { return HOST_CURRENT_SHEET().kind; }
OptionTree& CoreDriver::Tree() { return HOST_CURRENT_SHEET().tree; }
OEMCUIPPARAM& CoreDriver::TreeParam() { return HOST_CURRENT_SHEET().param; }
OEMUIPSPARAM& CoreDriver::SheetParam() { return HOST_CURRENT_SHEET().sheetParam; }
POPTITEM CoreDriver::OemItems() {
    Sheet& s = HOST_CURRENT_SHEET();
    return s.oemItems.empty() ? nullptr : s.oemItems.data();
}
DWORD CoreDriver::OemItemCount() { return HOST_CURRENT_SHEET().param.cOEMOptItems; }
HANDLE CoreDriver::Heap() { return HOST_CURRENT_SHEET().heap; }
HRESULT CoreDriver::FirstCommonUIProp() const { return HOST_CURRENT_SHEET().firstCommonUIProp; }
HRESULT CoreDriver::SecondCommonUIProp() const { return HOST_CURRENT_SHEET().secondCommonUIProp; }
HRESULT CoreDriver::InitResult() const { return HOST_CURRENT_SHEET().initResult; }
ULONG_PTR CoreDriver::InitInfoResult() const { return HOST_CURRENT_SHEET().initInfoResult; }
std::wstring CoreDriver::HeaderTitle() const { return HOST_CURRENT_SHEET().headerTitle; }
const std::vector<CollectedPage>& CoreDriver::Pages() const { return HOST_CURRENT_SHEET().pages; }
const std::vector<SetResultRecord>& CoreDriver::Results() const {
    return HOST_CURRENT_SHEET().results;
}
const std::vector<UINT>& CoreDriver::ComPropSheetFunctions() const {
    return HOST_CURRENT_SHEET().functions;
}
const std::vector<CallbackRecord>& CoreDriver::Callbacks() const {
    return HOST_CURRENT_SHEET().callbacks;
}
HWND CoreDriver::SheetWindow() const { return HOST_CURRENT_SHEET().window; }
INT_PTR CoreDriver::SheetReturn() const { return HOST_CURRENT_SHEET().windowResult; }

#undef HOST_CURRENT_SHEET

LONG CoreDriver::CallTreeCallback(WORD reason, POPTITEM current, HWND dialog) {
    if (sheet_ == nullptr || sheet_->param.OEMCUIPCallback == nullptr) return 0;
    Sheet& s = *sheet_;
    if (s.inCallback) return 0;  // no re-entry from the plug-in's own updates
    CPSUICBPARAM cb{};
    cb.cbSize = sizeof(cb);
    cb.Reason = reason;
    cb.hDlg = dialog;
    cb.pOptItem = s.tree.Items();
    cb.cOptItem = static_cast<WORD>(s.tree.Count());
    cb.pCurItem = current != nullptr ? current : s.tree.Items();
    cb.OldSel = cb.pCurItem != nullptr ? cb.pCurItem->Sel : 0;
    cb.UserData = reinterpret_cast<ULONG_PTR>(s.param.pOEMUserData);
    s.inCallback = true;
    const LONG result = s.param.OEMCUIPCallback(&cb, &s.param);
    s.inCallback = false;
    int index = s.tree.IndexOf(cb.pCurItem);
    if (index < 0 && current != nullptr && !s.oemItems.empty() && current >= s.oemItems.data() &&
        current < s.oemItems.data() + s.oemItems.size()) {
        index = -static_cast<int>(current - s.oemItems.data()) - 2;  // -2 = first OEM item
    }
    s.callbacks.push_back({reason, index, result});
    return result;
}

bool CoreDriver::UserSelect(DWORD itemIndex, LONG sel) {
    if (sheet_ == nullptr || itemIndex >= sheet_->tree.Count()) return false;
    OPTITEM& item = sheet_->tree.Item(itemIndex);
    OPTITEM proposed = item;
    proposed.Sel = sel;
    if (!ApplyItem(itemIndex, proposed)) return false;
    item.Sel = sel;
    item.Flags |= OPTIF_CHANGED;
    CallTreeCallback(CPSUICB_REASON_SEL_CHANGED, &item);
    return true;
}

HRESULT CoreDriver::Shutdown() {
    if (shutDown_) return S_OK;
    shutDown_ = true;
    if (sheet_ != nullptr) CloseSheet(CPSUI_CANCEL);
    HRESULT canUnload = S_FALSE;
    if (plugin_ != nullptr) {
        Record("Release", plugin_->Release(), S_OK);
        plugin_ = nullptr;
    }
    if (canUnloadNow_ != nullptr) {
        canUnload = canUnloadNow_();
        Record("DllCanUnloadNow", 0, canUnload);
    }
    if (module_ != nullptr) {
        FreeLibrary(module_);
        module_ = nullptr;
    }
    for (HANDLE heap : heaps_) HeapDestroy(heap);
    heaps_.clear();
    if (printer_ != nullptr) {
        ClosePrinter(printer_);
        printer_ = nullptr;
    }
    return canUnload;
}

}  // namespace host
