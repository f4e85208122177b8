#include "tests/support/standins.h"

#include "tests/support/testprinters.h"

#include <cwchar>

namespace testenv {

StandInLog::StandInLog() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ =
        std::wstring(temp) + L"oemui-standin-" + std::to_wstring(GetCurrentProcessId()) + L".log";
    DeleteFileW(path_.c_str());
    SetEnvironmentVariableW(L"OEMUI_STANDIN_LOG", path_.c_str());
}

StandInLog::~StandInLog() {
    SetEnvironmentVariableW(L"OEMUI_STANDIN_LOG", nullptr);
    DeleteFileW(path_.c_str());
}

std::vector<std::string> StandInLog::Lines() const {
    std::vector<std::string> lines;
    std::string content = ReadFileBytes(path_);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void StandInLog::Clear() { DeleteFileW(path_.c_str()); }

ScopedEnv::ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buffer[1024];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    if (n > 0 && n < 1024) {
        old_ = buffer;
        hadOld_ = true;
    }
    SetEnvironmentVariableW(name, value);
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableW(name_.c_str(), hadOld_ ? old_.c_str() : nullptr);
}

namespace {
thread_local ModalWatcher* current = nullptr;
}

ModalWatcher::ModalWatcher(Answer answer) : answer_(std::move(answer)) {
    previous_ = current;
    current = this;
    hook_ = SetWindowsHookExW(WH_CBT, &ModalWatcher::Hook, nullptr, GetCurrentThreadId());
}

ModalWatcher::~ModalWatcher() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    current = previous_;
}

LRESULT CALLBACK ModalWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
    ModalWatcher* self = current;
    if (code == HCBT_ACTIVATE && self != nullptr) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(hwnd, className, 32);
        const bool dialog = wcscmp(className, L"#32770") == 0;
        // Activation repeats when focus comes back to a window: record and answer it once.
        bool known = false;
        for (HWND h : self->answered_) known = known || h == hwnd;
        if (dialog && !known) {
            self->answered_.push_back(hwnd);
            Seen s;
            wchar_t text[1024] = {};
            GetWindowTextW(hwnd, text, 1024);
            s.caption = text;
            text[0] = L'\0';
            GetDlgItemTextW(hwnd, 0xFFFF, text, 1024);
            s.text = text;
            self->seen.push_back(s);
            if (self->answer_) {
                self->answer_(hwnd);
            } else {
                PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void AnswerBox(HWND box, int answer, std::vector<std::wstring>& texts) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    texts.push_back(text);
    PostMessageW(box, WM_COMMAND, answer, 0);
}

StepRunner::StepRunner() {
    WNDCLASSW cls = {};
    cls.lpfnWndProc = &StepRunner::Proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"OemuiTestStepRunner";
    RegisterClassW(&cls);  // fails harmlessly when already registered
    window_ = CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            cls.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

StepRunner::~StepRunner() { DestroyWindow(window_); }

LRESULT CALLBACK StepRunner::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        auto* self = reinterpret_cast<StepRunner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && self->steps) self->steps(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TempIni::TempIni() {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    wchar_t file[MAX_PATH] = {};
    GetTempFileNameW(dir, L"ini", 0, file);
    path = file;
    DeleteFileW(file);
}

TempIni::TempIni(const std::string& content) : TempIni() { WriteFileBytes(path, content); }

TempIni::~TempIni() { DeleteFileW(path.c_str()); }

std::wstring TempIni::Read(const wchar_t* key) const {
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"DisplayAllert", key, L"<none>", value, 64, path.c_str());
    return value;
}

}  // namespace testenv
