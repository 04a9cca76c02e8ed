// The Preferences dialog with real option files in a temporary program folder.
#include "inistore/IniFiles32.h"
#include "settings/Unit2.h"
#include "support/MainWindowFixture.h"

#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mendora::test;

namespace {

const std::string kDefaultFile = "\r\n[option]\r\nvideo1=0\r\nvideo2=0\r\nvideo3=0\r\nvideo4=0\r\n"
                                 "music1=0\r\nmusic2=0\r\nmusic3=0\r\nimage1=0\r\nimage2=0\r\n"
                                 "image3=0\r\nimage4=0\r\n";

class Preferences : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override {
        start();
        dialog = std::make_unique<TForm2>(mendora::programFolder, &window());
        Form2 = dialog.get();
    }
    void TearDown() override { Form2 = nullptr; }

    std::string optionFile() const { return folder.file("option.ini"); }
    std::string stored() const { return readBytes(optionFile()); }
    std::string value(const char *key) {
        return TIniFile32(optionFile()).ReadString("option", key, "<none>");
    }

    // Opens the dialog through the Preferences command and runs `inside`
    // while it is shown; `inside` ends the showing (OK, Cancel, Esc, ...).
    // Returns whether the dialog was shown at all.
    bool show(const std::function<void(TForm2 &)> &inside) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = dialog->isVisible();
            if (shown) {
                inside(*dialog);
                if (dialog->isVisible()) // left open by `inside`: cancel it
                    dialog->reject();
            }
        });
        window().Preferences1->trigger();
        return shown;
    }
    static void ok(TForm2 &d) { QTest::mouseClick(d.Button2, Qt::LeftButton); }
    // Clicks a button where its box or indicator is.
    static void click(QAbstractButton *b) {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }

    std::unique_ptr<TForm2> dialog;
};

TEST_F(Preferences, WindowAndControls) {
    TForm2 &d = *dialog;
    EXPECT_EQ(d.windowTitle(), "Preferences");
    EXPECT_EQ(d.size(), QSize(394, 308));
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d.windowIcon().isNull());
    EXPECT_EQ(d.PageControl1->geometry(), QRect(8, 8, 377, 257));
    EXPECT_EQ(d.PageControl1->tabText(0), "Video");
    EXPECT_EQ(d.PageControl1->tabText(1), "Music");
    EXPECT_EQ(d.PageControl1->tabText(2), "Image");
    EXPECT_EQ(d.Button2->geometry(), QRect(216, 272, 75, 25));
    EXPECT_TRUE(d.Button2->isDefault());
    EXPECT_EQ(d.Button3->text(), "Cancel");
    EXPECT_EQ(d.GroupBox1->title(), "When find error in video file");
    EXPECT_EQ(d.GroupBox3->title(), "When find error in picture file");
    EXPECT_EQ(d.Panel1->geometry(), QRect(32, 64, 233, 129));
    EXPECT_EQ(d.VideoColor->geometry(), QRect(88, 56, 25, 25));
    EXPECT_EQ(d.Image4->text(), "Delete");
    EXPECT_EQ(d.ImageLabel2->text(), "Fill Color:");
    EXPECT_EQ(d.VideoMode->count(), 13);
    EXPECT_EQ(d.MusicMode->count(), 9);
    EXPECT_EQ(d.ImageMode->count(), 2);
    EXPECT_EQ(d.VideoMode->itemText(12), "Mode 13");
    EXPECT_TRUE(d.VideoMode->isEditable());
    EXPECT_GE(d.Video1->width(), d.Video1->sizeHint().width()) << "the caption fits";
    // Before the first showing nothing is selected and everything is enabled.
    for (QRadioButton *r : d.findChildren<QRadioButton *>()) {
        EXPECT_FALSE(r->isChecked()) << r->objectName().toStdString();
        EXPECT_TRUE(r->isEnabled()) << r->objectName().toStdString();
    }
}

TEST_F(Preferences, FirstOkWritesTheDefaultFile) {
    EXPECT_TRUE(show([](TForm2 &d) {
        EXPECT_TRUE(d.Video1->isChecked());
        EXPECT_TRUE(d.Video3->isChecked());
        EXPECT_FALSE(d.Video3->isEnabled());
        EXPECT_EQ(d.VideoMode->currentText(), "Mode 1");
        EXPECT_FALSE(d.VideoMode->isEnabled());
        EXPECT_EQ(d.VideoColor->shownColor(), QColor(Qt::black));
        EXPECT_TRUE(d.isModal());
        ok(d);
    }));
    EXPECT_EQ(stored(), kDefaultFile);
}

TEST_F(Preferences, CustomRemoveAndDeleteRoundTrip) {
    show([](TForm2 &d) {
        click(d.Video2);
        click(d.Video4);
        d.PageControl1->setCurrentIndex(1);
        click(d.Music2);
        click(d.Music4);
        d.PageControl1->setCurrentIndex(2);
        click(d.Image2);
        click(d.Image4);
        ok(d);
    });
    for (const char *key : {"video1", "video2", "music1", "music2", "image1", "image2"})
        EXPECT_EQ(value(key), "1") << key;
    show([](TForm2 &d) {
        EXPECT_TRUE(d.Video2->isChecked());
        EXPECT_TRUE(d.Video4->isChecked());
        EXPECT_TRUE(d.Video4->isEnabled());
        EXPECT_FALSE(d.VideoMode->isEnabled());
        EXPECT_FALSE(d.VideoButton->isEnabled());
        EXPECT_TRUE(d.Music4->isChecked());
        EXPECT_FALSE(d.MusicMode->isEnabled());
        EXPECT_TRUE(d.Image4->isChecked());
        EXPECT_FALSE(d.ImageColor->isEnabled());
    });
}

TEST_F(Preferences, CustomFixMode13Red) {
    fakes.dialogs.colorAnswers = {255};
    show([](TForm2 &d) {
        click(d.Video2);
        click(d.Video3);
        EXPECT_TRUE(d.VideoMode->isEnabled());
        EXPECT_TRUE(d.VideoButton->isEnabled());
        d.VideoMode->setCurrentIndex(12);
        click(d.VideoButton);
        EXPECT_EQ(d.VideoColor->shownColor(), QColor(255, 0, 0));
        ok(d);
    });
    EXPECT_EQ(fakes.dialogs.colorRequests, std::vector<std::int32_t>{0}) << "preselected black";
    EXPECT_EQ(value("video1"), "1");
    EXPECT_EQ(value("video2"), "0");
    EXPECT_EQ(value("video3"), "12");
    EXPECT_EQ(value("video4"), "255");
}

TEST_F(Preferences, AutoKeepsTheHiddenSelections) {
    writeBytes(optionFile(), "[option]\r\nvideo1=1\r\nvideo2=0\r\nvideo3=4\r\n");
    show([](TForm2 &d) {
        EXPECT_TRUE(d.VideoMode->isEnabled());
        click(d.Video1);
        EXPECT_FALSE(d.Video3->isEnabled());
        EXPECT_FALSE(d.VideoMode->isEnabled());
        EXPECT_TRUE(d.Video3->isChecked());
        EXPECT_EQ(d.VideoMode->currentIndex(), 4);
        ok(d);
    });
    EXPECT_EQ(value("video1"), "0");
    EXPECT_EQ(value("video2"), "0");
    EXPECT_EQ(value("video3"), "4");
}

TEST_F(Preferences, CustomAfterIgnoreLeavesFixSettingsDisabled) {
    writeBytes(optionFile(), "[option]\r\nmusic2=2\r\nimage2=2\r\n");
    show([](TForm2 &d) {
        click(d.Music2);
        EXPECT_TRUE(d.Music3->isEnabled());
        EXPECT_TRUE(d.Music5->isEnabled());
        EXPECT_FALSE(d.MusicMode->isEnabled());
        click(d.Music3);
        EXPECT_TRUE(d.MusicMode->isEnabled());
        EXPECT_TRUE(d.MusicLabel1->isEnabled());
        click(d.Image2);
        EXPECT_FALSE(d.ImageButton->isEnabled());
        click(d.Image3);
        EXPECT_TRUE(d.ImageButton->isEnabled());
        click(d.Image5);
        EXPECT_FALSE(d.ImageColor->isEnabled());
    });
}

TEST_F(Preferences, UnexpectedNumbersInTheFile) {
    writeBytes(optionFile(), "[option]\r\nmusic1=5\r\nimage2=7\r\nvideo3=20\r\nimage4=-16777216\r\n"
                             "video4=abc\r\nmusic3=8\r\n");
    show([](TForm2 &d) {
        EXPECT_TRUE(d.Music2->isChecked());
        EXPECT_FALSE(d.Image3->isChecked() || d.Image4->isChecked() || d.Image5->isChecked());
        EXPECT_EQ(d.VideoMode->currentIndex(), -1);
        EXPECT_EQ(d.MusicMode->currentIndex(), 8);
        EXPECT_EQ(d.ImageColor->shownColor(), QColor(0, 0, 0)) << "shown by its low bytes";
        EXPECT_EQ(d.VideoColor->color(), 0) << "not a number reads as 0";
        ok(d);
    });
    EXPECT_EQ(value("music1"), "1");
    EXPECT_EQ(value("image2"), "2");
    EXPECT_EQ(value("video3"), "-1");
    EXPECT_EQ(value("music3"), "8");
    EXPECT_EQ(value("image4"), "-16777216") << "stored back unchanged";
}

TEST_F(Preferences, UnknownActionKeepsThePreviousSelection) {
    writeBytes(optionFile(), "[option]\r\nvideo1=1\r\nvideo2=1\r\n");
    show([](TForm2 &) {});
    writeBytes(optionFile(), "[option]\r\nvideo1=1\r\nvideo2=9\r\n");
    show([](TForm2 &d) {
        EXPECT_TRUE(d.Video4->isChecked());
        EXPECT_FALSE(d.VideoMode->isEnabled());
    });
}

TEST_F(Preferences, PickerCancelChangesNothing) {
    writeBytes(optionFile(), "[option]\r\nimage1=1\r\nimage4=65280\r\n");
    show([](TForm2 &d) {
        d.PageControl1->setCurrentIndex(2);
        click(d.ImageButton);
        EXPECT_EQ(d.ImageColor->color(), 65280);
        ok(d);
    });
    EXPECT_EQ(fakes.dialogs.colorRequests, std::vector<std::int32_t>{65280});
    EXPECT_EQ(value("image4"), "65280");
}

TEST_F(Preferences, HandEditedFileIsReadAndRewrittenInPlace) {
    writeBytes(optionFile(),
               "[OPTION]\r\n  image3 = 1 \r\nvideo1 =1\r\nother=x\r\n[more]\r\nk=v\r\n");
    show([](TForm2 &d) {
        EXPECT_EQ(d.ImageMode->currentIndex(), 1);
        EXPECT_TRUE(d.Video2->isChecked());
        ok(d);
    });
    EXPECT_EQ(stored(), "[OPTION]\r\nimage3=1\r\nvideo1=1\r\nother=x\r\nvideo2=0\r\nvideo3=0\r\n"
                        "video4=0\r\nmusic1=0\r\nmusic2=0\r\nmusic3=0\r\nimage1=0\r\nimage2=0\r\n"
                        "image4=0\r\n[more]\r\nk=v\r\n");
}

TEST_F(Preferences, AlwaysOpensOnTheVideoPage) {
    show([](TForm2 &d) { d.PageControl1->setCurrentIndex(2); });
    show([](TForm2 &d) { EXPECT_EQ(d.PageControl1->currentIndex(), 0); });
}

TEST_F(Preferences, CancelEscAndCloseBoxDiscardTheEdits) {
    const std::vector<std::function<void(TForm2 &)>> closings = {
        [](TForm2 &d) { click(d.Button3); },
        [](TForm2 &d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](TForm2 &d) { d.close(); },
    };
    for (const auto &closeIt : closings) {
        show([&](TForm2 &d) {
            click(d.Video2);
            click(d.Video5);
            closeIt(d);
            EXPECT_FALSE(d.isVisible());
        });
        EXPECT_FALSE(exists(optionFile()));
        show([](TForm2 &d) { EXPECT_TRUE(d.Video1->isChecked()); });
    }
}

TEST_F(Preferences, EnterIsOkUnlessAnotherButtonHasTheFocus) {
    fakes.dialogs.colorAnswers = {};
    show([](TForm2 &d) {
        d.Video1->setFocus();
        QTest::keyClick(d.Video1, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(stored(), kDefaultFile);
    show([](TForm2 &d) {
        d.Button3->setFocus();
        QTest::keyClick(d.Button3, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Rejected) << "Enter pressed the focused Cancel";
    });
}

TEST_F(Preferences, FailedWriteKeepsTheDialogOpen) {
    // A folder in the way of the option file: it can be neither replaced nor written.
    ::mkdir(optionFile().c_str(), 0777);
    bool stillOpen = false;
    show([&](TForm2 &d) {
        click(d.Video2);
        ok(d);
        stillOpen = d.isVisible();
        click(d.Button3);
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(fakes.dialogs.errors().size(), 1u);
    EXPECT_EQ(fakes.dialogs.errors()[0].rfind("Cannot create file \"" + optionFile() + "\". ", 0),
              0u)
        << fakes.dialogs.errors()[0];
}

TEST_F(Preferences, ReadOnlyOptionFileIsNotReplaced) {
    writeBytes(optionFile(), kDefaultFile);
    ::chmod(optionFile().c_str(), 0444);
    const std::string result = runUnprivileged([&] {
        TIniFile32 ini(optionFile());
        ini.WriteInteger("option", "video1", 1);
        return std::string("written");
    });
    EXPECT_EQ(result, "Cannot create file \"" + optionFile() + "\". Permission denied");
    EXPECT_EQ(stored(), kDefaultFile);
}

TEST_F(Preferences, UnreadableFileKeepsTheDialogClosedUntilFixed) {
    // A file that cannot be opened: the showing fails and the dialog stays shut.
    writeBytes(optionFile(), kDefaultFile);
    ::chmod(optionFile().c_str(), 0);
    const std::string result = runUnprivileged([&] {
        TIniFile32 ini(optionFile());
        return std::string("opened");
    });
    EXPECT_EQ(result, "Cannot open file \"" + optionFile() + "\". Permission denied");
    ::chmod(optionFile().c_str(), 0644);

    // At window level: a file whose content cannot be read, even by root.
    ::unlink(optionFile().c_str());
    ASSERT_EQ(::symlink("/proc/self/mem", optionFile().c_str()), 0);
    bool shown = true;
    QTimer::singleShot(0, [&] {
        shown = dialog->isVisible();
        dialog->reject();
    });
    window().Preferences1->trigger();
    QCoreApplication::processEvents(); // the check runs once the command has returned
    EXPECT_FALSE(shown);
    ASSERT_EQ(fakes.dialogs.errors().size(), 1u);
    EXPECT_EQ(fakes.dialogs.errors()[0].rfind("Cannot open file \"" + optionFile() + "\". ", 0), 0u)
        << fakes.dialogs.errors()[0];
    // Once the file is readable again the dialog opens.
    ::unlink(optionFile().c_str());
    EXPECT_TRUE(show([](TForm2 &) {}));
}

TEST_F(Preferences, ChoicesComeBackAfterARestart) {
    show([](TForm2 &d) {
        click(d.Music2);
        click(d.Music5);
        ok(d);
    });
    Form2 = nullptr;
    dialog.reset();
    start();
    dialog = std::make_unique<TForm2>(mendora::programFolder, &window());
    Form2 = dialog.get();
    show([](TForm2 &d) {
        EXPECT_TRUE(d.Music2->isChecked());
        EXPECT_TRUE(d.Music5->isChecked());
    });
}

} // namespace
