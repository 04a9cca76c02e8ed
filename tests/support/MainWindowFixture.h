// The program's windows started from a temporary program folder with the
// platform fakes installed.
#pragma once

#include "app/ProgramWindows.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

#include <QPixmap>
#include <memory>
#include <string>

namespace mendora::test {

class MainWindowFixture {
public:
    // A program folder holding both companion files and the 35 face
    // pictures; the test may change it before start().
    MainWindowFixture();
    ~MainWindowFixture();

    // Creates (or creates again) the five windows; returns the main window.
    TMainForm &start();
    TMainForm &window() { return windows_->main; }
    ProgramWindows &windows() { return *windows_; }
    std::string executable() const { return folder.file("Mendora"); }

    FakePlatform fakes;
    TempDir folder;

private:
    std::unique_ptr<ProgramWindows> windows_;
};

// Writes SystemIco/0.ico ... SystemIco/34.ico into `programFolder`, each a
// one-colour 33 x 33 icon whose colour tells its number (red = n, green = 7).
void writeFacePictures(const std::string &programFolder);
// The number of a face picture written by writeFacePictures, from its pixels;
// -1 when `pixmap` is none of them.
int faceNumber(const QPixmap &pixmap);

// Processes pending events until `done` holds or `ms` milliseconds pass.
bool waitUntil(const std::function<bool()> &done, int ms = 5000);

} // namespace mendora::test
