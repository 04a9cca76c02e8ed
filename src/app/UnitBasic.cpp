#include "app/UnitBasic.h"

#include "platform/Platform.h"
#include "qttext/QtText.h"
#include "system/Files.h"

#include <QApplication>
#include <QFont>

namespace mendora {

std::string programFolder;
std::string settingsFolder;

std::string programFolderOf(const std::string &executablePath) {
    return executablePath.substr(0, files::fileNameStart(executablePath));
}

std::string settingsFolderOf(const std::string &programFolder) {
    if (files::folderIsWritable(programFolder.empty() ? "." : programFolder))
        return programFolder;
    const std::string sep(1, files::kSeparator);
    const std::string folder = files::userConfigFolder() + sep + "Corvanta" + sep + "Mendora";
    // When it cannot be made, saving there fails with the usual message.
    files::makeFolders(folder);
    return folder + sep;
}

std::vector<std::string> commandLinePaths(const QStringList &arguments) {
    std::vector<std::string> paths;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].isEmpty())
            paths.push_back(files::absolutePath(nativePath(arguments[i])));
    return paths;
}

ProductIdentity productIdentity() {
    // Companion names that begin with a separator are joined to the program
    // folder as they are, doubled separator included.
    const std::string sep(1, files::kSeparator);
    ProductIdentity id;
    id.AboutCaption = "About";
    id.CompanyName = "Corvanta";
    id.ProductName = "Mendora Pro";
    id.VersionNumber = "2.12";
    id.VersionText = "Version:" + id.VersionNumber;
    id.EditionText = "General";
    id.CopyrightYears = "2002-2003";
    id.CompanyFullName = "Corvanta Software, Inc.";
    id.HomepageUrl = "https://www.example.com/mendora/";
    id.SupportMail = "support@example.com";
    id.CatalogueFolder = "more" + sep;
    id.CounterFileName = sep + "Mendora.ini";
    id.HelpFileName = sep + "MendoraHelp.chm";
    id.MoreStartPage = 1;
    return id;
}

void installFonts() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Serif"), {QStringLiteral("Liberation Serif"),
                                                            QStringLiteral("DejaVu Serif")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"), {QStringLiteral("Liberation Mono"),
                                                               QStringLiteral("DejaVu Sans Mono")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

} // namespace mendora
