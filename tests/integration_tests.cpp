// The plug-in's document side working with the core-driver stand-in on the sample PPDs: the
// tree the plug-in takes over, the pages it adds and the selections it pushes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "tests/support/coresheet.h"
#include "tests/support/testprinters.h"
#include "ui/common/dialogs.h"

using namespace oemui;

namespace {

// The plug-in linked into this program is offered to the stand-in as its class-object entry so
// that the tests can look into the plug-in object's document map.
class DocumentSheet : public ::testing::Test {
protected:
    void Open(const wchar_t* printer) {
        core_ = std::make_unique<host::CoreDriver>(testenv::InProcessOptions(printer));
        ASSERT_TRUE(core_->Start()) << testenv::Narrow(core_->Error());
        ASSERT_TRUE(core_->OpenSheet(host::SheetKind::Document));
        ASSERT_EQ(core_->FirstCommonUIProp(), S_OK);
        ASSERT_EQ(core_->SecondCommonUIProp(), S_OK);
        map_ = testenv::DocumentMapOf(*core_);
        ASSERT_NE(map_, nullptr);
    }
    void TearDown() override {
        if (core_) testenv::EndCore(*core_);
    }

    const OPTITEM& ItemOf(const char* keyword) {
        const int index = core_->Tree().FindKeyword(keyword);
        EXPECT_GE(index, 0) << keyword;
        return core_->Tree().Item(static_cast<DWORD>(index < 0 ? 0 : index));
    }
    DWORD IndexOf(const char* keyword) {
        return static_cast<DWORD>(core_->Tree().FindKeyword(keyword));
    }
    std::vector<std::string> PushedKeywords() {
        std::vector<std::string> keywords;
        for (const host::UpdateRecord& update : core_->Updates()) {
            if (!update.keyword.empty()) {
                keywords.push_back(update.keyword);
            } else if (update.dmPubId != DMPUB_NONE) {
                keywords.push_back("#pub" + std::to_string(update.dmPubId));
            } else {
                keywords.push_back("#item" + std::to_string(update.itemIndex));
            }
        }
        return keywords;
    }
    // Position of the first update of a keyword in the recorded order, or -1.
    int PushPosition(const std::vector<std::string>& pushed, const std::string& keyword) {
        for (size_t i = 0; i < pushed.size(); ++i) {
            if (pushed[i] == keyword) return static_cast<int>(i);
        }
        return -1;
    }

    std::unique_ptr<host::CoreDriver> core_;
    DriverItemMap* map_ = nullptr;
};

}  // namespace

TEST_F(DocumentSheet, TakesOverAndRedirectsTheCoreItems) {
    Open(testenv::kColorPrinter);
    // Features the plug-in's pages edit are hidden from the core tree.
    for (const char* keyword :
         {"VROutputMode", "VROutputModeBlack", "VRCollate", "OutputBin", "VRStaple", "VRHDDSpool",
          "VRDrumClean", "VRPunch", "VRBindPosition", "VRJob_Type", "VROverlay", "VRColorMatch",
          "VRHairLine", "VRResolution", "VRFITTOTRAY3", "VRErrorDiffusion"}) {
        EXPECT_TRUE(ItemOf(keyword).Flags & OPTIF_HIDE) << keyword;
    }
    // Help of these points at the plug-in's help file; some of them stay visible.
    const std::pair<const char*, DWORD> help[] = {{"VROutputMode", 802},  {"VRStaple", 822},
                                                  {"VRTone", 1302},       {"VRMediaType", 414},
                                                  {"VRPrintBlkTxt", 430}, {"VRPunch", 823}};
    for (auto [keyword, context] : help) {
        const OPTITEM& item = ItemOf(keyword);
        EXPECT_EQ(item.HelpIndex, context) << keyword;
        ASSERT_NE(item.pOIExt, nullptr) << keyword;
        EXPECT_TRUE(item.Flags & OPTIF_HAS_POIEXT) << keyword;
        EXPECT_EQ(item.pOIExt->cbSize, sizeof(OIEXT));
        EXPECT_EQ(item.pOIExt->pHelpFile, map_->HelpPath);
    }
    for (const char* visible : {"VRTone", "VRMediaType", "VRPrintBlkTxt", "VRManualFeed"}) {
        EXPECT_FALSE(ItemOf(visible).Flags & OPTIF_HIDE) << visible;
    }
    EXPECT_EQ(ItemOf("VRStaple").UserItemID, 200);
    const int output = core_->Tree().FindItemId(25);
    ASSERT_GE(output, 0);
    EXPECT_EQ(core_->Tree().Item(output).UserItemID, static_cast<BYTE>(output & 0xFF));
    EXPECT_EQ(map_->ItemIndex[kEntryPsOutputOption], static_cast<DWORD>(output));
    for (WORD stringId : {423, 424}) {
        const int index = core_->Tree().FindStringId(stringId);
        ASSERT_GE(index, 0);
        EXPECT_TRUE(core_->Tree().Item(index).Flags & OPTIF_HIDE) << stringId;
    }
    // Public items: scale and copies hidden, orientation and paper size left alone.
    EXPECT_TRUE(core_->Tree().Item(core_->Tree().FindPubId(DMPUB_SCALE)).Flags & OPTIF_HIDE);
    EXPECT_TRUE(core_->Tree().Item(core_->Tree().FindPubId(DMPUB_COPIES_COLLATE)).Flags &
                OPTIF_HIDE);
    EXPECT_FALSE(core_->Tree().Item(core_->Tree().FindPubId(DMPUB_ORIENTATION)).Flags & OPTIF_HIDE);
    EXPECT_FALSE(core_->Tree().Item(core_->Tree().FindPubId(DMPUB_FORMNAME)).Flags & OPTIF_HIDE);

    // Entries bound to their items with the items' selections; the resolution entry takes the
    // later of the print-quality item and the VRResolution feature.
    EXPECT_EQ(map_->ItemIndex[kEntryOutputMode], IndexOf("VROutputMode"));
    EXPECT_EQ(map_->WantedValue[kEntryOutputMode], static_cast<DWORD>(ItemOf("VROutputMode").Sel));
    EXPECT_EQ(map_->ItemIndex[kEntryHairLine], IndexOf("VRHairLine"));
    const int quality = core_->Tree().FindPubId(DMPUB_PRINTQUALITY);
    ASSERT_GE(quality, 0);
    ASSERT_LT(quality, core_->Tree().FindKeyword("VRResolution"));
    EXPECT_EQ(map_->ItemIndex[kEntryResolution], IndexOf("VRResolution"));
    EXPECT_EQ(map_->ItemIndex[kEntryColor],
              static_cast<DWORD>(core_->Tree().FindPubId(DMPUB_COLOR)));
    EXPECT_EQ(std::wstring(map_->IniPath), testenv::DriverDirectory3() + L"\\vroemui.ini");
    EXPECT_EQ(std::wstring(map_->CapabilityPath), testenv::DriverDirectory3() + L"\\vrlab.cap");
    EXPECT_EQ(std::wstring(map_->HelpPath), testenv::DriverDirectory3() + L"\\vrlab.hlp");
}

TEST_F(DocumentSheet, ColourModelGetsBothPagesAndMonoOnlyJobOptions) {
    Open(testenv::kColorPrinter);
    ASSERT_GE(core_->Pages().size(), 2u);
    EXPECT_EQ(core_->Pages()[0].Page().pszTemplate, MAKEINTRESOURCEW(113));
    EXPECT_EQ(core_->Pages()[1].Page().pszTemplate, MAKEINTRESOURCEW(111));
    for (size_t i = 2; i < core_->Pages().size(); ++i) {
        EXPECT_EQ(core_->Pages()[i].Page().pszTemplate, MAKEINTRESOURCEW(800)) << "link page";
    }
    EXPECT_EQ(core_->InitInfoResult(), 1u);
    core_->CloseSheet();
    EXPECT_EQ(core_->Shutdown(), S_OK);

    Open(testenv::kMonoPrinter);
    ASSERT_EQ(core_->Tree().FindPubId(DMPUB_COLOR), -1);
    EXPECT_EQ(map_->ItemIndex[kEntryColor], kNoItem);
    ASSERT_GE(core_->Pages().size(), 1u);
    EXPECT_EQ(core_->Pages()[0].Page().pszTemplate, MAKEINTRESOURCEW(113));
    for (size_t i = 1; i < core_->Pages().size(); ++i) {
        EXPECT_NE(core_->Pages()[i].Page().pszTemplate, MAKEINTRESOURCEW(111));
    }
}

TEST_F(DocumentSheet, PushOrderFollowsTheWantedValues) {
    Open(testenv::kColorPrinter);
    // Toner save on: resolution and special colour control go before the output modes.
    map_->WantedValue[kEntryOutputMode] = 1;
    map_->WantedValue[kEntryCollate] = 1;
    map_->WantedValue[kEntryStaple] = 0;
    map_->WantedValue[kEntryPunch] = 0;
    core_->ClearUpdates();
    PushDocumentSettings(*map_);
    std::vector<std::string> pushed = PushedKeywords();
    EXPECT_LT(PushPosition(pushed, "VRResolution"), PushPosition(pushed, "VROutputMode"));
    EXPECT_LT(PushPosition(pushed, "VROutputMode"), PushPosition(pushed, "VROutputModeBlack"));
    EXPECT_LT(PushPosition(pushed, "VRCollate"), PushPosition(pushed, "VRRotateSort"));
    EXPECT_LT(PushPosition(pushed, "VRStaple"), PushPosition(pushed, "VRPunch"));
    EXPECT_LT(PushPosition(pushed, "VRPunch"), PushPosition(pushed, "OutputBin"));
    EXPECT_EQ(pushed.front(), "VRControl");
    EXPECT_EQ(pushed.back(), "VROverlay");

    // Toner save off, collate off, staple wanted: the other orders.
    map_->WantedValue[kEntryOutputMode] = 0;
    map_->WantedValue[kEntryCollate] = 0;
    map_->WantedValue[kEntryStaple] = 1;
    core_->SetFeature("VRFinisher", "True");
    core_->ClearUpdates();
    PushDocumentSettings(*map_);
    pushed = PushedKeywords();
    EXPECT_LT(PushPosition(pushed, "VROutputModeBlack"), PushPosition(pushed, "VROutputMode"));
    EXPECT_LT(PushPosition(pushed, "VROutputMode"), PushPosition(pushed, "VRResolution"));
    EXPECT_LT(PushPosition(pushed, "VRRotateSort"), PushPosition(pushed, "VRCollate"));
    EXPECT_LT(PushPosition(pushed, "OutputBin"), PushPosition(pushed, "VRStaple"));
    EXPECT_LT(PushPosition(pushed, "VRStaple"), PushPosition(pushed, "VRPunch"));
    EXPECT_EQ(core_->FeatureOption("VRStaple"), "OnePoint") << "the core took the staple";

    // The fixed part of the order, as the core driver saw it.
    const std::vector<std::string> head = {
        "VRControl",           "VRSeparationorder", "VROverPrint",         "VRProcessMode",
        "VRBlackSubstitution", "VRAlwaysPrnHT",     "VRSpecialColorSpace", "VRColorRenderStyle",
        "VRColorRenderDict",   "VRTargetColor"};
    ASSERT_GE(pushed.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(pushed.begin(), pushed.begin() + head.size()), head);
}

TEST_F(DocumentSheet, RefusedSelectionComesBackAsTheCoreHadIt) {
    Open(testenv::kColorPrinter);
    core_->SetFeature("VRFinisher", "False");  // stapling needs the finisher
    map_->WantedValue[kEntryStaple] = 2;
    core_->ClearUpdates();
    PushDocumentSettings(*map_);
    EXPECT_EQ(map_->WantedValue[kEntryStaple], 0u) << "the previous selection";
    bool refused = false;
    for (const host::UpdateRecord& update : core_->Updates()) {
        if (update.keyword == "VRStaple") refused = !update.accepted;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(core_->FeatureOption("VRStaple"), "None");
    EXPECT_TRUE(ItemOf("VRStaple").Flags & OPTIF_HIDE) << "hidden again after the call";
}

TEST_F(DocumentSheet, OverlayCreationSwitchesTheOutputOptionToEps) {
    Open(testenv::kColorPrinter);
    const int output = core_->Tree().FindItemId(25);
    ASSERT_GE(output, 0);
    for (DWORD overlay : {1u, 2u, 0u}) {
        map_->WantedValue[kEntryOverlay] = overlay;
        core_->ClearUpdates();
        PushDocumentSettings(*map_);
        const auto& updates = core_->Updates();
        ASSERT_FALSE(updates.empty());
        const bool forced = updates.back().itemIndex == output;
        EXPECT_EQ(forced, overlay == 2) << overlay;
        if (forced) {
            EXPECT_EQ(updates.back().newSel, 2);
            EXPECT_EQ(map_->WantedValue[kEntryPsOutputOption], 0u) << "nothing stored back";
            EXPECT_EQ(core_->DevmodeData()[host::CoreDriver::kOutputOptionOffset], 2);
        }
    }
}

TEST_F(DocumentSheet, ApplyCopiesLayoutSelectionsIntoTheRecord) {
    Open(testenv::kColorPrinter);
    const int nup = core_->Tree().FindPubId(DMPUB_NUP);
    const int orientation = core_->Tree().FindPubId(DMPUB_ORIENTATION);
    ASSERT_GE(nup, 0);
    ASSERT_GE(orientation, 0);
    ASSERT_TRUE(core_->UserSelect(nup, 2));
    ASSERT_TRUE(core_->UserSelect(orientation, 1));
    core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE);
    EXPECT_TRUE(SheetFlags & kSheetFlagDriverPageSeen);
    core_->CallTreeCallback(CPSUICB_REASON_APPLYNOW);
    const auto* record = reinterpret_cast<const PrivateDevmode*>(core_->PluginRecord());
    EXPECT_EQ(record->DrvItemSelA, 2);
    EXPECT_EQ(record->DrvItemSelB, 1);
}

TEST_F(DocumentSheet, PaperNamesHiddenOnlyInJapaneseLocale) {
    const std::wstring ini = testenv::DriverDirectory3() + L"\\vroemui.ini";
    ASSERT_TRUE(
        WritePrivateProfileStringW(L"Plg_Feature", L"HidePaperName", L"A5, B5,Legal", ini.c_str()));
    const LCID before = GetThreadLocale();
    auto hiddenPapers = [&] {
        std::vector<std::wstring> hidden;
        const int form = core_->Tree().FindPubId(DMPUB_FORMNAME);
        const OPTTYPE* type = core_->Tree().Item(form).pOptType;
        for (WORD i = 0; i < type->Count; ++i) {
            if (type->pOptParam[i].Flags & OPTPF_HIDE) {
                hidden.emplace_back(static_cast<const wchar_t*>(type->pOptParam[i].pData));
            }
        }
        return hidden;
    };
    SetThreadLocale(0x411);
    Open(testenv::kColorPrinter);
    // "A5" and "Legal" match; " B5" (leading space) matches nothing.
    EXPECT_EQ(hiddenPapers(), (std::vector<std::wstring>{L"A5", L"Legal"}));
    core_->CloseSheet();
    EXPECT_EQ(core_->Shutdown(), S_OK);

    SetThreadLocale(0x409);
    Open(testenv::kColorPrinter);
    EXPECT_TRUE(hiddenPapers().empty());
    SetThreadLocale(before);
    WritePrivateProfileStringW(L"Plg_Feature", L"HidePaperName", L"", ini.c_str());
}
