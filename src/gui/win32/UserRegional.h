#pragma once
// The regional settings of the Windows user locale (GetLocaleInfoEx).

#include "platform/regional/RegionalSettings.h"

namespace ob::win32 {

regional::RegionalSettings regionalFromUserLocale();

} // namespace ob::win32
