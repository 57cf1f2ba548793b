// The real program, leaving as soon as its main window has been shown (no splash).
#include "Program.h"

int main(int argc, char** argv)
{
    ProgramOptions options;
    options.splashMilliseconds = 0;
    options.exitOnceShown = true;
    return RunProgram(argc, argv, options);
}
