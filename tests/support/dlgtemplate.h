// Dialog templates assembled in memory, for layouts the plug-in's resources do not have.
#pragma once

#include <windows.h>

#include <cwchar>
#include <vector>

namespace testenv {

class TemplateBuilder {
public:
    TemplateBuilder(short cx, short cy, DWORD style = WS_POPUP | WS_VISIBLE | DS_SETFONT,
                    const wchar_t* font = L"MS Shell Dlg") {
        DLGTEMPLATE t = {};
        t.style = style;
        t.cx = cx;
        t.cy = cy;
        Put(&t, sizeof(t));
        Word(0);  // no menu
        Word(0);  // default class
        Word(0);  // no title
        if (style & DS_SETFONT) {
            Word(8);
            String(font);
        }
    }
    // cls: 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box.
    void Control(WORD cls, int id, short x, short y, short cx, short cy, DWORD style,
                 const wchar_t* text = L"") {
        Align();
        DLGITEMTEMPLATE item = {};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = static_cast<WORD>(id);
        Put(&item, sizeof(item));
        Word(0xFFFF);
        Word(cls);
        String(text);
        Word(0);  // no creation data
        reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit++;
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void Put(const void* p, size_t n) {
        const auto* b = static_cast<const BYTE*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, sizeof(w)); }
    void String(const wchar_t* s) { Put(s, (std::wcslen(s) + 1) * sizeof(wchar_t)); }
    // Each control starts on a DWORD boundary.
    void Align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }
    std::vector<BYTE> bytes_;
};

}  // namespace testenv
