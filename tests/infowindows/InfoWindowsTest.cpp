// The About, Thank and More Software windows, after the main window's show step.
#include "infowindows/WebView.h"
#include "support/MainWindowFixture.h"
#include "system/Errors.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace mendora::test;

namespace {

class InfoWindows : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override {
        writeBytes(folder.file("thank.txt"), "");
        start().show();
    }
    TAboutForm &about() { return windows().about; }
    TThankForm &thank() { return windows().thank; }
    TMoreForm &more() { return windows().more; }

    // Runs `inside` once `dialog` is the active modal window, while `open`
    // shows it; true when it was shown at all.
    static bool whileModal(QDialog &dialog, const std::function<void()> &open,
                           const std::function<void()> &inside) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = QApplication::activeModalWidget() == &dialog;
            inside();
            if (dialog.isVisible())
                dialog.reject();
        });
        open();
        return shown;
    }
};

struct Place {
    const char *name;
    QRect rect;
};

void expectPlaces(const QWidget &window, QSize client, std::initializer_list<Place> places) {
    EXPECT_EQ(window.size(), client);
    EXPECT_EQ(window.minimumSize(), client) << "fixed frame";
    EXPECT_EQ(window.maximumSize(), client) << "fixed frame";
    for (const Place &p : places) {
        const auto *control = window.findChild<QWidget *>(p.name);
        ASSERT_TRUE(control) << p.name;
        if (p.rect.width() > 0)
            EXPECT_EQ(control->geometry(), p.rect) << p.name;
        else
            EXPECT_EQ(control->pos(), p.rect.topLeft()) << p.name;
    }
}

TEST_F(InfoWindows, AboutControlsAsDesigned) {
    // A zero size stands for a label that fits its text.
    expectPlaces(about(), {594, 377},
                 {{"Copyright", {248, 150, 0, 0}},
                  {"Version", {248, 107, 0, 0}},
                  {"URL", {248, 181, 0, 0}},
                  {"ProductName1", {248, 36, 0, 0}},
                  {"ProductName3", {248, 35, 0, 0}},
                  {"ProductName2", {248, 34, 0, 0}},
                  {"EMAIL", {288, 198, 0, 0}},
                  {"Image1", {9, 9, 223, 358}},
                  {"Bevel1", {8, 8, 225, 361}},
                  {"Company", {248, 11, 0, 0}},
                  {"VersionSM", {248, 84, 0, 0}},
                  {"CopyrightYeah", {248, 128, 0, 0}},
                  {"Label1", {248, 200, 0, 0}},
                  {"Button1", {464, 336, 73, 25}},
                  {"Bevel2", {248, 232, 241, 9}},
                  {"FaceIco", {248, 328, 33, 33}},
                  {"Memo1", {16, 16, 209, 337}},
                  {"ThankButton", {296, 336, 75, 25}}});
    const TAboutForm &a = about();
    struct Look {
        const QWidget *control;
        int pixels;
        bool bold, underline;
        QColor color;
    };
    const Look looks[] = {{a.Copyright, 13, false, false, Qt::black},
                          {a.Version, 13, false, false, Qt::black},
                          {a.URL, 11, false, true, Qt::blue},
                          {a.EMAIL, 11, false, false, Qt::blue},
                          {a.ProductName1, 48, true, false, Qt::white},
                          {a.ProductName3, 48, true, false, QColor(128, 128, 128)},
                          {a.ProductName2, 48, true, false, Qt::black},
                          {a.Company, 19, true, false, Qt::black},
                          {a.VersionSM, 13, true, false, Qt::black},
                          {a.CopyrightYeah, 13, false, false, Qt::black},
                          {a.Label1, 12, false, false, Qt::blue},
                          {a.Memo1, 12, false, false, QColor()},
                          {a.ThankButton, 12, false, false, QColor()},
                          {&a, 12, false, false, QColor()}};
    for (const Look &l : looks) {
        const std::string name = l.control->objectName().toStdString();
        EXPECT_EQ(l.control->font().pixelSize(), l.pixels) << name;
        EXPECT_EQ(l.control->font().bold(), l.bold) << name;
        EXPECT_EQ(l.control->font().underline(), l.underline) << name;
        if (l.color.isValid()) {
            EXPECT_EQ(l.control->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF,
                      l.color.rgb() & 0xFFFFFF)
                << name;
        }
    }
    EXPECT_EQ(a.ProductName1->font().family(), "Courier New");
    EXPECT_EQ(a.font().family(), "MS Serif");
    EXPECT_EQ(a.URL->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(a.EMAIL->cursor().shape(), Qt::PointingHandCursor);
    // The black name lies on the grey one, which lies on the white one.
    const QObjectList &stack = a.children();
    EXPECT_LT(stack.indexOf(a.ProductName1), stack.indexOf(a.ProductName3));
    EXPECT_LT(stack.indexOf(a.ProductName3), stack.indexOf(a.ProductName2));
    EXPECT_LT(stack.indexOf(a.Image1), stack.indexOf(a.Memo1)) << "the note lies over the picture";
    EXPECT_TRUE(a.Memo1->isHidden());
    EXPECT_FALSE(a.Memo1->isReadOnly());
    EXPECT_EQ(a.Memo1->toPlainText(), "Date:06-09-2003");
    EXPECT_EQ(a.Bevel1->frameShape(), QFrame::Panel);
    EXPECT_EQ(a.Bevel1->frameShadow(), QFrame::Sunken);
    EXPECT_TRUE(a.Button1->isDefault());
    EXPECT_EQ(a.Button1->text(), "OK");
    EXPECT_EQ(a.ThankButton->text(), "Thank");
    EXPECT_EQ(a.Label1->text(), "E-Mail:");
}

TEST_F(InfoWindows, ThankAndMoreControlsAsDesigned) {
    expectPlaces(thank(), {482, 331},
                 {{"Button1", {376, 296, 75, 25}},
                  {"Memo1", {8, 8, 465, 273}},
                  {"FaceIco", {8, 292, 33, 37}}});
    EXPECT_EQ(thank().windowTitle(), "Thank");
    EXPECT_TRUE(thank().Memo1->isReadOnly());
    EXPECT_EQ(thank().Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(thank().Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(thank().Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(thank().font().pixelSize(), 11);
    EXPECT_EQ(thank().pos(), QPoint(192, 107));

    expectPlaces(more(), {657, 446},
                 {{"PageControl1", {8, 8, 641, 385}},
                  {"Button1", {56, 408, 73, 25}},
                  {"Close2", {560, 408, 73, 25}},
                  {"FaceIco", {16, 400, 33, 33}}});
    const char *const tabs[] = {"TessalineTab", "Corvanta", "Audio",      "Internet",  "Game",
                                "WebDeveloper", "Business", "Multimedia", "Utilities", "Desktop"};
    const char *const captions[] = {"Tessaline", "Corvanta",     "Audio",    "Internet",
                                    "Game",      "WebDeveloper", "Business", "Multimedia",
                                    "Utilities", "Desktop"};
    QTabWidget *pages = more().PageControl1;
    ASSERT_EQ(pages->count(), 10);
    const auto views = more().WebViews();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), tabs[i]);
        EXPECT_EQ(pages->tabText(i), captions[i]);
        EXPECT_TRUE(pages->tabIcon(i).isNull());
        EXPECT_EQ(views[i]->parentWidget(), pages->widget(i));
        EXPECT_EQ(views[i]->geometry(), QRect(8, 4, 617, 349));
        EXPECT_EQ(views[i]->objectName(), QStringLiteral("Web") + captions[i]);
    }
    EXPECT_TRUE(more().Close2->isDefault());
}

TEST_F(InfoWindows, AboutKeysAndLinks) {
    TAboutForm &a = about();
    // Enter presses OK, which has the focus; Esc closes whatever has it.
    EXPECT_TRUE(whileModal(
        a, [&] { window().About->trigger(); },
        [&] {
            ASSERT_EQ(a.focusWidget(), a.Button1);
            QTest::keyClick(a.Button1, Qt::Key_Return);
            EXPECT_FALSE(a.isVisible());
        }));
    EXPECT_EQ(a.result(), QDialog::Accepted);
    EXPECT_TRUE(whileModal(
        a, [&] { a.exec(); },
        [&] {
            a.ThankButton->setFocus();
            QTest::keyClick(a.ThankButton, Qt::Key_Escape);
            EXPECT_FALSE(a.isVisible());
        }));
    EXPECT_EQ(a.result(), QDialog::Rejected);

    a.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&a));
    QTest::mouseClick(a.URL, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(a.EMAIL, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(fakes.shell.opened, (std::vector<std::string>{"https://www.example.com/mendora/",
                                                            "mailto:support@example.com"}));
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

TEST_F(InfoWindows, HiddenGesture) {
    TAboutForm &a = about();
    a.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&a));
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const QPoint first(5, 176), second(5, 196), elsewhere(100, 100);
    struct Attempt {
        const char *name;
        bool arm;
        QPoint press;
        Qt::KeyboardModifiers pressKeys;
        QPoint release;
        Qt::KeyboardModifiers releaseKeys;
        int stateAfterPress;
    };
    const Attempt failures[] = {
        {"not armed", false, first, ctrlShift, second, ctrlAlt, 0},
        {"pressed elsewhere", true, elsewhere, ctrlShift, second, ctrlAlt, 0},
        {"pressed on the spot's edge", true, QPoint(0, 176), ctrlShift, second, ctrlAlt, 0},
        {"pressed without Shift", true, first, Qt::ControlModifier, second, ctrlAlt, 0},
        {"released elsewhere", true, first, ctrlShift, elsewhere, ctrlAlt, 2},
        {"released without Alt", true, first, ctrlShift, second, Qt::ControlModifier, 2},
    };
    for (const Attempt &t : failures) {
        if (t.arm)
            QTest::mouseClick(a.Company, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mousePress(a.Image1, Qt::LeftButton, t.pressKeys, t.press);
        EXPECT_EQ(a.Gesture(), t.stateAfterPress) << t.name;
        QTest::mouseRelease(a.Image1, Qt::LeftButton, t.releaseKeys, t.release);
        EXPECT_EQ(a.Gesture(), TAboutForm::GestureIdle) << t.name;
        EXPECT_TRUE(a.Memo1->isHidden()) << t.name;
    }
    // Armed, then a press elsewhere: the arming is gone.
    QTest::mouseClick(a.Company, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(a.Gesture(), TAboutForm::GestureArmed);
    QTest::mouseClick(a.Image1, Qt::LeftButton, {}, elsewhere);
    QTest::mousePress(a.Image1, Qt::LeftButton, ctrlShift, first);
    EXPECT_EQ(a.Gesture(), TAboutForm::GestureIdle);
    QTest::mouseRelease(a.Image1, Qt::LeftButton, ctrlAlt, second);
    EXPECT_TRUE(a.Memo1->isHidden());

    QTest::mouseClick(a.Company, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mousePress(a.Image1, Qt::LeftButton, ctrlShift, first);
    QTest::mouseRelease(a.Image1, Qt::LeftButton, ctrlAlt, second);
    EXPECT_TRUE(a.Memo1->isVisible());
    EXPECT_EQ(a.Gesture(), TAboutForm::GesturePressed);
    // Once revealed, the note stays for the run.
    a.hide();
    QTest::mouseClick(a.Image1, Qt::LeftButton, {}, elsewhere);
    a.show();
    EXPECT_TRUE(a.Memo1->isVisible());
}

TEST(ThankText, CommentLinesAreLeftOut) {
    using Lines = std::vector<std::string>;
    const struct {
        const char *name;
        std::string file;
        Lines shown;
    } cases[] = {
        {"empty file", "", {}},
        {"mixed",
         "// comment\r\nfirst\r\n\r\n/\r\n //kept\r\n//\r\n/x\r\nlast",
         {"first", "", "/", " //kept", "/x", "last"}},
        {"only comments", "//a\r\n// b\r\n", {}},
        {"Windows-1252", "Caf\xE9 \x96 na\xEFve\r\n", {"Caf\xC3\xA9 \xE2\x80\x93 na\xC3\xAFve"}},
        {"UTF-8", "Caf\xC3\xA9\n", {"Caf\xC3\xA9"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mendora::shownThankLines(c.file), c.shown) << c.name;
}

TEST_F(InfoWindows, ThankReadsTheFileAtEachClick) {
    writeBytes(folder.file("thank.txt"), "// header\r\nThanks to all\r\n\r\n/\r\n //x\r\n");
    for (int click = 0; click < 2; ++click) {
        QString shown;
        EXPECT_TRUE(whileModal(
            thank(), [&] { about().ThankButton->click(); },
            [&] { shown = thank().Memo1->toPlainText(); }));
        EXPECT_EQ(shown, "Thanks to all\n\n/\n //x") << "click " << click;
    }
    writeBytes(folder.file("thank.txt"), "Gr\xFC\xDF"
                                         "e\r\n");
    EXPECT_TRUE(whileModal(
        thank(), [&] { about().ThankButton->click(); }, [] {}));
    EXPECT_EQ(thank().Memo1->toPlainText(), QString::fromUtf8("Grüße"));
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

TEST_F(InfoWindows, ThankWithoutItsFileReportsAndStaysClosed) {
    writeBytes(folder.file("thank.txt"), "old\r\n");
    EXPECT_TRUE(whileModal(
        thank(), [&] { about().ThankButton->click(); }, [] {}));
    std::filesystem::remove(folder.file("thank.txt"));
    EXPECT_FALSE(whileModal(
        thank(), [&] { about().ThankButton->click(); }, [] {}));
    QCoreApplication::processEvents();
    EXPECT_EQ(fakes.dialogs.errors(), std::vector<std::string>{"File not found."});
    EXPECT_FALSE(thank().isVisible());
    EXPECT_EQ(thank().Memo1->toPlainText(), "") << "cleared before the reading";
}

TEST_F(InfoWindows, ThankKeys) {
    // A default button but no cancel button: Enter closes, Esc does not.
    EXPECT_TRUE(whileModal(
        thank(), [&] { about().ThankButton->click(); },
        [&] {
            QTest::keyClick(&thank(), Qt::Key_Escape);
            EXPECT_TRUE(thank().isVisible());
            QTest::keyClick(thank().Button1, Qt::Key_Return);
            EXPECT_FALSE(thank().isVisible());
        }));
}

TEST_F(InfoWindows, MoreSoftwareTabsAndAboutOnTop) {
    TMoreForm &m = more();
    int firstTab = -1;
    EXPECT_TRUE(whileModal(
        m, [&] { window().More3->trigger(); },
        [&] {
            firstTab = m.PageControl1->currentIndex();
            m.PageControl1->setCurrentIndex(2);
            m.Close2->click();
        }));
    EXPECT_EQ(firstTab, 1) << "the Corvanta tab comes first";
    int again = -1;
    bool aboutOnTop = false, backToMore = false;
    EXPECT_TRUE(whileModal(
        m, [&] { window().More3->trigger(); },
        [&] {
            again = m.PageControl1->currentIndex();
            whileModal(
                about(), [&] { m.Button1->click(); },
                [&] {
                    aboutOnTop = QApplication::activeModalWidget() == &about() && m.isVisible();
                });
            backToMore = QApplication::activeModalWidget() == &m;
        }));
    EXPECT_EQ(again, 2) << "the tab of the last closing comes back";
    EXPECT_TRUE(aboutOnTop);
    EXPECT_TRUE(backToMore);
}

// A small catalogue: a page with a local link, a web link and a mail link.
TEST_F(InfoWindows, WebViewLoadsPagesAndFollowsLinks) {
    std::filesystem::create_directory(folder.file("more"));
    writeBytes(folder.file("more/a.htm"),
               "<html><body><p>Page A</p><a href=\"b.htm\">b</a></body></html>");
    writeBytes(folder.file("more/b.htm"), "<html><body><p>Page B</p></body></html>");
    mendora::WebView &view = *more().WebAudio;
    view.Navigate(QString::fromStdString(folder.file("more/a.htm")).toStdU16String());
    ASSERT_TRUE(waitUntil([&] { return !view.loadPending(); }));
    EXPECT_TRUE(view.toPlainText().contains("Page A"));

    emit view.anchorClicked(QUrl("b.htm"));
    EXPECT_TRUE(view.toPlainText().contains("Page B"));
    EXPECT_EQ(view.pagePath().toStdString(), folder.file("more/b.htm"));
    for (const char *link : {"https://example.org/tools", "mailto:someone@example.org"})
        emit view.anchorClicked(QUrl(link));
    emit view.anchorClicked(QUrl("javascript:alert(1)"));
    EXPECT_EQ(fakes.shell.opened, (std::vector<std::string>{"https://example.org/tools",
                                                            "mailto:someone@example.org"}));
    EXPECT_TRUE(view.toPlainText().contains("Page B")) << "web links never load in the view";

    emit view.anchorClicked(QUrl("missing.htm"));
    EXPECT_TRUE(view.toPlainText().contains("cannot be displayed"));
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

TEST_F(InfoWindows, NavigateRefusesWhatItDoesNotSupport) {
    mendora::WebView &view = *more().WebGame;
    const std::u16string page = u"/tmp/page.htm";
    EXPECT_THROW(view.Navigate(u""), mendora::Error);
    EXPECT_THROW(view.Navigate(page, 1), mendora::Error);
    EXPECT_THROW(view.Navigate(page, {}, QStringLiteral("_blank")), mendora::Error);
    EXPECT_THROW(view.Navigate(page, {}, {}, QByteArray("x=1")), mendora::Error);
    EXPECT_THROW(view.Navigate(page, {}, {}, {}, QStringLiteral("X: y")), mendora::Error);
}

} // namespace
