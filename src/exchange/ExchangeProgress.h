#pragma once

#include <QtGlobal>
#include <functional>

// Called now and then with the work done out of the total (any unit); false cancels the step.
using ExchangeProgress = std::function<bool(qint64 done, qint64 total)>;
