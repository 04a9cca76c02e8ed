// The five windows of a run, created in their fixed order: the main window
// first (its creation step finds the program folder), then About, More
// Software, Preferences and Thank. Each window's global instance pointer
// names it while it lives.
#pragma once

#include "app/Unit1.h"
#include "infowindows/UnitAbout.h"
#include "infowindows/UnitMore.h"
#include "infowindows/UnitThank.h"
#include "settings/Unit2.h"

#include <string>

namespace mendora {

class ProgramWindows {
public:
    explicit ProgramWindows(const std::string &executablePath);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    TMainForm main;
    TAboutForm about;
    TMoreForm more;
    TForm2 form2;
    TThankForm thank;
};

} // namespace mendora
