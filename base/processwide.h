// The plug-in's mutable process-wide variables, every one of them, and why each must outlive a
// single sheet or call. Everything else (a sheet's settings, a dialog's working copies, the page
// that opened a dialog) lives in the sheet's map or in the dialog's own state record.
//
// The core driver loads one copy of the DLL per process and may run several sheets, print jobs
// and printer events in it at once, on different threads; a variable below is therefore either
// set once, counted atomically, or guarded as its row says. tools/processwide.py (the
// `process_wide_variables` test) fails when the code and this table disagree.
//
// They live at namespace scope (or are constant-initialised atomics), made when the DLL loads:
// the plug-in is built without thread-safe guards for function-local statics, because the
// runtime's guard leaves a record of each calling thread (a thread handle and an event) that
// outlives a plug-in the core driver unloads after every sheet.
//
// Rows: name, file, why.
//
// COM server and module
//   ModuleHandle        base/pluginstate.cpp          this module (DllMain); every own resource
//                                                     comes from it
//   LinkResourceModule  base/pluginstate.cpp          the link page's resource library, loaded
//                                                     once, freed at detach
//   ObjectCount         plugin/object.cpp             live plug-in objects, for DllCanUnloadNow
//                                                     (interlocked)
//   LockCount           plugin/object.cpp             IClassFactory::LockServer count (interlocked)
//
// The one-time system check (set once, before any sheet is shown)
//   OsVersion           base/pluginstate.cpp          the system version the check read
//   OsCheckDone         base/pluginstate.cpp          the check has run
//   IsVistaOrLater      base/pluginstate.cpp          system major version 6 or later
//   WinHelpAnswer       base/pluginstate.cpp          the system's WinHelp viewer answers context
//                                                     help (read at the first help request,
//                                                     interlocked)
//
// Read caches, owned by one thread at a time
//   cache               base/config.cpp               driver information and INI sections read
//                                                     for the sheet being built, the second handle
//                                                     on its printer and the network library it
//                                                     loaded (freed when the sheet ends)
//   CacheHolder         base/config.cpp               the thread whose sheet holds that cache
//                                                     (interlocked)
//   pictures            ui/color/colorpage.cpp        the colour-mode pictures, built on the Color
//                                                     page's first paint, freed when it goes
//
// Print jobs
//   KeptJobs            docevent/docevent.cpp         named objects of recent jobs: they must
//                                                     outlive the job's call
//   KeptJobCount        docevent/docevent.cpp         next slot of that ring (interlocked)
//
// Sheet-wide words the core driver's own page and ours share
//   SheetFlags          base/pluginstate.cpp          the core driver's page and a plug-in page
//                                                     have been seen
//
// Warnings shown once per process
//   CopiesWarningArmed  ui/jobopts/jobnamedialog.cpp  "copies set to one" is due again only after
//                                                     the normal job type was chosen, in any later
//                                                     sheet too
//
// Link control
//   LinkFont            ui/color/colorpage.cpp        the Color page's underlined link font, made
//                                                     on refresh, freed when the page is left
//
// Control look-up (one block per thread, in the system's thread-local storage)
//   FoundBlocks         ui/common/controls.cpp        every thread's block of controls found by id
//                                                     (GetDlgItem is a window-server trip on
//                                                     Wine), freed when the plug-in is unloaded
//   FoundTlsSlot        ui/common/controls.cpp        the storage slot of those blocks (set once,
//                                                     interlocked)
//   FoundListReady      ui/common/controls.cpp        the list of blocks is set up (interlocked)
//
// Integrator trace (atomics)
//   source              base/trace.cpp                where the trace level is read and when it was
//                                                     read
//   level               base/trace.cpp                the highest line level any output wants
//   outputs             base/trace.cpp                each output's level, the event provider's
//                                                     registration (made when the DLL loads,
//                                                     released at detach; the system's enable
//                                                     callback writes the level) and whether
//                                                     the process line is due
//   lastChoice          base/trace.cpp                the last model-section choice traced, to
//                                                     trace each once
//
// Benchmark build only (OEMUI_PHASE_TIMER)
//   table               base/phasetimer.h             the phase timings the benchmark reads back
#pragma once
