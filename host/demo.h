// The host program's own logic (oemui-host.exe): installs the bundled sample printer model,
// loads the plug-in through the core-driver stand-in, opens the document or printer sheet (or
// runs a simulated print job), walks every page and the dialogs they open, saves screenshots
// and writes a plain-text report of what the plug-in did.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host/coredriver.h"

namespace host::demo {

enum class Mode { Document, Printer, Print };

// Exit codes of the program.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitBadDll = 2,     // missing, unreadable, not a DLL, no exports, no plug-in object
    kExitBadSample = 3,  // a sample model file is missing or broken, or cannot be installed
    kExitRunFailed = 4,  // the sheet could not be shown, a screenshot or the report not saved
};

struct Options {
    Mode mode = Mode::Document;
    std::wstring dllPath;             // the plug-in DLL
    std::wstring sampleDir;           // sample/ of the source tree
    std::wstring binDir;              // where the model's optional library stand-ins were built
    bool mono = false;                // the monochrome model instead of the colour one
    std::wstring screenshotDir;       // non-empty: walk the sheet and save PNGs + report.txt here
    std::wstring reportPath;          // explicit report file (default DIR\report.txt or stdout)
    std::vector<std::wstring> steps;  // core items to step on the stand-in's page, in order
    bool walk = false;                // walk the sheet (and report) without a user, no screenshots
    bool apply = true;  // press Apply after the walk (the scripted sheet is then OK'd)
    bool bench = false;
    int benchRuns = 15;
};

// Parses the arguments after the program name. False with a message on bad usage.
bool ParseArguments(const std::vector<std::wstring>& args, Options& options, std::wstring& error);
const wchar_t* UsageText();

// The names the sample model is installed under.
struct SampleModel {
    const wchar_t* driver;
    const wchar_t* printer;
    const wchar_t* ppd;       // file in sample/
    const wchar_t* dataFile;  // name the PPD gets as the driver's data file
};
const SampleModel& ModelFor(bool mono);

// The sample driver package's INF the build writes beside this program.
std::wstring SampleInfPath();

// Empty when the DLL exists, loads and exports DllGetClassObject and DllCanUnloadNow;
// otherwise a message for the user.
std::wstring CheckPluginDll(const std::wstring& path);
// Empty when every sample file is present and usable; otherwise a message naming the file.
std::wstring CheckSampleModel(const std::wstring& sampleDir, const std::wstring& binDir, bool mono);
// Installs the model as a driver and a printer through the spooler (replacing an earlier
// installation). Empty on success, else a message.
std::wstring InstallSampleModel(const std::wstring& sampleDir, const std::wstring& binDir,
                                bool mono);
// "<driver directory>\3".
std::wstring DriverDirectory3();

// --- The walk --------------------------------------------------------------------------------

// A button of a plug-in page that opens a dialog. `clicks` are the buttons pressed in order:
// the first on the page, each further one in the dialog the previous opened (0 ends).
struct DialogButton {
    WORD pageTemplate;
    WORD clicks[3];
    const wchar_t* name;
    bool ok = false;       // every window closes with OK (its change kept), not Cancel
    WORD choose = 0;       // a control of the page clicked first (the colour mode the button needs)
    bool command = false;  // a layout without the button: its command goes to the page
};
// Dialog templates of the plug-in that no page opens on its own yet: shown as laid out.
struct TemplatePreview {
    WORD templateId;
    const wchar_t* name;
};

struct PageShot {
    std::wstring title;        // the tab text
    int templateId = -1;       // -1 for the stand-in's page
    bool linkLibrary = false;  // template of the link-page library
    std::wstring file;         // PNG file name, empty when not saved
};

struct DialogShot {
    std::wstring what;     // "Job Options: Watermarks..."
    std::wstring caption;  // caption of the window that opened, empty when none opened
    std::wstring file;
    std::wstring note;  // why nothing was captured
    // What the button's dialogs changed, on the first window of each button: wanted values of
    // the sheet's map, fields of the plug-in's record, sections of the plug-in INI file.
    bool changesKnown = false;
    std::vector<std::wstring> changes;
};

struct StepResult {
    std::wstring item;
    std::wstring before;
    std::wstring after;
    bool found = false;
};

struct PrintEvent {
    std::wstring name;
    int escape = 0;
    HRESULT result = S_OK;
    bool resultWritten = false;
    int piResult = 0;
    std::wstring detail;  // what the plug-in answered in an output buffer
};

// Everything the report shows.
struct Session {
    std::wstring error;  // why the run stopped (with a non-zero exit code)
    Mode mode = Mode::Document;
    std::wstring dllPath;
    std::wstring printer;
    std::wstring driver;
    std::vector<std::string> calls;  // the stand-in's calls into the plug-in
    std::vector<PageShot> pages;
    std::vector<DialogShot> dialogs;
    std::vector<StepResult> steps;
    bool applied = false;
    std::vector<UpdateRecord> pushes;  // DrvUpdateUISetting calls, in order
    std::vector<BYTE> recordBefore;    // the plug-in's record before the sheet opened
    std::vector<BYTE> recordAfter;     // ... and after it closed
    std::vector<std::wstring> iniChanges;
    std::wstring dataFile;  // the driver's user data file, where users' saves go
    std::vector<std::wstring> dataChanges;
    std::vector<std::wstring> notes;  // honest remarks (methods not implemented, ...)
    // Print mode.
    DWORD jobId = 0;
    bool realJob = false;
    std::vector<PrintEvent> events;
    std::wstring sectionName;
    std::wstring published;  // the application name found in the section
    bool sectionFound = false;
    bool mutexFound = false;
};

// Names of the record's fields with their values, one "Name = value" line each; a field that
// differs from `before` (when given) ends with "(was ...)".
std::vector<std::string> DescribeRecord(const std::vector<BYTE>& record,
                                        const std::vector<BYTE>* before);
// One line per DrvUpdateUISetting call.
std::string DescribePush(const UpdateRecord& push, const OptionTree* tree);
// UTF-8 text of a wide string, for the report.
std::string Utf8(const std::wstring& s);

// INI file contents: section -> (key, value) lines in file order.
struct IniSnapshot {
    std::vector<std::pair<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>>>
        sections;
};
IniSnapshot ReadIni(const std::wstring& path);
// The user data file the plug-in saves to for this printer's driver; empty when none is found.
std::wstring UserDataFileOf(const std::wstring& printerName);
// Lines describing what changed, by section: added, removed and changed keys.
std::vector<std::wstring> DiffIni(const IniSnapshot& before, const IniSnapshot& after);

std::string BuildReport(const Session& session, const OptionTree* tree);
// The few closing lines of the console output: pages, dialogs opened, pushes, fields changed
// (or the print job's events) and where the screenshots and report went.
std::string BuildSummary(const Session& session, const std::wstring& outputDir);

// Walks a shown modeless sheet: every page (screenshot when `dir` is set), every dialog the
// pages open through the buttons of the walk table, the template previews, the scripted steps
// on the stand-in's page and Apply.
void WalkSheet(CoreDriver& core, const Options& options, const std::wstring& prefix,
               Session& session);

// Presses `trigger` with modal-window capture armed: each modal window that opens is saved as
// `<dir>\<baseName>[-n].png` and closed (clicking `nextClicks` first, one per nesting level),
// with Cancel, or with OK when `closeWithOk`.
// Returns what was seen, in the order the windows opened.
std::vector<DialogShot> CaptureModals(void (*trigger)(void*), void* context,
                                      const std::wstring& dir, const std::wstring& baseName,
                                      const std::vector<WORD>& nextClicks,
                                      bool closeWithOk = false);

// Times the document (or printer) sheet: medians over `runs` of loading the DLL up to every page
// initialised, and of closing and reopening the sheet with the DLL loaded. The printer and
// model must be installed. Returns the figures as text; false with `error` set on failure.
bool RunBench(const Options& options, std::string& text, std::wstring& error);

// Runs the program; the report goes to the report file or stdout. Returns the exit code.
int Run(const Options& options);
// The same, with the session kept for the caller (tests).
int RunSession(const Options& options, Session& session, std::string& report);

}  // namespace host::demo
