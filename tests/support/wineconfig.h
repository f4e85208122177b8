// Helpers for tests that change what Wine reports or run other programs of the build.
#pragma once

#include <windows.h>

#include <string>

namespace testenv {

// Sets the Windows version Wine reports to one program ("winxp", "win7", "win10"); an empty
// version removes the setting.
bool SetWineVersionFor(const std::wstring& exeName, const std::wstring& version);

// Makes Wine load the file on disk for `module` in one program instead of its own built-in
// copy (Wine substitutes built-ins for system programs such as winhlp32.exe); an empty
// setting removes the override.
bool SetWineNativeOverrideFor(const std::wstring& exeName, const std::wstring& module, bool native);

// Runs a command line, waits for it and returns what it wrote to stdout; exitCode receives
// its exit code (or -1 when it could not start).
std::string RunAndCapture(const std::wstring& commandLine, int* exitCode);

// Folder of the running test program (a Windows path ending without a separator).
std::wstring TestBinDir();

}  // namespace testenv
