// The plug-in DLL's resources as the pages and dialogs use them: strings, bitmaps, icons and the
// dialog templates of the Job Options and Color pages and of the three warnings. The layout checks
// run on the created windows, with the dialog font, so clipped texts, overlapping controls,
// duplicate mnemonics and missing tab stops show as failures.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/templatereader.h"
#include "tests/support/testprinters.h"
#include "base/handles.h"
#include "ui/common/accessiblename.h"

namespace {

class ResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testenv::UseCommonControls();
        module_ = testenv::PluginModule();
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << OEMUI_DLL_PATH; }

    static std::wstring LoadText(UINT id) {
        wchar_t buffer[1024] = {};
        const int length = LoadStringW(module_, id, buffer, ARRAYSIZE(buffer));
        return std::wstring(buffer, length > 0 ? length : 0);
    }

    static HMODULE module_;
};
HMODULE ResourcesTest::module_ = nullptr;

// Every dialog template of the DLL as the resource compiler wrote it.
using testenv::DialogTemplateInfo;
using testenv::TemplateControl;

const std::vector<DialogTemplateInfo>& Templates() {
    static const std::vector<DialogTemplateInfo> templates =
        testenv::ReadDialogTemplates(testenv::PluginModule());
    return templates;
}

// ---- Strings ---------------------------------------------------------------------------------

TEST_F(ResourcesTest, EveryStringIdThePluginLoadsIsPresent) {
    std::vector<UINT> ids = {6001,  6002,  6003,  6004,  7000,  7001,  8000,  8001,
                             8010,  8011,  8012,  8035,  8040,  8050,  8051,  8052,
                             8053,  10020, 10021, 10022, 10023, 10024, 10040, 10041,
                             10050, 10054, 10060, 10061, 10062, 10063, 30000, 30010};
    for (UINT id = 8030; id <= 8034; ++id) ids.push_back(id);  // page modes
    for (UINT id = 8054; id <= 8080; ++id) ids.push_back(id);  // positions, sizes, styles
    for (UINT id = 8082; id <= 8084; ++id) ids.push_back(id);  // special-toner titles by kind
    for (UINT id : ids) EXPECT_FALSE(LoadText(id).empty()) << "string " << id;
}

TEST_F(ResourcesTest, StringsKeepQuotesLineBreaksAndPercentSigns) {
    EXPECT_EQ(LoadText(IDS_OVERLAY_CREATE_FORM),
              L"When \"Create Form\" is chosen, the \"PostScript output option\" in Advanced "
              L"Options is set automatically to \"EPS\".\nRemember to change this back to "
              L"\"Optimise for speed\" if you decide to cancel Overlay printing.");
    EXPECT_EQ(LoadText(IDS_OVERLAY_NO_FORMS),
              L"Please enter the name of the PostScript Form you'd like to use in \"Form Name\" "
              L"and click Add.\nThis must be exactly the same name as the form stored in the "
              L"printer.");
    EXPECT_EQ(LoadText(IDS_FORM_NAME_TRAILING_DOT), L"Don't use the \".\" letter at the end.");
    EXPECT_EQ(LoadText(IDS_WATERMARK_LIMIT),
              L"A maximum number of 16 watermarks can be saved. \nPlease delete or edit one of "
              L"your existing watermarks\nbefore creating a new one");
    EXPECT_EQ(LoadText(IDS_COPIES_SET_TO_ONE),
              L"If using Secure Print or Proof & Print, the number of copies will be set to one "
              L"in the printer driver.\nIf you wish to print multiple copies, you can do so from "
              L"the printer's operator panel.");
    EXPECT_EQ(LoadText(IDS_OVERLAY_NAME_EXISTS),
              L"A defined overlay with that name already exists.\nPlease choose another name.");
    EXPECT_EQ(LoadText(IDS_GET_INSTALLED_OPTIONS), L"&Get installed options automatically");
    EXPECT_EQ(LoadText(IDS_USER_MODE_LIBRARY), L"Vrdrvum.dll");
    EXPECT_EQ(LoadText(IDS_SETTINGS_INVALID), L"One or more of your settings are invalid.");
    EXPECT_EQ(LoadText(IDS_CAPTION_WARNING), L"Warning");

    // The range texts are format strings: "%%" must survive as a literal percent sign.
    wchar_t text[64];
    swprintf(text, ARRAYSIZE(text), LoadText(IDS_COPIES_RANGE).c_str(), 1, 999);
    EXPECT_STREQ(text, L"( 1-999 )");
    swprintf(text, ARRAYSIZE(text), LoadText(IDS_SCALE_RANGE).c_str(), 25, 400);
    EXPECT_STREQ(text, L"( 25-400 % )");
    swprintf(text, ARRAYSIZE(text), LoadText(IDS_OVERLAY_MAX_FORMAT).c_str(), 4);
    EXPECT_STREQ(text, L"(Max. 4)");
}

TEST_F(ResourcesTest, ListStringsFollowTheirIndexOrder) {
    // Callers index these runs as base + value, so order and count matter.
    const wchar_t* pageModes[] = {L"All Pages", L"First Page", L"Odd Pages", L"Even Pages",
                                  L"Custom"};
    for (UINT i = 0; i < 5; ++i) EXPECT_EQ(LoadText(IDS_PAGEMODE_ALL + i), pageModes[i]);
    const wchar_t* compression[] = {L"None", L"Fast", L"Normal", L"Best Compression"};
    for (UINT i = 0; i < 4; ++i) EXPECT_EQ(LoadText(IDS_COMPRESSION_NONE + i), compression[i]);
    const wchar_t* positions[] = {L"Upper Left", L"Upper Center", L"Upper Right", L"Center",
                                  L"Lower Left", L"Lower Center", L"Lower Right"};
    for (UINT i = 0; i < 7; ++i) EXPECT_EQ(LoadText(IDS_POSITION_FIRST + i), positions[i]);
    const int sizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    for (UINT i = 0; i < 16; ++i)
        EXPECT_EQ(LoadText(IDS_FONT_SIZE_FIRST + i), std::to_wstring(sizes[i])) << i;
    const wchar_t* styles[] = {L"Regular", L"Italic", L"Bold", L"Bold Italic"};
    for (UINT i = 0; i < 4; ++i) EXPECT_EQ(LoadText(IDS_FONT_STYLE_FIRST + i), styles[i]);
}

// ---- Bitmaps and icons -----------------------------------------------------------------------

struct BitmapExpectation {
    UINT id;
    LONG width, height;
    WORD bits;
    bool transparent;  // drawn with magenta as the transparent key
};
constexpr BitmapExpectation kBitmaps[] = {
    {6050, 190, 155, 8, false}, {6051, 190, 155, 8, false}, {6052, 140, 32, 4, true},
    {6053, 180, 117, 8, false}, {6054, 180, 117, 8, false}, {6055, 180, 117, 8, false},
    {6056, 260, 180, 8, true},  {6100, 48, 44, 8, true},    {6101, 48, 44, 8, true},
    {6102, 48, 44, 8, true},    {6103, 48, 44, 8, true},    {6104, 48, 44, 8, true},
    {6105, 34, 34, 4, true},    {6106, 34, 34, 4, true},    {6107, 212, 32, 4, true},
};

TEST_F(ResourcesTest, BitmapsHaveTheirSizesDepthsAndFullColourTables) {
    for (const BitmapExpectation& expected : kBitmaps) {
        SCOPED_TRACE(expected.id);
        oemui::UniqueGdiObject bitmap(LoadImageW(module_, MAKEINTRESOURCEW(expected.id),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_TRUE(bitmap);
        DIBSECTION dib = {};
        ASSERT_EQ(GetObjectW(bitmap.get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        EXPECT_EQ(dib.dsBm.bmWidth, expected.width);
        EXPECT_EQ(dib.dsBm.bmHeight, expected.height);
        EXPECT_EQ(dib.dsBmih.biBitCount, expected.bits);

        // The framed drawing builds its palette from the resource's own colour table.
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(expected.id), RT_BITMAP);
        ASSERT_NE(found, nullptr);
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module_, found)));
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->biSize, 40u);
        EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
        const DWORD colours = header->biClrUsed ? header->biClrUsed : (1u << header->biBitCount);
        EXPECT_EQ(colours, 1u << expected.bits);
        const DWORD stride = ((expected.width * expected.bits + 31) / 32) * 4;
        EXPECT_GE(SizeofResource(module_, found), 40 + colours * 4 + stride * expected.height);
    }
}

// The colour of one pixel of a resource bitmap (x, y from the top-left corner).
COLORREF ResourcePixel(HMODULE module, UINT id, LONG x, LONG y) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    const auto* table = reinterpret_cast<const RGBQUAD*>(header + 1);
    const DWORD colours = header->biClrUsed ? header->biClrUsed : (1u << header->biBitCount);
    const BYTE* bits = reinterpret_cast<const BYTE*>(table + colours);
    const LONG stride = ((header->biWidth * header->biBitCount + 31) / 32) * 4;
    const BYTE* row = bits + (header->biHeight - 1 - y) * stride;  // rows are stored bottom-up
    BYTE index = header->biBitCount == 8 ? row[x] : ((x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4);
    return RGB(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
}

TEST_F(ResourcesTest, TransparentBitmapsHaveTheMagentaKeyAroundThePicture) {
    const COLORREF key = RGB(255, 0, 255);
    for (const BitmapExpectation& expected : kBitmaps) {
        SCOPED_TRACE(expected.id);
        const COLORREF corners[] = {
            ResourcePixel(module_, expected.id, 0, 0),
            ResourcePixel(module_, expected.id, expected.width - 1, 0),
            ResourcePixel(module_, expected.id, 0, expected.height - 1),
            ResourcePixel(module_, expected.id, expected.width - 1, expected.height - 1)};
        int keyed = 0;
        for (COLORREF c : corners) keyed += c == key;
        if (expected.transparent) {
            EXPECT_GE(keyed, 2) << "the picture should not fill the whole bitmap";
            // ...but there is a picture: a fair share of the pixels is drawn.
            LONG drawn = 0;
            for (LONG y = 0; y < expected.height; ++y)
                for (LONG x = 0; x < expected.width; ++x)
                    drawn += ResourcePixel(module_, expected.id, x, y) != key;
            EXPECT_GE(drawn * 5, expected.width * expected.height);
        } else {
            EXPECT_EQ(keyed, 0) << "framed pictures are opaque";
        }
    }
}

TEST_F(ResourcesTest, IconsExistInBothSizes) {
    for (UINT id = IDI_WARNING_SIGN; id <= IDI_PREVIEW_MIRROR_NEGATIVE; ++id) {
        for (int size : {32, 16}) {
            SCOPED_TRACE(testing::Message() << id << " at " << size);
            oemui::UniqueIcon icon(static_cast<HICON>(
                LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
            ASSERT_TRUE(icon);
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon.get(), &info));
            oemui::UniqueGdiObject mask(info.hbmMask), colour(info.hbmColor);
            BITMAP bm = {};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
            EXPECT_EQ(bm.bmWidth, size);
        }
    }
}

// ---- Dialog templates ------------------------------------------------------------------------

INT_PTR CALLBACK TrivialProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A created template; pages get a hidden top-level parent, as a property sheet would give them.
class Dialog {
public:
    Dialog(HMODULE module, UINT id, bool page) {
        if (page) {
            parent_ = CreateWindowExW(0, L"STATIC", L"sheet", WS_OVERLAPPEDWINDOW, 0, 0, 800, 700,
                                      nullptr, nullptr, nullptr, nullptr);
        }
        window_ = CreateDialogParamW(module, MAKEINTRESOURCEW(id), parent_, TrivialProc, 0);
        if (window_ != nullptr && page) ShowWindow(window_, SW_SHOW);
    }
    ~Dialog() {
        if (window_ != nullptr) DestroyWindow(window_);
        if (parent_ != nullptr) DestroyWindow(parent_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    HWND get() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }

private:
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}
std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}
LONG StyleOf(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

enum class Kind {
    Group,
    Radio,
    Check,
    Push,
    DefPush,
    OwnerDraw,
    Static,
    Icon,
    Edit,
    DropList,
    UpDown
};

struct ControlExpectation {
    int id;
    Kind kind;
    const wchar_t* text;  // nullptr: not checked
};

void ExpectControls(const Dialog& dialog, const std::vector<ControlExpectation>& expectations) {
    for (const ControlExpectation& expected : expectations) {
        SCOPED_TRACE(expected.id);
        HWND control = dialog.item(expected.id);
        ASSERT_NE(control, nullptr);
        const std::wstring cls = ClassOf(control);
        const LONG style = StyleOf(control);
        switch (expected.kind) {
            case Kind::Group:
                EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX);
                break;
            case Kind::Radio:
                EXPECT_EQ(style & BS_TYPEMASK, BS_AUTORADIOBUTTON);
                break;
            case Kind::Check:
                EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
                break;
            case Kind::Push:
                EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
                break;
            case Kind::DefPush:
                EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
                break;
            case Kind::OwnerDraw:
                EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
                break;
            case Kind::Static:
                EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
                break;
            case Kind::Icon:
                EXPECT_EQ(style & SS_TYPEMASK, SS_ICON);
                break;
            case Kind::Edit:
                EXPECT_EQ(_wcsicmp(cls.c_str(), L"Edit"), 0);
                break;
            case Kind::DropList:
                EXPECT_EQ(_wcsicmp(cls.c_str(), L"ComboBox"), 0);
                EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
                break;
            case Kind::UpDown:
                EXPECT_EQ(_wcsicmp(cls.c_str(), UPDOWN_CLASSW), 0);
                break;
        }
        if (expected.kind <= Kind::OwnerDraw) {
            EXPECT_EQ(_wcsicmp(cls.c_str(), L"Button"), 0);
        }
        if (expected.kind == Kind::Static || expected.kind == Kind::Icon) {
            EXPECT_EQ(_wcsicmp(cls.c_str(), L"Static"), 0);
        }
        if (expected.text != nullptr) {
            EXPECT_EQ(TextOf(control), expected.text);
        }
    }
}

// Client size of the dialog in dialog units.
SIZE ClientInUnits(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    RECT unit = {0, 0, 400, 800};
    MapDialogRect(dialog, &unit);
    return {MulDiv(client.right, 400, unit.right), MulDiv(client.bottom, 800, unit.bottom)};
}

void ExpectDialogFont(HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logfont = {};
    ASSERT_NE(GetObjectW(font, sizeof(logfont), &logfont), 0);
    EXPECT_STREQ(logfont.lfFaceName, L"MS Shell Dlg 2");
    oemui::WindowDc dc(dialog);
    EXPECT_EQ(logfont.lfHeight, -MulDiv(8, GetDeviceCaps(dc.get(), LOGPIXELSY), 72));
}

TEST_F(ResourcesTest, JobOptionsPageHasItsControls) {
    Dialog page(module_, IDD_JOB_OPTIONS_PAGE, true);
    ASSERT_NE(page.get(), nullptr);
    EXPECT_EQ(TextOf(page.get()), L"Job Options");
    const SIZE size = ClientInUnits(page.get());
    EXPECT_EQ(size.cx, 299);
    EXPECT_EQ(size.cy, 226);
    ExpectDialogFont(page.get());
    ExpectControls(page, {
                             {1500, Kind::Group, L"&Quality"},
                             {1501, Kind::OwnerDraw, L""},
                             {1545, Kind::Radio, L"High Quality (1200x1200)"},
                             {1546, Kind::Radio, L"Normal (600x600)"},
                             {1506, Kind::Check, L"&Toner Save"},
                             {1618, Kind::Check, L"C&ustom Gamma Adjustment:"},
                             {1613, Kind::DropList, nullptr},
                             {1542, Kind::Group, L"&Copies"},
                             {1514, Kind::Edit, nullptr},
                             {1515, Kind::UpDown, nullptr},
                             {1517, Kind::Static, L""},
                             {1530, Kind::Group, L"Scal&e"},
                             {1532, Kind::Edit, nullptr},
                             {1533, Kind::UpDown, nullptr},
                             {1534, Kind::Static, L""},
                             {1535, Kind::Push, L"&Watermarks..."},
                             {1536, Kind::Push, L"Overla&ys..."},
                             {1537, Kind::Push, L"Ad&vanced..."},
                             {1559, Kind::Push, L"A&bout..."},
                             {10000, Kind::Push, L"&Default"},
                             {10001, Kind::OwnerDraw, L""},
                             {1392, Kind::OwnerDraw, L""},
                         });
    EXPECT_FALSE(IsWindowEnabled(page.item(1501)));
    EXPECT_FALSE(IsWindowEnabled(page.item(10001)));
    // The link text is the page's link: a button the keyboard reaches.
    EXPECT_TRUE(StyleOf(page.item(1392)) & WS_TABSTOP);
    // The up-downs attach to the edit before them and write plain numbers into it.
    for (int spin : {1515, 1533}) {
        const LONG style = StyleOf(page.item(spin));
        const LONG wanted = UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_AUTOBUDDY;
        EXPECT_EQ(style & wanted, wanted) << spin;
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(page.item(spin), UDM_GETBUDDY, 0, 0)),
                  page.item(spin - 1))
            << spin;
    }
    // Controls that other page layouts of the same procedure carry are absent here.
    for (int id : {1508, 1512, 1547, 1548}) EXPECT_EQ(page.item(id), nullptr) << id;
}

TEST_F(ResourcesTest, ColorPageHasItsControls) {
    Dialog page(module_, IDD_COLOR_PAGE, true);
    ASSERT_NE(page.get(), nullptr);
    EXPECT_EQ(TextOf(page.get()), L"Color");
    ExpectDialogFont(page.get());
    ExpectControls(page, {
                             {1617, Kind::Group, L"Color &Mode"},
                             {1605, Kind::Radio, L"&Automatic"},
                             {1606, Kind::Radio, L"Ca&lder Color"},
                             {1607, Kind::Radio, L"Mer&idan Pro"},
                             {1608, Kind::Radio, L"&No Color Matching"},
                             {1609, Kind::Radio, L"Gr&eyscale"},
                             {1600, Kind::OwnerDraw, L""},
                             {1601, Kind::OwnerDraw, L""},
                             {1602, Kind::OwnerDraw, L""},
                             {1603, Kind::OwnerDraw, L""},
                             {1604, Kind::OwnerDraw, L""},
                             {1610, Kind::Push, L"O&ptions..."},
                             {1616, Kind::Push, L"&Options..."},
                             {1506, Kind::Check, L"&Toner Save"},
                             {1612, Kind::Static, L"Custom &Gamma Settings:"},
                             {1613, Kind::DropList, nullptr},
                             {1215, Kind::Push, L"Ad&vanced..."},
                             {1614, Kind::Push, L"&Color Swatch..."},
                             {10000, Kind::Push, L"&Default"},
                             {10001, Kind::OwnerDraw, L""},
                         });
    // Each picture sits on the row of its radio button.
    for (int i = 0; i < 5; ++i) {
        RECT picture, radio;
        GetWindowRect(page.item(1600 + i), &picture);
        GetWindowRect(page.item(1605 + i), &radio);
        const LONG radioMiddle = (radio.top + radio.bottom) / 2;
        EXPECT_GT(radioMiddle, picture.top) << i;
        EXPECT_LT(radioMiddle, picture.bottom) << i;
        EXPECT_LT(picture.right, radio.left) << i;
    }
    // The options buttons stand beside their modes.
    for (auto [button, radio] : {std::pair{1610, 1606}, std::pair{1616, 1607}}) {
        RECT b, r;
        GetWindowRect(page.item(button), &b);
        GetWindowRect(page.item(radio), &r);
        const LONG middle = (r.top + r.bottom) / 2;
        EXPECT_TRUE(middle > b.top && middle < b.bottom) << button;
    }
}

struct WarningExpectation {
    UINT id;
    const wchar_t* caption;
    std::vector<ControlExpectation> controls;
};

TEST_F(ResourcesTest, WarningTemplatesHaveTextIconCheckBoxAndButtons) {
    const WarningExpectation expectations[] = {
        {300,
         L"Warning",
         {{6001, Kind::Static,
           L"If the total number of pages exceeds the values shown below, the document will not "
           L"be stapled. Documents exceeding values shown below may cause a paper jam."},
          {6003, Kind::Static, nullptr},
          {6004, Kind::Static, nullptr}}},
        {301,
         L"Warning:",
         {{6001, Kind::Static,
           L"Warning: \nWhen the printer is shared, this feature is disabled. If multiple users "
           L"have logged on to the Windows XP (through the User Switching feature), users other "
           L"than the one who logged on first may not use this feature. \n"},
          {6002, Kind::Static,
           L"If any user but the one who logged on first checks this Box to print, the dialog "
           L"for entering a job name will appear on the screen of the user who logged on first, "
           L"and the application being used will remain suspended until a job name is "
           L"entered."}}},
        {302,
         L"Warning",
         {{6001, Kind::Static,
           L"The printer driver does not automatically arrange the pages so that they read like "
           L"a proper book.\n\nIf you want the pages to be arranged in proper booklet order, "
           L"please click the Layout tab, and select Booklet from the Pages Per Sheet menu."}}},
    };
    for (const WarningExpectation& expected : expectations) {
        SCOPED_TRACE(expected.id);
        Dialog dialog(module_, expected.id, false);
        ASSERT_NE(dialog.get(), nullptr);
        EXPECT_EQ(TextOf(dialog.get()), expected.caption);
        ExpectDialogFont(dialog.get());
        ExpectControls(dialog, expected.controls);
        ExpectControls(dialog, {{6006, Kind::Icon, nullptr},
                                {6005, Kind::Check, L"&Show this message next time"},
                                {IDOK, Kind::DefPush, L"OK"},
                                {IDCANCEL, Kind::Push, L"Cancel"}});
        // The warning icon fits the icon static.
        oemui::UniqueIcon icon(static_cast<HICON>(LoadImageW(
            module_, MAKEINTRESOURCEW(IDI_WARNING_SIGN), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
        ASSERT_TRUE(icon);
        SendMessageW(dialog.item(6006), STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
        RECT r;
        GetClientRect(dialog.item(6006), &r);
        EXPECT_GE(r.right, GetSystemMetrics(SM_CXICON));
    }
}

// ---- Layout ----------------------------------------------------------------------------------

struct LayoutCase {
    UINT id;
    bool page;
};

const LayoutCase kLayouts[] = {
    {IDD_JOB_OPTIONS_PAGE, true},  {IDD_COLOR_PAGE, true},       {IDD_WARNING_STAPLE, false},
    {IDD_WARNING_JOB_NAME, false}, {IDD_WARNING_BOOKLET, false},
};

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

bool IsGroupBox(HWND c) {
    return _wcsicmp(ClassOf(c).c_str(), L"Button") == 0 &&
           (StyleOf(c) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Room a text needs in a control, in pixels, measured with the control's font.
SIZE MeasureText(HWND control, const std::wstring& text, int width, UINT flags) {
    oemui::WindowDc dc(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    oemui::SelectGuard select(dc.get(), font);
    RECT r = {0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), -1, &r, flags | DT_CALCRECT);
    return {r.right, r.bottom};
}

void ExpectTextFits(HWND control, const std::wstring& text) {
    RECT client;
    GetClientRect(control, &client);
    const std::wstring cls = ClassOf(control);
    const LONG style = StyleOf(control);
    const UINT prefix =
        (style & SS_NOPREFIX) && _wcsicmp(cls.c_str(), L"Static") == 0 ? DT_NOPREFIX : 0;
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        const SIZE need =
            MeasureText(control, text, client.right, DT_WORDBREAK | DT_EXPANDTABS | prefix);
        EXPECT_LE(need.cx, client.right) << "too wide: " << testenv::Narrow(text);
        EXPECT_LE(need.cy, client.bottom) << "cut off below: " << testenv::Narrow(text);
        return;
    }
    int room = client.right;
    switch (style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
        case BS_CHECKBOX:
        case BS_AUTORADIOBUTTON:
        case BS_RADIOBUTTON:
            room -= GetSystemMetrics(SM_CXMENUCHECK) + 4;  // the box and the gap after it
            break;
        case BS_GROUPBOX:
            room -= 2 * 8;  // the frame line runs on both sides of the title
            break;
        default:
            room -= 2 * 6;  // push buttons: the 3D border and the focus rectangle
            break;
    }
    // A multi-line button wraps its text at its width; others show one line.
    const SIZE need = (style & BS_MULTILINE) != 0 && (style & BS_TYPEMASK) != BS_GROUPBOX
                          ? MeasureText(control, text, room, DT_WORDBREAK)
                          : MeasureText(control, text, 0, DT_SINGLELINE);
    EXPECT_LE(need.cx, room) << "clipped: " << testenv::Narrow(text);
    EXPECT_LE(need.cy, client.bottom) << "clipped: " << testenv::Narrow(text);
}

// Every text of every template of `module` fits its control, measured with the control's own
// font (whatever face the machine gives the dialog font). Hidden labels are never drawn.
void ExpectEveryTextFits(HMODULE module) {
    const std::vector<testenv::DialogTemplateInfo> templates = testenv::ReadDialogTemplates(module);
    ASSERT_FALSE(templates.empty());
    for (const testenv::DialogTemplateInfo& t : templates) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        Dialog dialog(module, t.id, t.IsPage());
        ASSERT_NE(dialog.get(), nullptr);
        for (HWND c : Children(dialog.get())) {
            if (!(StyleOf(c) & WS_VISIBLE)) continue;
            const std::wstring text = TextOf(c);
            if (text.empty()) continue;
            SCOPED_TRACE(GetDlgCtrlID(c));
            ExpectTextFits(c, text);
        }
    }
}

TEST_F(ResourcesTest, NoTextIsClipped) {
    ExpectEveryTextFits(module_);
    // The range statics and the link text receive their real texts at run time.
    Dialog page(module_, IDD_JOB_OPTIONS_PAGE, true);
    wchar_t text[64];
    swprintf(text, ARRAYSIZE(text), LoadText(IDS_COPIES_RANGE).c_str(), 1, 999);
    ExpectTextFits(page.item(1517), text);
    swprintf(text, ARRAYSIZE(text), LoadText(IDS_SCALE_RANGE).c_str(), 1, 1000);
    ExpectTextFits(page.item(1534), text);
    ExpectTextFits(page.item(1392), L"http://www.example.com/support");
}

// The same texts 40 % longer and accented, as translations make them (tools/pseudoloc.py).
TEST_F(ResourcesTest, PseudoLocalisedTextsFitTooInEveryTemplate) {
    const HMODULE pseudo = LoadLibraryExW(testenv::Widen(OEMUI_PSEUDO_DLL_PATH).c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(pseudo, nullptr) << OEMUI_PSEUDO_DLL_PATH;
    ExpectEveryTextFits(pseudo);
    FreeLibrary(pseudo);
}

TEST_F(ResourcesTest, ControlsStayInsideTheDialogAndDoNotOverlap) {
    for (const LayoutCase& layout : kLayouts) {
        SCOPED_TRACE(layout.id);
        Dialog dialog(module_, layout.id, layout.page);
        ASSERT_NE(dialog.get(), nullptr);
        RECT client;
        GetClientRect(dialog.get(), &client);
        std::vector<std::pair<HWND, RECT>> placed;
        for (HWND c : Children(dialog.get())) {
            if (!(StyleOf(c) & WS_VISIBLE)) continue;
            RECT r;
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, dialog.get(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                        r.bottom <= client.bottom)
                << "outside: " << GetDlgCtrlID(c);
            placed.emplace_back(c, r);
        }
        for (size_t i = 0; i < placed.size(); ++i) {
            for (size_t j = i + 1; j < placed.size(); ++j) {
                RECT overlap;
                if (!IntersectRect(&overlap, &placed[i].second, &placed[j].second)) continue;
                const auto contains = [](const RECT& outer, const RECT& inner) {
                    return inner.left >= outer.left && inner.top >= outer.top &&
                           inner.right <= outer.right && inner.bottom <= outer.bottom;
                };
                const bool framed =
                    (IsGroupBox(placed[i].first) && contains(placed[i].second, placed[j].second)) ||
                    (IsGroupBox(placed[j].first) && contains(placed[j].second, placed[i].second));
                // An up-down aligned to its buddy shares the buddy's border, by design.
                const auto buddies = [](HWND a, HWND b) {
                    return _wcsicmp(ClassOf(a).c_str(), UPDOWN_CLASSW) == 0 &&
                           reinterpret_cast<HWND>(SendMessageW(a, UDM_GETBUDDY, 0, 0)) == b;
                };
                const bool attached = buddies(placed[i].first, placed[j].first) ||
                                      buddies(placed[j].first, placed[i].first);
                EXPECT_TRUE(framed || attached) << GetDlgCtrlID(placed[i].first) << " overlaps "
                                                << GetDlgCtrlID(placed[j].first);
            }
        }
    }
}

TEST_F(ResourcesTest, PicturesCoverTheirBitmaps) {
    // Picture controls are sized for their bitmaps at the design's 1.5 pixels per horizontal
    // and 1.625 per vertical unit (96 DPI), framed pictures with 2 pixels of frame on each
    // side; the pictures are scaled to the controls as the dialog font and the DPI make them.
    // Read in dialog units from the templates, so that the check holds whatever font the
    // machine gives the dialogs.
    struct Picture {
        UINT dialog;
        int control;
        UINT bitmap;
        int frame;
    };
    const Picture pictures[] = {
        {IDD_JOB_OPTIONS_PAGE, 1501, 6053, 4},
        {IDD_JOB_OPTIONS_PAGE, 10001, 6052, 0},
        {IDD_COLOR_PAGE, 10001, 6052, 0},
        {IDD_COLOR_PAGE, 1600, 6100, 0},
        {IDD_COLOR_PAGE, 1601, 6104, 0},
        {IDD_COLOR_PAGE, 1602, 6103, 0},
        {IDD_COLOR_PAGE, 1603, 6102, 0},
        {IDD_COLOR_PAGE, 1604, 6101, 0},
        {IDD_ABOUT, 1567, 6056, 0},
        {IDD_CALDER_COLOR, 1214, 6050, 4},
    };
    for (const Picture& p : pictures) {
        SCOPED_TRACE(testing::Message() << p.dialog << "/" << p.control);
        const TemplateControl* control = nullptr;
        for (const DialogTemplateInfo& t : Templates()) {
            if (t.id != p.dialog) continue;
            for (const TemplateControl& c : t.controls) {
                if (c.id == p.control) control = &c;
            }
        }
        ASSERT_NE(control, nullptr);
        oemui::UniqueGdiObject bitmap(LoadImageW(module_, MAKEINTRESOURCEW(p.bitmap), IMAGE_BITMAP,
                                                 0, 0, LR_CREATEDIBSECTION));
        BITMAP bm = {};
        GetObjectW(bitmap.get(), sizeof(bm), &bm);
        const double width = control->cx * 1.5;
        const double height = control->cy * 1.625;
        // Covered, to the pixel a unit's rounding leaves...
        EXPECT_GE(width + 1, bm.bmWidth + p.frame);
        EXPECT_GE(height + 1, bm.bmHeight + p.frame);
        // ...without a wide empty margin beside them.
        EXPECT_LE(width, (bm.bmWidth + p.frame) * 5 / 4);
        EXPECT_LE(height, (bm.bmHeight + p.frame) * 5 / 4);
    }
}

TEST_F(ResourcesTest, MnemonicsAreUniqueAndTabStopsComplete) {
    for (const LayoutCase& layout : kLayouts) {
        SCOPED_TRACE(layout.id);
        Dialog dialog(module_, layout.id, layout.page);
        ASSERT_NE(dialog.get(), nullptr);
        std::map<wchar_t, int> seen;
        bool inRadioGroup = false;
        for (HWND c : Children(dialog.get())) {
            const int id = GetDlgCtrlID(c);
            const std::wstring cls = ClassOf(c);
            const LONG style = StyleOf(c);
            const std::wstring text = TextOf(c);
            const bool isStatic = _wcsicmp(cls.c_str(), L"Static") == 0;
            if (!(isStatic && (style & SS_NOPREFIX))) {
                for (size_t i = 0; i + 1 < text.size(); ++i) {
                    if (text[i] != L'&') continue;
                    if (text[i + 1] == L'&') {
                        ++i;
                        continue;
                    }
                    const wchar_t key = static_cast<wchar_t>(towlower(text[i + 1]));
                    if (seen.count(key))
                        ADD_FAILURE() << "mnemonic '" << static_cast<char>(key) << "' of " << id
                                      << " is already used by " << seen[key];
                    seen.emplace(key, id);
                    break;
                }
            }
            // Every control the keyboard should reach is a tab stop; radio groups start with
            // WS_GROUP and only their first button is a tab stop.
            const bool isButton = _wcsicmp(cls.c_str(), L"Button") == 0;
            const LONG type = style & BS_TYPEMASK;
            const bool isRadio = isButton && type == BS_AUTORADIOBUTTON;
            if (isRadio) {
                if (!inRadioGroup) {
                    EXPECT_TRUE(style & WS_GROUP) << id;
                    EXPECT_TRUE(style & WS_TABSTOP) << id;
                } else {
                    EXPECT_FALSE(style & WS_GROUP) << id;
                }
                inRadioGroup = true;
                continue;
            }
            if (inRadioGroup && !(isButton && type == BS_OWNERDRAW)) {
                EXPECT_TRUE(style & WS_GROUP) << "radio group not closed before " << id;
            }
            inRadioGroup = false;
            const bool wantsTab =
                (isButton &&
                 (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_AUTOCHECKBOX)) ||
                _wcsicmp(cls.c_str(), L"Edit") == 0 || _wcsicmp(cls.c_str(), L"ComboBox") == 0;
            if (wantsTab) {
                EXPECT_TRUE(style & WS_TABSTOP) << id;
            }
        }
        // The mnemonic of a label or group box must lead to a control that takes focus.
        for (auto [key, id] : seen) {
            HWND c = GetDlgItem(dialog.get(), id);
            const bool label = _wcsicmp(ClassOf(c).c_str(), L"Static") == 0 || IsGroupBox(c);
            if (!label) continue;
            HWND next = GetWindow(c, GW_HWNDNEXT);
            while (next != nullptr && !(StyleOf(next) & WS_TABSTOP))
                next = GetWindow(next, GW_HWNDNEXT);
            EXPECT_NE(next, nullptr) << "label " << id << " leads nowhere";
        }
    }
}

// ---- Rules over every dialog template of the DLL -----------------------------------------------
// Read from the templates themselves (tab order, styles, dialog units), so that they hold
// whatever fonts the machine has. Each rule runs over every RT_DIALOG resource of the DLL.

// The access key of a text (lower case), or 0; "&&" is a literal ampersand.
wchar_t AccessKey(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        return static_cast<wchar_t>(towlower(text[i + 1]));
    }
    return 0;
}

bool IsTextStatic(const TemplateControl& c) {
    const DWORD type = c.style & SS_TYPEMASK;
    return c.Is(L"Static") && (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT ||
                               type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP);
}
bool IsButtonOfType(const TemplateControl& c, DWORD type) {
    return c.Is(L"Button") && (c.style & BS_TYPEMASK) == type;
}
bool IsRadio(const TemplateControl& c) {
    return IsButtonOfType(c, BS_AUTORADIOBUTTON) || IsButtonOfType(c, BS_RADIOBUTTON);
}
// Controls a screen reader names after the label static just before them.
bool NeedsLabel(const TemplateControl& c) {
    return c.Is(L"Edit") || c.Is(L"ComboBox") || c.Is(L"ListBox") || c.Is(L"ScrollBar") ||
           c.Is(WC_LISTVIEWW) || c.Is(TRACKBAR_CLASSW);
}
// Controls the keyboard must reach.
bool WantsTabStop(const TemplateControl& c) {
    if ((c.style & WS_DISABLED) != 0) return false;
    if (c.Is(L"Edit")) return (c.style & ES_READONLY) == 0;
    return IsButtonOfType(c, BS_PUSHBUTTON) || IsButtonOfType(c, BS_DEFPUSHBUTTON) ||
           IsButtonOfType(c, BS_AUTOCHECKBOX) || IsButtonOfType(c, BS_CHECKBOX) ||
           c.Is(L"ComboBox") || c.Is(L"ListBox") || c.Is(L"ScrollBar") || c.Is(WC_LISTVIEWW) ||
           c.Is(TRACKBAR_CLASSW);
}

TEST(DialogTemplates, EveryTemplateOfTheDllIsRead) {
    // The rules below are only as good as this list: every template, each read to its end.
    std::set<UINT> ids;
    for (const DialogTemplateInfo& t : Templates()) {
        EXPECT_TRUE(t.parsed) << t.id;
        EXPECT_FALSE(t.controls.empty()) << t.id;
        ids.insert(t.id);
    }
    for (UINT id : {IDD_JOB_OPTIONS_PAGE, IDD_COLOR_PAGE, IDD_OVERLAYS, IDD_WATERMARKS,
                    IDD_WATERMARK_EDITOR, IDD_WATERMARK_FONT, IDD_ABOUT, IDD_CALDER_COLOR,
                    IDD_MERIDAN_PRO, IDD_COLOR_ADVANCED, IDD_JOB_PIN, IDD_DEFINE_OVERLAY,
                    IDD_JOB_ADVANCED, IDD_WARNING_STAPLE, IDD_WARNING_JOB_NAME, IDD_WARNING_BOOKLET,
                    IDD_SPECIAL_TONER_WHITE, IDD_SPECIAL_TONER_CLEAR}) {
        EXPECT_EQ(ids.count(id), 1u) << id;
    }
}

TEST(DialogTemplates, AccessKeysAreUniqueAndLabelsLeadToWhatTheyName) {
    for (const DialogTemplateInfo& t : Templates()) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        std::map<wchar_t, int> owner;
        const auto& controls = t.controls;
        for (size_t i = 0; i < controls.size(); ++i) {
            const TemplateControl& c = controls[i];
            if (c.Is(L"Static") && (c.style & SS_NOPREFIX) != 0) continue;
            const wchar_t key = AccessKey(c.text);
            if (key == 0) continue;
            const auto [at, fresh] = owner.emplace(key, c.id);
            EXPECT_TRUE(fresh) << "access key '" << static_cast<char>(key) << "' of " << c.id
                               << " is already " << at->second << "'s";
            // A label's or a group box's key moves the focus to the next tab stop: that must
            // be a control that takes input, not a read-only box.
            if (!IsTextStatic(c) && !IsButtonOfType(c, BS_GROUPBOX)) continue;
            size_t next = i + 1;
            while (next < controls.size() && (controls[next].style & WS_TABSTOP) == 0) ++next;
            ASSERT_LT(next, controls.size()) << "the key of " << c.id << " leads nowhere";
            EXPECT_FALSE(controls[next].Is(L"Edit") && (controls[next].style & ES_READONLY))
                << "the key of " << c.id << " leads to the read-only box " << controls[next].id;
        }
    }
}

TEST(DialogTemplates, EveryEditListAndSliderHasALabelJustBeforeIt) {
    for (const DialogTemplateInfo& t : Templates()) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        for (size_t i = 0; i < t.controls.size(); ++i) {
            const TemplateControl& c = t.controls[i];
            if (!NeedsLabel(c)) continue;
            const bool labelled =
                i > 0 && IsTextStatic(t.controls[i - 1]) && !t.controls[i - 1].text.empty();
            EXPECT_TRUE(labelled) << testenv::Narrow(c.cls) << " " << c.id
                                  << " has no label static just before it";
        }
    }
}

TEST(DialogTemplates, RadioGroupsHoldOnlyRadiosAndInputsAreTabStops) {
    for (const DialogTemplateInfo& t : Templates()) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        int groupStart = 0;  // id of the first radio of the open group; 0: none open
        for (const TemplateControl& c : t.controls) {
            const bool starts = (c.style & WS_GROUP) != 0;
            if (IsRadio(c)) {
                if (starts) {
                    EXPECT_TRUE(c.style & WS_TABSTOP) << "radio " << c.id << " starts a group";
                    groupStart = c.id;
                } else {
                    EXPECT_NE(groupStart, 0) << "radio " << c.id << " follows no radio group";
                }
                continue;
            }
            // The arrow keys move through a group's controls in tab order: anything but a
            // radio inside a radio group is a place they land on by surprise.
            EXPECT_FALSE(groupStart != 0 && !starts)
                << c.id << " sits in the radio group of " << groupStart;
            groupStart = 0;
            if (WantsTabStop(c)) {
                EXPECT_TRUE(c.style & WS_TABSTOP) << c.id << " cannot be reached by Tab";
            }
        }
    }
}

TEST(DialogTemplates, ButtonsSharingATextHaveNamesOfTheirOwn) {
    // A screen reader names a button by its text; buttons of one dialog that show the same text
    // get distinct names from the string table (ui/common/accessiblename.h).
    for (const DialogTemplateInfo& t : Templates()) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        std::map<std::wstring, std::vector<int>> byText;
        for (const TemplateControl& c : t.controls) {
            if (!IsButtonOfType(c, BS_PUSHBUTTON) && !IsButtonOfType(c, BS_DEFPUSHBUTTON)) continue;
            std::wstring shown;
            for (wchar_t ch : c.text) {
                if (ch != L'&') shown.push_back(ch);
            }
            if (!shown.empty()) byText[shown].push_back(c.id);
        }
        for (const auto& [shown, ids] : byText) {
            if (ids.size() < 2) continue;
            std::set<std::wstring> names;
            for (int id : ids) {
                UINT stringId = 0;
                for (const oemui::SharedButtonName& entry : oemui::kSharedButtonNames) {
                    if (entry.templateId == t.id && entry.controlId == id)
                        stringId = entry.stringId;
                }
                wchar_t name[128] = {};
                if (stringId != 0) LoadStringW(testenv::PluginModule(), stringId, name, 128);
                EXPECT_NE(name[0], L'\0') << id << " shares \"" << testenv::Narrow(shown)
                                          << "\" and has no name of its own";
                EXPECT_TRUE(names.insert(name).second) << id << ": name used twice";
            }
        }
    }
}

TEST(DialogTemplates, UseTheShellFontAtEightPoints) {
    for (const DialogTemplateInfo& t : Templates()) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        EXPECT_EQ(t.style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT));
        EXPECT_EQ(t.face, L"MS Shell Dlg 2");
        EXPECT_EQ(t.pointSize, 8);
    }
}

TEST(DialogTemplates, OkCancelAndDefaultShareOneSizeAndPlace) {
    // 50 x 14 units, in one row on the bottom-right 7-unit margin, 4 units apart.
    for (const DialogTemplateInfo& t : Templates()) {
        SCOPED_TRACE(testing::Message() << "template " << t.id);
        std::map<short, const TemplateControl*> row;  // by x
        for (const TemplateControl& c : t.controls) {
            if (c.id == IDOK || c.id == IDCANCEL || c.id == IDC_DEFAULT) row[c.x] = &c;
        }
        if (row.empty()) continue;
        const TemplateControl* previous = nullptr;
        for (const auto& [x, c] : row) {
            EXPECT_EQ(c->cx, 50) << c->id;
            EXPECT_EQ(c->cy, 14) << c->id;
            EXPECT_EQ(c->y + c->cy, t.cy - 7) << c->id;
            if (previous != nullptr) {
                EXPECT_EQ(x - (previous->x + previous->cx), 4) << c->id;
            }
            previous = c;
        }
        EXPECT_EQ(previous->x + previous->cx, t.cx - 7) << "the row ends on the right margin";
    }
}

}  // namespace
