#include "ui/DialogsQt.h"

#include "qttext/QtText.h"
#include "ui/Colors.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace mendora {

QStringList qtNameFilters(const std::string &filter) {
    const QStringList parts = qtText(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns =
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        result << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result;
}

namespace {

QString text(const std::string &s) {
    return qtText(s);
}

void messageBox(QWidget *parent, QMessageBox::Icon icon, const std::string &caption,
                const std::string &body) {
    QMessageBox box(icon, text(caption), text(body), QMessageBox::Ok, parent);
    box.exec();
}

// The file types of `filter`, the first one chosen.
void setFilters(QFileDialog &dialog, const std::string &filter) {
    const QStringList filters = qtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
}

class QtDialogs : public platform::Dialogs {
public:
    std::optional<std::vector<std::string>> openFiles(QWidget *parent,
                                                      const std::string &filter) override {
        QFileDialog dialog(parent);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // The descriptions already name their patterns; show them as they are.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        setFilters(dialog, filter);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        std::vector<std::string> paths;
        for (const QString &file : dialog.selectedFiles())
            paths.push_back(nativePath(file));
        return paths;
    }

    std::optional<std::string> chooseFolder(QWidget *parent) override {
        const QString folder = QFileDialog::getExistingDirectory(parent);
        if (folder.isEmpty())
            return std::nullopt;
        return nativePath(folder);
    }

    std::optional<platform::SaveChoice> saveFile(QWidget *parent, const std::string &filter,
                                                 const std::string &suggestedName) override {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        setFilters(dialog, filter);
        dialog.selectFile(qtText(suggestedName));
        // The extension of the chosen type, when the name has none.
        const auto suffixOf = [](const QString &nameFilter) {
            const qsizetype dot = nameFilter.indexOf(QStringLiteral("*."));
            return dot < 0 ? QString()
                           : nameFilter.mid(dot + 2)
                                 .section(QLatin1Char(')'), 0, 0)
                                 .section(QLatin1Char(' '), 0, 0);
        };
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&](const QString &chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const qsizetype type = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
        return platform::SaveChoice{nativePath(dialog.selectedFiles().first()),
                                    static_cast<int>(std::max<qsizetype>(type, 0))};
    }

    std::optional<std::int32_t> pickColor(QWidget *parent, std::int32_t initial) override {
        const QColor chosen = QColorDialog::getColor(colorFromBgr(initial), parent);
        if (!chosen.isValid())
            return std::nullopt;
        return bgrFromColor(chosen);
    }

    void notice(QWidget *parent, const std::string &caption, const std::string &body) override {
        messageBox(parent, QMessageBox::NoIcon, caption, body);
    }

    void errorBox(QWidget *parent, const std::string &caption, const std::string &body) override {
        messageBox(parent, QMessageBox::Critical, caption, body);
    }

    bool confirm(QWidget *parent, const std::string &caption, const std::string &body) override {
        QMessageBox box(QMessageBox::Question, text(caption), text(body),
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
};

} // namespace

std::unique_ptr<platform::Dialogs> makeQtDialogs() {
    return std::make_unique<QtDialogs>();
}

} // namespace mendora
