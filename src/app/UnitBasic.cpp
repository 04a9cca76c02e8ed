#include "UnitBasic.h"

#include "Files.h"
#include "Platform.h"

#include <QApplication>
#include <QFont>

std::string ProgramFolder;

std::string ProgramFolderOf(const std::string &executablePath) {
#ifdef _WIN32
    const size_t cut = executablePath.find_last_of("\\:");
#else
    const size_t cut = executablePath.find_last_of('/');
#endif
    return cut == std::string::npos ? std::string() : executablePath.substr(0, cut + 1);
}

void ShellOpen(const std::string &target) {
    mendora::platform::shell().open(target);
}

TProductIdentity MendoraIdentity() {
    // Companion names that begin with a separator are joined to the program
    // folder as they are, doubled separator included.
    const std::string sep(1, mendora::files::kSeparator);
    TProductIdentity id;
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

namespace mendora {

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
