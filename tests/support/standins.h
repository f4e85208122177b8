// Observing the stand-ins of the optional model libraries and answering modal windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testenv {

// The call log the stand-in libraries append to while this object lives.
class StandInLog {
public:
    StandInLog();
    ~StandInLog();
    StandInLog(const StandInLog&) = delete;
    StandInLog& operator=(const StandInLog&) = delete;
    std::vector<std::string> Lines() const;
    void Clear();

private:
    std::wstring path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::wstring name_;
    std::wstring old_;
    bool hadOld_ = false;
};

// Watches the modal windows (message boxes, dialogs) this thread opens: records each one's
// caption and message text when it is activated, then runs `answer` on it (by default it
// closes it with IDOK).
class ModalWatcher {
public:
    using Answer = std::function<void(HWND)>;
    explicit ModalWatcher(Answer answer = nullptr);
    ~ModalWatcher();
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    struct Seen {
        std::wstring caption;
        std::wstring text;  // the message of a message box (control 0xFFFF), if any
    };
    std::vector<Seen> seen;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    Answer answer_;
    std::vector<HWND> answered_;
    ModalWatcher* previous_ = nullptr;
};

// Adds a message box's text to `texts` and closes it with `answer` (IDOK, IDCANCEL, ...).
void AnswerBox(HWND box, int answer, std::vector<std::wstring>& texts);

// An INI file in the temporary folder, deleted with the object. Without content the file does
// not exist until something writes to it.
class TempIni {
public:
    TempIni();
    explicit TempIni(const std::string& content);
    ~TempIni();
    TempIni(const TempIni&) = delete;
    TempIni& operator=(const TempIni&) = delete;
    // A value of section "DisplayAllert" (the warning flags), "<none>" when absent.
    std::wstring Read(const wchar_t* key) const;
    std::wstring path;
};

// Runs test steps inside a modal dialog's own message loop: Post(dialog) from the moment the
// dialog is up (e.g. from a ModalWatcher answer), and `steps` runs as a posted message, so that
// message boxes the steps cause open and close as they would for a user.
class StepRunner {
public:
    StepRunner();
    ~StepRunner();
    StepRunner(const StepRunner&) = delete;
    StepRunner& operator=(const StepRunner&) = delete;

    void Post(HWND dialog) { PostMessageW(window_, WM_APP, reinterpret_cast<WPARAM>(dialog), 0); }
    std::function<void(HWND)> steps;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

}  // namespace testenv
