#include "app/Application.h"
#include "app/UnitBasic.h"
#include "qttext/QtText.h"
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

// Paths from Qt enter in the system's form and as UTF-8, so the program
// folder is found with either separator Qt may hand out.
TEST(ProgramFolder, FromTheExecutablePathQtGives) {
    const std::pair<const char16_t *, const char *> cases[] = {
#ifdef _WIN32
        {u"C:/Program Files/Mendora/Mendora.exe", "C:\\Program Files\\Mendora\\"},
        {u"C:\\Program Files\\Mendora\\Mendora.exe", "C:\\Program Files\\Mendora\\"},
        {u"D:/\u97F3\u697D/Mendora.exe", "D:\\\xE9\x9F\xB3\xE6\xA5\xBD\\"},
#else
        {u"/opt/mendora/Mendora", "/opt/mendora/"},
        {u"/home/u/\u97F3\u697D/Mendora", "/home/u/\xE9\x9F\xB3\xE6\xA5\xBD/"},
        {u"/opt/a\\b/Mendora", "/opt/a\\b/"},
#endif
    };
    for (const auto &[path, folder] : cases)
        EXPECT_EQ(programFolderOf(nativePath(QString::fromUtf16(path))), folder) << folder;
    const QString name = QString::fromUtf16(u"\u00C9t\u00E9 \u97F3\u697D.avi");
    EXPECT_EQ(bytesOf(name), "\xC3\x89t\xC3\xA9 \xE9\x9F\xB3\xE6\xA5\xBD.avi");
    EXPECT_EQ(qtText(bytesOf(name)), name);
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
