#pragma once
// The regional settings of the locale the process runs under (LC_ALL,
// LC_TIME, LC_NUMERIC, LANG), as Qt reads them, turned into the core's plain
// RegionalSettings value.

#include "platform/regional/RegionalSettings.h"

class QLocale;

namespace ob::gui {

regional::RegionalSettings regionalFromLocale(const QLocale& locale);
regional::RegionalSettings regionalFromSystemLocale();

} // namespace ob::gui
