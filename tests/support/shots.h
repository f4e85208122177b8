// What a screenshot file shows: the PNG is decoded with WIC and compared with the window it was
// taken of, so that a test learns more than that some file was written.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace testenv {

// A decoded PNG: its size and how many different colours its pixels use.
struct PngPicture {
    bool decoded = false;
    unsigned width = 0;
    unsigned height = 0;
    size_t colours = 0;
};
PngPicture ReadPng(const std::wstring& path);

// A screenshot taken: where it went, whether saving said it worked, and the size of the window
// (frame included) when it was taken.
struct Shot {
    std::wstring path;
    bool saved = false;
    SIZE window = {};
};
// Saves the screen pixels of a visible window to `path` as they are now.
Shot SaveShot(HWND window, const std::wstring& path);
// Shows a dialog, paints it and its controls afresh and saves it as `name` in ShotFolder(),
// replacing an older picture of that name.
Shot ShootDialog(HWND dialog, const wchar_t* name);

// The shot's file is a PNG of the window's size whose pixels are not one flat colour.
::testing::AssertionResult ShowsTheWindow(const Shot& shot);

}  // namespace testenv
