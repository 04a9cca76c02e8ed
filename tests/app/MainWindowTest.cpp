// The main window's layout, menus, toolbar, link label and shell targets.
#include "infowindows/UnitAbout.h"
#include "infowindows/UnitMore.h"
#include "settings/Unit2.h"
#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mendora::test;

namespace {

class MainWindow : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override { start(); }
};

QRect geometryOf(const QWidget *w) {
    return w->geometry();
}

TEST_F(MainWindow, DesignedSizeAndPositions) {
    TMainForm &w = window();
    w.show();
    EXPECT_EQ(w.centralwidget->size(), QSize(520, 343));
    EXPECT_EQ(w.centralwidget->minimumSize(), QSize(520, 343));
    EXPECT_EQ(geometryOf(w.ToolBar1), QRect(0, 0, 520, 57));
    EXPECT_EQ(geometryOf(w.Lv), QRect(8, 64, 520 - 16, 343 - 110));
    EXPECT_EQ(w.FaceIco->geometry(), QRect(8, 304, 33, 33));
    EXPECT_EQ(w.Label2->pos(), QPoint(56, 312));
    EXPECT_EQ(w.Label2->font().pixelSize() > 0 ? w.Label2->font().pixelSize()
                                               : qRound(w.Label2->font().pointSizeF() * 96 / 72),
              16);
    EXPECT_EQ(w.Panel1->size(), QSize(329, 185));
    EXPECT_FALSE(w.Panel1->isVisible());
    // Centred on the outer size 528 x 397.
    EXPECT_EQ(w.Panel1->pos(), QPoint((528 - 329) / 2, (397 - 185) / 2));
    EXPECT_EQ(w.Label1->text(), "Checking and Fixing");
    EXPECT_EQ(w.Label1->pos(), QPoint(112, 32));
    EXPECT_EQ(geometryOf(w.ProgressBar1), QRect(40, 64, 249, 16));
    EXPECT_EQ(geometryOf(w.ProgressBar2), QRect(40, 88, 249, 17));
    EXPECT_EQ(w.FilenameLabel->pos(), QPoint(24, 128));
    EXPECT_EQ(w.StatueLabel->pos(), QPoint(24, 152));
    EXPECT_EQ(geometryOf(w.StopButton), QRect(232, 144, 75, 25));
    EXPECT_EQ(w.StopButton->text(), "Stop");
    for (const char *name : {"Lv", "Panel1", "FaceIco", "Label2", "MainMenu", "ToolBar1",
                             "StatueLabel", "FilenameLabel", "ProgressBar1", "ProgressBar2"})
        EXPECT_NE(w.findChild<QObject *>(name), nullptr) << name;
}

TEST_F(MainWindow, LayoutFollowsTheSize) {
    TMainForm &w = window();
    w.show();
    const int menu = w.height() - w.centralwidget->height();
    const std::pair<int, int> sizes[] = {{800, 600}, {1001, 777}, {521, 344}};
    for (const auto &[cw, ch] : sizes) {
        w.resize(cw, ch + menu);
        ASSERT_EQ(w.centralwidget->size(), QSize(cw, ch));
        EXPECT_EQ(geometryOf(w.Lv), QRect(8, 64, cw - 16, ch - 110));
        EXPECT_EQ(w.FaceIco->pos(), QPoint(8, ch - 39));
        EXPECT_EQ(w.Label2->pos(), QPoint(56, ch - 31));
        EXPECT_EQ(w.Panel1->pos(), QPoint((cw + 8 - 329) / 2, (ch + 54 - 185) / 2));
        EXPECT_EQ(w.ToolBar1->width(), cw);
    }
    w.resize(300, 200);
    EXPECT_EQ(w.centralwidget->size(), QSize(520, 343)) << "never smaller than designed";
}

TEST_F(MainWindow, ToolbarButtons) {
    TMainForm &w = window();
    struct Button {
        QToolButton *button;
        int left;
        const char *hint;
    };
    const Button buttons[] = {
        {w.ToolButton1, 0, "Add media file"},
        {w.ToolButton2, 55, "Delete media file"},
        {w.ToolButton4, 118, "Start check and fix"},
        {w.ToolButton5, 181, "Preferences"},
        {w.ToolHomepage, 244, ""},
        {w.ToolEmail, 299, ""},
        {w.ToolContent, 354, ""},
    };
    for (const auto &b : buttons) {
        EXPECT_EQ(b.button->size(), QSize(55, 54)) << b.button->objectName().toStdString();
        EXPECT_EQ(b.button->x(), b.left) << b.button->objectName().toStdString();
        EXPECT_EQ(b.button->toolTip().toStdString(), b.hint);
        EXPECT_EQ(b.button->iconSize(), QSize(48, 48));
        EXPECT_FALSE(b.button->icon().isNull());
        EXPECT_TRUE(b.button->text().isEmpty() ||
                    b.button->toolButtonStyle() == Qt::ToolButtonIconOnly);
    }
    EXPECT_TRUE(w.ToolButton8->isHidden());
    EXPECT_TRUE(w.ToolButton8->icon().isNull()) << "picture 7 does not exist";
    EXPECT_EQ(w.IcoList.size(), 10u) << "with the damaged and not checked marks";
    EXPECT_EQ(w.BigIcoList.size(), 7u);
    EXPECT_EQ(w.IcoList[5].availableSizes().value(0), QSize(16, 16));
    EXPECT_EQ(w.BigIcoList[5].availableSizes().value(0), QSize(48, 48));
}

TEST_F(MainWindow, MenuTree) {
    TMainForm &w = window();
    struct Item {
        QAction *action;
        const char *caption;
        const char *shortcut;
        bool picture;
        bool visible;
    };
    const Item items[] = {
        {w.AddFile1, "Add File", "F2", true, true},
        {w.AddFolder1, "Add Folder...", "Shift+F2", false, true},
        {w.DeleteFile1, "Delete File", "F3", true, true},
        {w.SaveReport1, "Save Report...", "Ctrl+S", false, true},
        {w.Close1, "Exit", "", false, true},
        {w.SelectAll1, "Select All", "F4", false, true},
        {w.InvertSelection1, "Invert Selection", "", false, true},
        {w.menuFix, "Fix", "F5", true, true},
        {w.ConverttoWave1, "Convert to Wave", "F6", false, false},
        {w.Preferences1, "Preferences...", "F9", true, true},
        {w.Content1, "Contents", "F1", true, true},
        {w.Homepage1, "Webpage", "", true, true},
        {w.EMail1, "E-Mail", "", true, true},
        {w.More3, "More Software", "", false, true},
        {w.About, "About", "", false, true},
    };
    for (const auto &item : items) {
        EXPECT_EQ(item.action->text().toStdString(), item.caption);
        EXPECT_EQ(item.action->shortcut().toString().toStdString(), item.shortcut) << item.caption;
        EXPECT_EQ(!item.action->icon().isNull(), item.picture) << item.caption;
        EXPECT_EQ(item.action->isVisible(), item.visible) << item.caption;
    }
    QStringList menus;
    for (QAction *menu : w.MainMenu->actions())
        menus << menu->text();
    EXPECT_EQ(menus, QStringList({"File", "Edit", "Tool", "Option", "Help"}));
    const QList<QAction *> file = w.File1->actions();
    ASSERT_EQ(file.size(), 7);
    EXPECT_EQ(file[0], w.AddFile1);
    EXPECT_EQ(file[1], w.AddFolder1);
    EXPECT_EQ(file[2], w.DeleteFile1);
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[4], w.SaveReport1);
    EXPECT_TRUE(file[5]->isSeparator());
    EXPECT_EQ(file[6], w.Close1);
}

TEST_F(MainWindow, FunctionKeysIncludingTheHiddenF6) {
    TMainForm &w = window();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QSignalSpy wave(w.ConverttoWave1, &QAction::triggered);
    QSignalSpy fix(w.menuFix, &QAction::triggered);
    QSignalSpy selectAll(w.SelectAll1, &QAction::triggered);
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(wave.count(), 1);
    EXPECT_EQ(fix.count(), 0);
    QTest::keyClick(&w, Qt::Key_F5);
    EXPECT_EQ(fix.count(), 1);
    QTest::keyClick(&w, Qt::Key_F4);
    EXPECT_EQ(selectAll.count(), 1);
    QTest::keyClick(&w, Qt::Key_F2);
    EXPECT_EQ(fakes.dialogs.filters.size(), 1u) << "F2 opens the file dialog";
    QTest::keyClick(&w, Qt::Key_F1);
    EXPECT_EQ(fakes.shell.opened,
              std::vector<std::string>{mendora::programFolder + "/MendoraHelp.chm"});

    TForm2 &preferences = windows().form2;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = preferences.isVisible() && preferences.isModal();
        preferences.reject();
    });
    QTest::keyClick(&w, Qt::Key_F9);
    EXPECT_TRUE(shown) << "F9 shows the Preferences dialog modally";
}

TEST_F(MainWindow, LinkLabelLooksAndClick) {
    TMainForm &w = window();
    w.show();
    QLabel *label = w.Label2;
    EXPECT_EQ(label->text(), "Corvanta Software, Inc.");
    const auto resting = [&] {
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(192, 192, 192));
        EXPECT_EQ(label->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF, 12632256u);
        EXPECT_TRUE(label->font().italic());
        EXPECT_FALSE(label->font().bold());
        EXPECT_FALSE(label->font().underline());
    };
    resting();
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), label->mapToGlobal(QPointF(3, 3)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &move);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_TRUE(label->font().bold());
    EXPECT_TRUE(label->font().underline());
    EXPECT_FALSE(label->font().italic());
    EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(label, &leave);
    resting();
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(fakes.shell.opened, std::vector<std::string>{"https://www.example.com/mendora/"});
}

TEST_F(MainWindow, ShellTargets) {
    TMainForm &w = window();
    const std::string url = "https://www.example.com/mendora/";
    const std::string mail = "mailto:support@example.com";
    const std::string help = folder.path() + "//MendoraHelp.chm";
    w.Homepage1->trigger();
    w.ToolHomepage->click();
    w.EMail1->trigger();
    w.ToolEmail->click();
    w.Content1->trigger();
    w.ToolContent->click();
    EXPECT_EQ(fakes.shell.opened, (std::vector<std::string>{url, url, mail, mail, help, help}));
    EXPECT_TRUE(fakes.dialogs.messages.empty()) << "a missing help file is not reported";
}

} // namespace

namespace {

TEST_F(MainWindow, AboutAndMoreSoftwareOpenModally) {
    TMainForm &w = window();
    w.show();
    TAboutForm &about = windows().about;
    TMoreForm &more = windows().more;
    for (auto [action, dialog] : {std::pair<QAction *, QDialog *>{w.About, &about},
                                  std::pair<QAction *, QDialog *>{w.More3, &more}}) {
        bool modal = false;
        QTimer::singleShot(0, [&, dialog = dialog] {
            modal = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
            dialog->reject();
        });
        action->trigger();
        EXPECT_TRUE(modal) << dialog->windowTitle().toStdString();
    }
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(more.windowTitle(), "More Software");
}

} // namespace
