// Start-up and shutdown of the main window: run counter, companion files,
// registry entry, close question.
#include "app/Application.h"
#include "app/UnitBasic.h"
#include "medialist/MediaList.h"
#include "runcounter/RunCounter.h"
#include "support/MainWindowFixture.h"
#include "ui/ErrorGuard.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mendora::test;

namespace {

class Startup : public MainWindowFixture, public testing::Test {};

struct CounterCase {
    const char *name;
    std::string before;
    std::string after;
};

void PrintTo(const CounterCase &c, std::ostream *os) {
    *os << c.name;
}

class RunCounterAtStart : public MainWindowFixture, public testing::TestWithParam<CounterCase> {};

TEST_P(RunCounterAtStart, CountsTheRun) {
    const CounterCase &c = GetParam();
    writeBytes(folder.file("Mendora.ini"), c.before);
    TMainForm &w = start();
    EXPECT_EQ(readBytes(folder.file("Mendora.ini")), c.after);
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    EXPECT_EQ(w.windowTitle().toStdString(), "Corvanta Mendora Pro");
    ASSERT_EQ(fakes.registry.writes.size(), 1u);
    EXPECT_EQ(fakes.registry.writes[0].keyPath, "\\Software\\Corvanta\\Mendora");
    EXPECT_EQ(fakes.registry.writes[0].valueName, "FilePath");
    EXPECT_EQ(fakes.registry.writes[0].data, executable());
    EXPECT_EQ(mendora::programFolder, folder.path() + "/");
}

INSTANTIATE_TEST_SUITE_P(Cases, RunCounterAtStart,
                         testing::Values(CounterCase{"empty", "", "1"},
                                         CounterCase{"blanksOnly", " \t\r\n \n", "1"},
                                         CounterCase{"withLineEnd", "41\r\n", "42"},
                                         CounterCase{"wrapsAround", "2147483647", "-2147483648"},
                                         CounterCase{"negative", "-5", "-4"},
                                         CounterCase{"hex", "$1F", "32"},
                                         CounterCase{"hex0x", "  0x10 trailing", "17"},
                                         CounterCase{"onlyFirstNumber", "7 8 9", "8"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Startup, NoCounterFileIsNotCreated) {
    start();
    EXPECT_FALSE(exists(folder.file("Mendora.ini")));
    EXPECT_EQ(fakes.registry.writes.size(), 1u);
}

TEST_F(Startup, CounterThatIsNoNumberStopsTheCreationStep) {
    writeBytes(folder.file("Mendora.ini"), "abc");
    ::unlink(folder.file("pidgen.dll").c_str());
    TMainForm &w = start();
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u) << "the companion checks are skipped";
    EXPECT_EQ(fakes.dialogs.messages[0].kind, "error");
    EXPECT_EQ(fakes.dialogs.messages[0].caption, mendora::applicationTitle());
    EXPECT_EQ(fakes.dialogs.messages[0].text, "Invalid numeric input.");
    EXPECT_EQ(readBytes(folder.file("Mendora.ini")), "abc");
    EXPECT_TRUE(fakes.registry.writes.empty());
    EXPECT_FALSE(w.TerminationRequested());
    EXPECT_EQ(w.windowTitle().toStdString(), "Corvanta Mendora Pro");
    EXPECT_EQ(mendora::programFolder, folder.path() + "/");
    // The window still works.
    fakes.dialogs.fileAnswers.push_back(std::vector<std::string>{"/m/a.avi"});
    w.AddFile1->trigger();
    EXPECT_EQ(w.MediaList().rowCount(), 1);
}

TEST_F(Startup, CounterReachedThroughDoubledSeparator) {
    // The counter name begins with a separator and is joined as it is.
    EXPECT_EQ(mendora::productIdentity().CounterFileName, "/Mendora.ini");
    writeBytes(folder.file("Mendora.ini"), "1");
    start();
    EXPECT_EQ(readBytes(folder.path() + "//Mendora.ini"), "2");
}

TEST_F(Startup, BothCompanionFilesMissing) {
    ::unlink(folder.file("pidgen.dll").c_str());
    ::unlink(folder.file("npwmsdrm.dll").c_str());
    TMainForm &w = start();
    ASSERT_EQ(fakes.dialogs.messages.size(), 2u);
    for (const auto &m : fakes.dialogs.messages) {
        EXPECT_EQ(m.kind, "notice");
        EXPECT_EQ(m.caption, mendora::applicationTitle());
    }
    EXPECT_EQ(fakes.dialogs.messages[0].text, "pidgen.dll is error.");
    EXPECT_EQ(fakes.dialogs.messages[1].text, "npwmsdrm.dll is error.");
    EXPECT_TRUE(w.TerminationRequested());
    EXPECT_EQ(fakes.registry.writes.size(), 1u) << "the remaining steps still run";
    // The message loop ends by itself.
    bool endedByRequest = true;
    QTimer::singleShot(5000, [&] {
        endedByRequest = false;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    EXPECT_TRUE(endedByRequest);
}

TEST_F(Startup, OneCompanionFileMissing) {
    ::unlink(folder.file("npwmsdrm.dll").c_str());
    TMainForm &w = start();
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_EQ(fakes.dialogs.messages[0].text, "npwmsdrm.dll is error.");
    EXPECT_TRUE(w.TerminationRequested());
    QTimer::singleShot(5000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
}

TEST_F(Startup, RegistryFailure) {
    fakes.registry.succeed = false;
    start();
    EXPECT_EQ(fakes.dialogs.errors(),
              std::vector<std::string>{"Failed to set data for 'FilePath'."});
}

TEST_F(Startup, CloseWithoutConversionWindowAsksNothing) {
    TMainForm &w = start();
    w.show();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(fakes.windows.searched, std::vector<std::string>{"lame"});
    EXPECT_TRUE(fakes.dialogs.messages.empty());
    EXPECT_TRUE(fakes.windows.closed.empty());
}

TEST_F(Startup, CloseQuestionAnsweredNo) {
    fakes.windows.windowTitle = "lame";
    fakes.windows.window = 77;
    fakes.dialogs.confirmAnswers = {false};
    TMainForm &w = start();
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_EQ(fakes.dialogs.messages[0].kind, "confirm");
    EXPECT_EQ(fakes.dialogs.messages[0].caption, "Confirm");
    EXPECT_EQ(fakes.dialogs.messages[0].text,
              "Converting, Don't close applicaton. Are you sure close application");
    EXPECT_TRUE(fakes.windows.closed.empty());
}

TEST_F(Startup, CloseQuestionAnsweredYesClosesTheConversionWindow) {
    fakes.windows.windowTitle = "lame";
    fakes.windows.window = 77;
    fakes.dialogs.confirmAnswers = {true};
    TMainForm &w = start();
    w.show();
    w.Close1->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(fakes.windows.closed, std::vector<mendora::platform::WindowHandle>{77});
}

} // namespace
