#pragma once

#include "SharedState.h"

#include <memory>

class frmMain;

// Code of a window unloaded while it was being loaded: the first-run cancel path, shown as nothing.
inline constexpr int WindowUnloadedCode = 364;

struct StartupResult
{
    std::unique_ptr<frmMain> window; // shown; null when start-up ended
    int failureCode = 0;             // 0 when nothing failed
};

// Start-up: takes the lock file beside Mileage.mdb in the program folder and opens the store,
// reads the distance unit, loads the main window and shows it. A failure shows its numeric code
// (nothing for 364) and ends start-up; a lock held by another running Kelmot or a restore is
// said in plain words.
StartupResult Main(SharedState& state);

// The system locale, or en_GB when the system reports C/POSIX.
void SetUpLocale();
