#pragma once

#include "Fakes.h"
#include "Platform.h"
#include "SharedState.h"

#include <QTemporaryDir>

#include <memory>

// Pins the en_GB locale and keeps QStandardPaths away from the user's real files.
// Call from initTestCase() of every test.
void PinTestEnvironment();

// A program folder in a temporary directory with fakes for every seam, and a shared state
// built on them. withStore makes an empty Mileage.mdb in the folder and opens it.
class TestPlatform
{
public:
    explicit TestPlatform(bool withStore = true);
    ~TestPlatform();

    QString storePath() const;
    Platform platform();

    QTemporaryDir folder;
    QTemporaryDir temp;
    FakeClock clock;
    FakeMessages messages;
    FakeSettings settings;
    FakeFiles files;
    FakeLauncher launcher;
    FakeHelpViewer help;
    FakeFileChooser fileChooser;
    std::unique_ptr<SharedState> state;
};
