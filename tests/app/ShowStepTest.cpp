// The main window's show step: identity texts into About, a face in every
// window, the Thank button test, the catalogue pages, the link label.
#include "support/MainWindowFixture.h"

#include <QRegularExpression>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace mendora::test;

namespace {

class ShowStep : public MainWindowFixture, public testing::Test {
protected:
    std::vector<QLabel *> faces() {
        mendora::ProgramWindows &w = windows();
        return {w.about.FaceIco, w.more.FaceIco, w.main.FaceIco, w.form2.FaceIco, w.thank.FaceIco};
    }
};

void expectAboutTexts(TAboutForm &about) {
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.Company->text(), "Corvanta");
    for (const QLabel *name : {about.ProductName1, about.ProductName2, about.ProductName3})
        EXPECT_EQ(name->text(), "Mendora Pro");
    EXPECT_EQ(about.Version->text(), "Version:2.12");
    EXPECT_EQ(about.Copyright->text(), "Corvanta Software, Inc.");
    EXPECT_EQ(about.VersionSM->text(), "General");
    EXPECT_EQ(about.CopyrightYeah->text(), "2002-2003");
    EXPECT_EQ(about.URL->text(), "https://www.example.com/mendora/");
    EXPECT_EQ(about.EMAIL->text(), "support@example.com");
    // Auto-sized when shown: each label fits its text.
    about.show();
    for (const QLabel *label : {about.Company, about.ProductName2, about.URL, about.EMAIL})
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    about.hide();
}

TEST_F(ShowStep, FillsEveryWindowOnce) {
    writeBytes(folder.file("thank.txt"), "thanks\r\n");
    start();
    for (QLabel *face : faces())
        EXPECT_EQ(face->pixmap().isNull(), true) << "no face before the showing";
    window().show();
    expectAboutTexts(windows().about);
    for (QLabel *face : faces()) {
        const int n = faceNumber(face->pixmap());
        EXPECT_GE(n, 0) << face->window()->objectName().toStdString();
        EXPECT_LT(n, 35);
    }
    EXPECT_FALSE(windows().about.ThankButton->isHidden());
    EXPECT_EQ(windows().more.PageControl1->currentIndex(), 1);
    EXPECT_EQ(window().Label2->text(), "Corvanta Software, Inc.");
    EXPECT_TRUE(fakes.dialogs.messages.empty());

    // Showing the window again repeats nothing.
    windows().about.Company->setText("changed");
    window().hide();
    window().show();
    EXPECT_EQ(windows().about.Company->text(), "changed");
}

TEST_F(ShowStep, FacesAreDrawnAtRandom) {
    // 35 faces in five windows: over a few runs, some window must differ.
    std::set<int> seen;
    for (int run = 0; run < 4 && seen.size() < 2; ++run) {
        start().show();
        for (QLabel *face : faces())
            seen.insert(faceNumber(face->pixmap()));
    }
    EXPECT_GE(seen.size(), 2u);
    EXPECT_FALSE(seen.count(-1));
}

TEST_F(ShowStep, MissingFaceFolderSkipsTheRestOfTheStep) {
    std::filesystem::remove_all(folder.file("SystemIco"));
    start().show();
    EXPECT_TRUE(window().isVisible());
    const auto errors = fakes.dialogs.errors();
    ASSERT_EQ(errors.size(), 1u);
    const QRegularExpression message(QRegularExpression::anchoredPattern(
        QStringLiteral("Cannot open file \"%1/SystemIco/"
                       "([0-9]|[12][0-9]|3[0-4])\\.ico\". "
                       "No such file or directory\\.")
            .arg(QRegularExpression::escape(QString::fromStdString(folder.path())))));
    EXPECT_TRUE(message.match(QString::fromStdString(errors[0])).hasMatch()) << errors[0];
    // The texts came before the faces; the Thank test, pages and label after.
    expectAboutTexts(windows().about);
    EXPECT_FALSE(windows().about.ThankButton->isHidden()) << "left as designed";
    EXPECT_EQ(windows().more.PageControl1->currentIndex(), 0);
    for (const mendora::WebView *view : windows().more.WebViews())
        EXPECT_TRUE(view->pagePath().isEmpty());
    EXPECT_EQ(window().Label2->text(), "");
}

TEST_F(ShowStep, ThankButtonFollowsTheFileAtTheFirstShowingOnly) {
    for (const bool present : {false, true}) {
        if (present)
            writeBytes(folder.file("thank.txt"), "");
        else
            std::filesystem::remove(folder.file("thank.txt"));
        start().show();
        QPushButton *thank = windows().about.ThankButton;
        EXPECT_EQ(thank->isHidden(), !present);
        // Adding or removing the file later changes nothing for this run.
        if (present)
            std::filesystem::remove(folder.file("thank.txt"));
        else
            writeBytes(folder.file("thank.txt"), "");
        window().hide();
        window().show();
        EXPECT_EQ(thank->isHidden(), !present);
    }
}

TEST_F(ShowStep, CataloguePagesAreAskedForByPathAndLoadLater) {
    start().show();
    const auto views = windows().more.WebViews();
    const std::string more = folder.path() + "/more/";
    for (std::size_t i = 0; i < views.size(); ++i) {
        EXPECT_EQ(views[i]->pagePath().toStdString(), more + TMoreForm::PageFiles[i]);
        EXPECT_TRUE(views[i]->loadPending()) << "loading waits for the event loop";
    }
    EXPECT_EQ(views[9]->pagePath().toStdString(), folder.path() + "/more/Desktop.htm");
    // No page exists here: each view says so itself, and no message comes.
    ASSERT_TRUE(waitUntil([&] { return !views[9]->loadPending(); }));
    for (const mendora::WebView *view : views) {
        EXPECT_FALSE(view->loadPending());
        EXPECT_TRUE(view->toPlainText().contains("cannot be displayed"));
    }
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

} // namespace
