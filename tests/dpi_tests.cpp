// Pictures at 150 % and 200 %: the plug-in's drawing routines paint each picture of the Color
// page, the Job Options page, the About dialog and the Calder dialog scaled for the DPI its
// window has and centred in its control. Wine reads a program's DPI from the user's
// "LogPixels" when the program starts, so the test sets it and runs itself again at each DPI;
// the pictures' drawn bounds are then measured on the screen, in the templates as they are
// laid out at that DPI.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "resource.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/wineconfig.h"
#include "ui/common/dialogs.h"
#include "base/handles.h"

namespace {

constexpr wchar_t kDpiVariable[] = L"OEMUI_TEST_DPI";
constexpr COLORREF kGround = RGB(1, 130, 2);  // painted under every picture before it is drawn

struct PictureCase {
    UINT dialog;
    int control;
    int bitmap;
    bool framed;      // drawn with a 2-pixel frame, opaque (else magenta is transparent)
    int besideRadio;  // the radio whose row the picture stands on, 0 for none
};
constexpr PictureCase kPictures[] = {
    {IDD_COLOR_PAGE, 1600, IDB_COLORMODE_AUTOMATIC, false, 1605},
    {IDD_COLOR_PAGE, 1601, IDB_COLORMODE_CALDER, false, 1606},
    {IDD_COLOR_PAGE, 1602, IDB_COLORMODE_MERIDAN, false, 1607},
    {IDD_COLOR_PAGE, 1603, IDB_COLORMODE_NO_MATCH, false, 1608},
    {IDD_COLOR_PAGE, 1604, IDB_COLORMODE_GREYSCALE, false, 1609},
    {IDD_COLOR_PAGE, IDC_LINK_PICTURE, IDB_LINK, false, 0},
    {IDD_JOB_OPTIONS_PAGE, 1501, IDB_RESOLUTION_HIGH, true, 0},
    {IDD_ABOUT, 1567, IDB_ABOUT_LOGO, false, 0},
    {IDD_CALDER_COLOR, 1214, IDB_COLOR_SAMPLE, true, 0},
};

INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The template shown on the screen with nothing drawn in its owner-drawn controls.
class Shown {
public:
    explicit Shown(UINT id) {
        const bool page = id == IDD_COLOR_PAGE || id == IDD_JOB_OPTIONS_PAGE;
        if (page) {
            parent_ = CreateWindowExW(0, L"STATIC", L"sheet", WS_POPUP | WS_VISIBLE, 0, 0, 1200,
                                      900, nullptr, nullptr, nullptr, nullptr);
        }
        window_ = CreateDialogParamW(testenv::PluginModule(), MAKEINTRESOURCEW(id), parent_,
                                     QuietProc, 0);
        if (window_ != nullptr) {
            SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
            UpdateWindow(window_);
        }
    }
    ~Shown() {
        if (window_ != nullptr) DestroyWindow(window_);
        if (parent_ != nullptr) DestroyWindow(parent_);
    }
    HWND get() const { return window_; }
    RECT RectOf(int id) const {
        RECT r = {};
        GetWindowRect(GetDlgItem(window_, id), &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
};

// The bounds of what differs from kGround inside `area` of the window.
RECT DrawnBounds(HWND window, const RECT& area) {
    oemui::WindowDc dc(window);
    RECT bounds = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            if (GetPixel(dc.get(), x, y) == kGround) continue;
            bounds = {std::min(bounds.left, x), std::min(bounds.top, y),
                      std::max(bounds.right, x + 1), std::max(bounds.bottom, y + 1)};
        }
    }
    return bounds;
}

// The bounds of the bitmap's pixels that are not the magenta key, at 96 DPI.
RECT OpaqueBounds(int bitmap, SIZE& size) {
    oemui::UniqueGdiObject image(LoadImageW(testenv::PluginModule(), MAKEINTRESOURCEW(bitmap),
                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib = {};
    GetObjectW(image.get(), sizeof(dib), &dib);
    size = {dib.dsBm.bmWidth, dib.dsBm.bmHeight};
    oemui::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    oemui::SelectGuard select(dc.get(), image.get());
    RECT bounds = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = 0; y < size.cy; ++y) {
        for (LONG x = 0; x < size.cx; ++x) {
            if (GetPixel(dc.get(), x, y) == RGB(255, 0, 255)) continue;
            bounds = {std::min(bounds.left, x), std::min(bounds.top, y),
                      std::max(bounds.right, x + 1), std::max(bounds.bottom, y + 1)};
        }
    }
    return bounds;
}

TEST(Dpi, PicturesAreScaledAndCentredAt150And200Percent) {
    const std::wstring self = testenv::TestBinDir() + L"\\dpi_tests.exe";
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        oemui::UniqueRegKey desktop;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, desktop.put(), nullptr),
                  ERROR_SUCCESS);
        const DWORD value = static_cast<DWORD>(dpi);
        RegSetValueExW(desktop.get(), L"LogPixels", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&value), sizeof(value));
        SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
        int exitCode = -1;
        const std::string output =
            testenv::RunAndCapture(L"\"" + self + L"\" --gtest_filter=DpiAtStart.*", &exitCode);
        SetEnvironmentVariableW(kDpiVariable, nullptr);
        RegDeleteValueW(desktop.get(), L"LogPixels");
        EXPECT_EQ(exitCode, 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    }
}

// Runs in the program started by the test above, at the DPI it asks for.
TEST(DpiAtStart, EveryPictureFillsItsControlCentred) {
    wchar_t asked[16] = {};
    if (GetEnvironmentVariableW(kDpiVariable, asked, 16) == 0) {
        GTEST_SKIP() << "started by Dpi.PicturesAreScaledAndCentredAt150And200Percent";
    }
    const int dpi = _wtoi(asked);
    {
        oemui::WindowDc screen(nullptr);
        ASSERT_EQ(GetDeviceCaps(screen.get(), LOGPIXELSY), dpi) << "Wine did not take the DPI";
    }
    testenv::UseCommonControls();
    for (const PictureCase& p : kPictures) {
        SCOPED_TRACE(testing::Message() << "template " << p.dialog << ", control " << p.control);
        Shown shown(p.dialog);
        ASSERT_NE(shown.get(), nullptr);
        const RECT control = shown.RectOf(p.control);
        // A margin of ground around the control shows a picture that spills over it.
        RECT area = control;
        InflateRect(&area, 12, 12);
        {
            oemui::WindowDc dc(shown.get());
            oemui::UniqueBrush ground(CreateSolidBrush(kGround));
            FillRect(dc.get(), &area, ground.get());
        }
        if (p.framed) {
            oemui::DrawDibResourceFramed(shown.get(), testenv::PluginModule(), p.bitmap, p.control);
        } else {
            oemui::DrawTransparentBitmap(shown.get(), testenv::PluginModule(), p.control, p.bitmap);
        }
        const RECT drawn = DrawnBounds(shown.get(), area);
        ASSERT_LT(drawn.left, drawn.right) << "nothing drawn";

        // What should show: the picture's opaque part (with the frame) scaled by dpi / 96,
        // or less where the control is smaller, centred in the control.
        SIZE size = {};
        RECT opaque = OpaqueBounds(p.bitmap, size);
        const int frame = p.framed ? 2 : 0;
        if (p.framed) opaque = {0, 0, size.cx, size.cy};
        const double room =
            std::min(static_cast<double>(control.right - control.left - 2 * frame) / size.cx,
                     static_cast<double>(control.bottom - control.top - 2 * frame) / size.cy);
        const double scale = std::min(dpi / 96.0, room);
        const double width = size.cx * scale;
        const double height = size.cy * scale;
        const double left = (control.left + control.right - width) / 2;
        const double top = (control.top + control.bottom - height) / 2;
        const double tolerance = 2.5 + frame;
        EXPECT_NEAR(drawn.left, left + opaque.left * scale - frame, tolerance);
        EXPECT_NEAR(drawn.top, top + opaque.top * scale - frame, tolerance);
        EXPECT_NEAR(drawn.right, left + opaque.right * scale + frame, tolerance);
        EXPECT_NEAR(drawn.bottom, top + opaque.bottom * scale + frame, tolerance);
        // Scaled, not drawn at its 96-DPI size; inside the control, not spilling over it.
        EXPECT_GT(scale, 1.2) << "the control should have grown with the DPI";
        EXPECT_TRUE(drawn.left >= control.left && drawn.top >= control.top &&
                    drawn.right <= control.right && drawn.bottom <= control.bottom);
        if (p.besideRadio != 0) {
            const RECT radio = shown.RectOf(p.besideRadio);
            const LONG middle = (drawn.top + drawn.bottom) / 2;
            EXPECT_TRUE(middle > radio.top && middle < radio.bottom)
                << "the picture's middle " << middle << " is off its radio's row " << radio.top
                << ".." << radio.bottom;
        }
    }
}

}  // namespace
