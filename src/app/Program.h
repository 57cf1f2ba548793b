#pragma once

// How the program runs; benchmarks and tests change what a user never would.
struct ProgramOptions
{
    int splashMilliseconds = 3000;
    // Leave as soon as the main window has been shown and painted (start-up measurements).
    bool exitOnceShown = false;
};

// The whole program: the application object, the real seams, start-up and the event loop.
int RunProgram(int argc, char** argv, const ProgramOptions& options = {});
