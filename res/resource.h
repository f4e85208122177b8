// Resource identifiers of the plug-in DLL.
#pragma once

#define OEMUI_VERSION_MAJOR 1
#define OEMUI_VERSION_MINOR 0
#define OEMUI_VERSION_BUILD 0
#define OEMUI_VERSION_STRING "1.0.0"
