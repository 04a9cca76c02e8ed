// Program-wide basics: the program folder, the product identity texts and
// the fonts. ShellOpen, the one way of opening a target through the shell,
// comes from the platform layer.
#pragma once

#include "platform/Platform.h"

#include <QStringList>
#include <string>
#include <vector>

namespace mendora {

// The folder of the running executable, with its trailing separator; set
// once by the main window's creation step.
extern std::string programFolder;

// Everything up to and including the last separator of the executable's path.
std::string programFolderOf(const std::string &executablePath);

// The folder of "option.ini" and the run counter, with its trailing
// separator; set by the main window's creation step with the program folder.
extern std::string settingsFolder;

// The program folder when this process may write there (a portable
// installation); otherwise the user's settings folder + "Corvanta/Mendora/",
// made when missing.
std::string settingsFolderOf(const std::string &programFolder);

// The files and folders named on the command line (`arguments` as Qt leaves
// them, the program first), made absolute, in the system's form.
std::vector<std::string> commandLinePaths(const QStringList &arguments);

// The fixed texts that identify the product.
struct ProductIdentity {
    std::string AboutCaption;
    std::string CompanyName;
    std::string ProductName;
    std::string VersionNumber;
    std::string VersionText;
    std::string EditionText;
    std::string CopyrightYears;
    std::string CompanyFullName;
    std::string HomepageUrl;
    std::string SupportMail;
    std::string CatalogueFolder;
    std::string CounterFileName;
    std::string HelpFileName;
    int MoreStartPage = 0;
};

ProductIdentity productIdentity();

// The window fonts, with free look-alikes standing in for the classic ones.
void installFonts();

} // namespace mendora
