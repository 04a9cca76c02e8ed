#include "app/UnitBasic.h"

#include "platform/Platform.h"
#include "system/Files.h"

#include <QApplication>
#include <QFont>

namespace mendora {

std::string programFolder;

std::string programFolderOf(const std::string &executablePath) {
    return executablePath.substr(0, files::fileNameStart(executablePath));
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
