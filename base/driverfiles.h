// Names of driver files read from the model's configuration, and the loading of the model's
// libraries. The configuration files are data any administrator of a printer, and on some
// systems any user, may have edited; what they name is loaded into every printing process and
// into the spooler. So a name may only name a file of the driver directory, and a library's
// own imports come from its folder or the system folder, never from the current directory or
// the PATH.
#pragma once

#include <windows.h>

#include "base/handles.h"

namespace oemui {

// True for a plain file name: not empty, no '\\' or '/', no ':' (drive or stream), and not a
// name made of dots and spaces only (".", "..", ". ." name the folder or its parent once the
// system trims trailing dots and spaces). `key` names the configuration value in the trace
// line written for a refused name.
bool IsDriverFileName(const wchar_t* name, const wchar_t* key);

// Loads a library by its full path; its dependencies are searched in its own folder and the
// system folder only. Falls back to LOAD_WITH_ALTERED_SEARCH_PATH on systems that refuse those
// search flags. A relative path loads nothing. `what` names the library in the trace.
UniqueModule LoadModelLibrary(const wchar_t* fullPath, const wchar_t* what);

// Loads a system library (a bare name such as "spoolss.dll") from the system folder only.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// Maps a library by its full path for its resources only: no code of it runs and nothing it
// imports is loaded. Empty when the path is relative or the file is not a usable image.
UniqueModule LoadResourceLibrary(const wchar_t* fullPath, const wchar_t* what);

}  // namespace oemui
