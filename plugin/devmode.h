// The plug-in's private DEVMODE extension.
#pragma once

#include "contract/oemcontract.h"

namespace oemui {

inline constexpr DWORD kPrivateDevmodeSize = 3920;

}  // namespace oemui
