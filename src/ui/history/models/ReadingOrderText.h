#pragma once

#include "LogRules.h"

// Why a reading does not fit between the readings dated before and after it, naming them.
QString ReadingOrderText(const LogRules::ReadingBounds& bounds);
