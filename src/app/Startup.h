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
// reads the distance unit, loads the main window and shows it. A failure ends start-up with a box
// that shows its numeric code, then what is wrong in plain words and the store's file (nothing at
// all for 364); a lock held by another running Kelmot or a restore is one such failure.
StartupResult Main(SharedState& state);

// The system locale, or en_GB when the system reports C/POSIX.
void SetUpLocale();
