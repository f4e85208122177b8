// The dialog templates of a module read as the resource compiler wrote them (DLGTEMPLATEEX):
// style, font and, for each control in tab order, its class, style, text, id and place in
// dialog units. Rules checked on these hold whatever fonts the machine has.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testenv {

struct TemplateControl {
    std::wstring cls;  // "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" or a name
    std::wstring text;
    DWORD style = 0;
    int id = 0;
    short x = 0, y = 0, cx = 0, cy = 0;

    bool Is(const wchar_t* name) const { return _wcsicmp(cls.c_str(), name) == 0; }
    bool Visible() const { return (style & WS_VISIBLE) != 0; }
};

struct DialogTemplateInfo {
    UINT id = 0;
    DWORD style = 0;
    short cx = 0, cy = 0;
    WORD pointSize = 0;
    std::wstring face;
    std::wstring caption;
    std::vector<TemplateControl> controls;  // in template (tab) order
    bool parsed = false;

    bool IsPage() const { return (style & WS_CHILD) != 0; }
};

// Every RT_DIALOG resource of `module`, by numeric id, read from its template.
std::vector<DialogTemplateInfo> ReadDialogTemplates(HMODULE module);

}  // namespace testenv
