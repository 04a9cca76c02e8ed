// A main window started from a temporary program folder with the platform
// fakes installed.
#pragma once

#include "app/Unit1.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

#include <memory>
#include <string>

namespace mendora::test {

class MainWindowFixture {
public:
    // A program folder holding both companion files; the test may change it
    // before start().
    MainWindowFixture();
    ~MainWindowFixture();

    // Starts (or restarts) the main window.
    TMainForm &start();
    TMainForm &window() { return *window_; }
    std::string executable() const { return folder.file("Mendora"); }

    FakePlatform fakes;
    TempDir folder;

private:
    std::unique_ptr<TMainForm> window_;
};

// Processes pending events until `done` holds or `ms` milliseconds pass.
bool waitUntil(const std::function<bool()> &done, int ms = 5000);

} // namespace mendora::test
