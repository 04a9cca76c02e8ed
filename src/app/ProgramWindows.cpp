#include "app/ProgramWindows.h"

namespace mendora {

ProgramWindows::ProgramWindows(const std::string &executablePath)
    : main(executablePath), about(programFolder, &main), more(&main), form2(settingsFolder, &main),
      thank(&main) {
    AboutForm = &about;
    MoreForm = &more;
    Form2 = &form2;
    ThankForm = &thank;
}

ProgramWindows::~ProgramWindows() {
    AboutForm = nullptr;
    MoreForm = nullptr;
    Form2 = nullptr;
    ThankForm = nullptr;
}

} // namespace mendora
