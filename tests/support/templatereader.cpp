#include "tests/support/templatereader.h"

#include <cstring>

namespace testenv {

namespace {

// Reads the parts of a DLGTEMPLATEEX in order, each WORD-aligned, items DWORD-aligned.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return static_cast<short>(Take<WORD>()); }
    BYTE Byte() {
        if (at_ + 1 > size_) return Fail<BYTE>();
        return data_[at_++];
    }
    std::wstring String() {
        std::wstring out;
        for (WORD c = Word(); ok_ && c != 0; c = Word()) out.push_back(static_cast<wchar_t>(c));
        return out;
    }
    // A string or 0xFFFF and an ordinal; ordinals come back as "#<number>".
    std::wstring StringOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring out;
        for (WORD c = first; ok_ && c != 0; c = Word()) out.push_back(static_cast<wchar_t>(c));
        return out;
    }
    void Skip(size_t bytes) { at_ = at_ + bytes <= size_ ? at_ + bytes : Fail<size_t>(); }
    void AlignTo(size_t boundary) {
        while (at_ % boundary != 0 && at_ < size_) ++at_;
    }

private:
    template <typename T>
    T Take() {
        if (at_ + sizeof(T) > size_) return Fail<T>();
        T value;
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    template <typename T>
    T Fail() {
        ok_ = false;
        at_ = size_;
        return T{};
    }
    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Predefined control classes as the template gives them (atoms 0x80..0x85).
std::wstring ClassName(const std::wstring& raw) {
    static const wchar_t* const kAtoms[] = {L"Button",  L"Edit",      L"Static",
                                            L"ListBox", L"ScrollBar", L"ComboBox"};
    if (raw.size() > 1 && raw[0] == L'#') {
        const unsigned atom = std::stoul(raw.substr(1));
        if (atom >= 0x80 && atom <= 0x85) return kAtoms[atom - 0x80];
    }
    return raw;
}

DialogTemplateInfo Parse(UINT id, const BYTE* data, size_t size) {
    DialogTemplateInfo info;
    info.id = id;
    Reader r(data, size);
    const WORD version = r.Word();
    const WORD signature = r.Word();
    if (version != 1 || signature != 0xFFFF) return info;  // only extended templates here
    r.Dword();                                             // help id
    r.Dword();                                             // extended style
    info.style = r.Dword();
    const WORD count = r.Word();
    r.Short();
    r.Short();
    info.cx = r.Short();
    info.cy = r.Short();
    r.StringOrOrdinal();  // menu
    r.StringOrOrdinal();  // class
    info.caption = r.String();
    if ((info.style & DS_SETFONT) != 0) {
        info.pointSize = r.Word();
        r.Word();  // weight
        r.Byte();  // italic
        r.Byte();  // character set
        info.face = r.String();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignTo(4);
        TemplateControl c;
        r.Dword();  // help id
        r.Dword();  // extended style
        c.style = r.Dword();
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = static_cast<int>(r.Dword());
        c.cls = ClassName(r.StringOrOrdinal());
        c.text = r.StringOrOrdinal();
        r.Skip(r.Word());  // creation data
        info.controls.push_back(c);
    }
    info.parsed = r.ok() && info.controls.size() == count;
    return info;
}

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
    if (IS_INTRESOURCE(name)) {
        reinterpret_cast<std::vector<UINT>*>(out)->push_back(
            static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    }
    return TRUE;
}

}  // namespace

std::vector<DialogTemplateInfo> ReadDialogTemplates(HMODULE module) {
    std::vector<UINT> ids;
    EnumResourceNamesW(module, RT_DIALOG, &CollectId, reinterpret_cast<LONG_PTR>(&ids));
    std::vector<DialogTemplateInfo> out;
    for (UINT id : ids) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
        HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
        const auto* data =
            loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
        out.push_back(data != nullptr ? Parse(id, data, SizeofResource(module, found))
                                      : DialogTemplateInfo{id});
    }
    return out;
}

}  // namespace testenv
