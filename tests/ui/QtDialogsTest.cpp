// The real Qt message boxes behind the dialog service.
#include "ui/DialogsQt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs `inspect` on the message box once it is shown, then lets `answer` end it.
void whenShown(const std::function<void(QMessageBox &)> &inspect) {
    QTimer::singleShot(0, [inspect] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(*box);
    });
}

TEST(QtDialogs, StandardErrorBox) {
    auto dialogs = mendora::makeQtDialogs();
    whenShown([](QMessageBox &box) {
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.windowTitle(), "Mendora");
        EXPECT_EQ(box.text(), "File not found.");
        EXPECT_EQ(box.buttons().size(), 1);
        EXPECT_EQ(box.standardButton(box.buttons()[0]), QMessageBox::Ok);
        box.buttons()[0]->click();
    });
    dialogs->errorBox(nullptr, "Mendora", "File not found.");
}

TEST(QtDialogs, PlainNotice) {
    auto dialogs = mendora::makeQtDialogs();
    whenShown([](QMessageBox &box) {
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.text(), "pidgen.dll is error.");
        EXPECT_EQ(box.buttons().size(), 1);
        box.buttons()[0]->click();
    });
    dialogs->notice(nullptr, "Mendora", "pidgen.dll is error.");
}

TEST(QtDialogs, ConfirmationYesIsDefaultEscIsNo) {
    auto dialogs = mendora::makeQtDialogs();
    whenShown([](QMessageBox &box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.windowTitle(), "Confirm");
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Yes");
        EXPECT_EQ(box.button(QMessageBox::No)->text(), "&No");
        EXPECT_EQ(static_cast<QAbstractButton *>(box.defaultButton()),
                  box.button(QMessageBox::Yes));
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialogs->confirm(nullptr, "Confirm", "Sure?"));
    whenShown([](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_TRUE(dialogs->confirm(nullptr, "Confirm", "Sure?"));
}

// The save dialog adds the chosen type's extension to a name without one,
// and says which type was chosen whatever the name.
TEST(QtDialogs, SaveDialogAddsTheChosenTypesExtension) {
    auto dialogs = mendora::makeQtDialogs();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const struct {
        int type;
        QString typed;
        QString expected;
    } cases[] = {
        {0, QStringLiteral("list"), QStringLiteral("list.csv")},
        {1, QStringLiteral("list"), QStringLiteral("list.json")},
        {1, QStringLiteral("list.txt"), QStringLiteral("list.txt")},
    };
    for (const auto &c : cases) {
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->nameFilters(),
                      QStringList({"CSV File (*.csv)", "JSON File (*.json)"}));
            dialog->setDirectory(folder.path());
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            ASSERT_NE(types, nullptr);
            // As a choice of the user's: the list shows it, and it is activated.
            types->setCurrentIndex(c.type);
            emit types->activated(c.type);
            emit types->textActivated(types->itemText(c.type));
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(c.typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const auto choice =
            dialogs->saveFile(nullptr, "CSV File|*.csv|JSON File|*.json", "report.csv");
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->path, folder.filePath(c.expected).toStdString())
            << c.expected.toStdString();
        EXPECT_EQ(choice->type, c.type) << c.expected.toStdString();
    }
}

} // namespace
