// The real Qt message boxes behind the dialog service.
#include "ui/DialogsQt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
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

} // namespace
