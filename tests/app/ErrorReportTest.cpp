#include "app/Application.h"
#include "ui/ErrorGuard.h"

#include "support/FakePlatform.h"
#include "system/Errors.h"
#include "system/FileErrors.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace mendora;

namespace {

TEST(ApplicationTitle, FromExecutableName) {
    const std::pair<const char *, const char *> cases[] = {
        {"/opt/mendora/Mendora", "Mendora"},
        {"/x.y/mendora.bin.exe", "mendora"},
        {"MeNdOrA", "Mendora"},
        {"mENDORA.exe", "mendora"},
        {"/a/b/.hidden", ""},
#ifdef _WIN32
        {"C:\\Program Files\\Mendora\\MENDORA.EXE", "Mendora"},
        {"C:/Program Files/Mendora/MENDORA.EXE", "Mendora"},
#else
        {"/opt/a\\b/Mendora", "Mendora"},
#endif
    };
    for (const auto &[path, title] : cases)
        EXPECT_EQ(applicationTitleFromPath(path), title) << path;
    EXPECT_EQ(applicationTitle(), "app_tests") << "this test program is named app_tests";
}

TEST(ErrorReport, FullStopAddedOnce) {
    EXPECT_EQ(withFullStop("File not found"), "File not found.");
    EXPECT_EQ(withFullStop("Cannot open file \"/x\". Permission denied"),
              "Cannot open file \"/x\". Permission denied.");
    EXPECT_EQ(withFullStop("Done."), "Done.");
    EXPECT_EQ(withFullStop(""), ".");
}

TEST(ErrorReport, ThrowingHandlerIsReportedAndProgramRunsOn) {
    test::FakePlatform fakes;
    bool restSkipped = true;
    bool ranOn = false;
    QTimer::singleShot(0, [&] {
        guarded([&] {
            throw IoError(IoFileNotFound);
            restSkipped = false;
        });
    });
    QTimer::singleShot(10, [&] {
        ranOn = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_EQ(fakes.dialogs.messages[0].kind, "error");
    EXPECT_EQ(fakes.dialogs.messages[0].caption, applicationTitle());
    EXPECT_EQ(fakes.dialogs.messages[0].text, "File not found.");
    EXPECT_TRUE(restSkipped);
    EXPECT_TRUE(ranOn);
}

// An event handler that nobody guarded: the application object reports it.
class ThrowingWidget : public QWidget {
protected:
    void timerEvent(QTimerEvent *) override { throw RegistryError("FilePath"); }
};

TEST(ErrorReport, ExceptionEscapingAnEventHandler) {
    test::FakePlatform fakes;
    ThrowingWidget widget;
    const int id = widget.startTimer(0);
    QTimer::singleShot(20, [&] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    widget.killTimer(id);
    ASSERT_FALSE(fakes.dialogs.messages.empty());
    EXPECT_EQ(fakes.dialogs.messages[0].kind, "error");
    EXPECT_EQ(fakes.dialogs.messages[0].caption, applicationTitle());
    EXPECT_EQ(fakes.dialogs.messages[0].text, "Failed to set data for 'FilePath'.");
}

TEST(ErrorReport, MessageEndingInFullStopKeptAsIs) {
    test::FakePlatform fakes;
    guarded([] { throw Error("Already complete."); });
    ASSERT_EQ(fakes.dialogs.errors(), std::vector<std::string>{"Already complete."});
}

} // namespace
