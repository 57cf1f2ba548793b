#pragma once

#include "Clock.h"
#include "FileChooser.h"
#include "Files.h"
#include "HelpViewer.h"
#include "Launcher.h"
#include "Messages.h"
#include "SettingsStore.h"

// The program's ways out of the process, handed to every window and routine that needs one.
struct Platform
{
    Clock& clock;
    Messages& messages;
    SettingsStore& settings;
    Files& files;
    Launcher& launcher;
    HelpViewer& help;
    FileChooser& fileChooser;
};
