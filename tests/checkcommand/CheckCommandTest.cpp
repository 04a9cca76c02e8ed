// mendora-check's arguments, output lines and exit status, over a checker of
// the test's own; and the real program over a real file.
#include "checkcommand/CheckCommand.h"
#include "support/TestFiles.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

using namespace mendora::mediacheck;
namespace repair = mendora::repair;
using mendora::test::makeMedia;
using mendora::test::readBytes;
using mendora::test::TempDir;
using mendora::test::writeBytes;

namespace {

struct CommandRun {
    int status;
    std::string out, err;
};

CommandRun run(const std::vector<std::string> &arguments, CheckCommandOptions options = {}) {
    TempDir folder;
    std::FILE *out = std::fopen(folder.file("out").c_str(), "w+");
    std::FILE *err = std::fopen(folder.file("err").c_str(), "w+");
    const int status = runCheckCommand(arguments, out, err, std::move(options));
    std::fclose(out);
    std::fclose(err);
    return {status, readBytes(folder.file("out")), readBytes(folder.file("err"))};
}

// Findings by file name; later names take longer, so that with several at
// once the first ones finish last.
Checker fakeChecker() {
    return [](const std::string &path) -> std::optional<Finding> {
        static const std::map<std::string, Finding> findings = {
            {"a.avi", intactFinding("fine")},
            {"b.mp3", damagedFinding("ends at 70 %", "ends at 70 % of its declared length")},
            {"c.asx", unsupportedFinding("not a media file", "not a media file")},
            {"d.wav", unreadableFinding("Input/output error")},
        };
        const auto it = findings.find(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(
            it == findings.end() ? 0 : 40 - 10 * std::distance(findings.begin(), it)));
        if (it == findings.end())
            throw std::runtime_error("no such case");
        return it->second;
    };
}

TEST(CheckCommand, LinesInArgumentOrderAndTheExitStatus) {
    const struct {
        std::vector<std::string> files;
        int status;
    } cases[] = {
        {{"a.avi", "c.asx"}, 0},
        {{"a.avi", "b.mp3", "c.asx"}, 1},
        {{"b.mp3", "d.wav"}, 2},
        {{"d.wav"}, 2},
    };
    const std::map<std::string, std::string> lines = {
        {"a.avi", "intact\tfine\ta.avi\n"},
        {"b.mp3", "damaged\tends at 70 % of its declared length\tb.mp3\n"},
        {"c.asx", "unsupported\tnot a media file\tc.asx\n"},
        {"d.wav", "unreadable\tInput/output error\td.wav\n"},
    };
    for (const unsigned jobs : {1u, 4u}) {
        for (const auto &c : cases) {
            std::string expected;
            for (const std::string &f : c.files)
                expected += lines.at(f);
            const CommandRun r = run(c.files, {jobs, fakeChecker(), {}});
            EXPECT_EQ(r.out, expected) << jobs;
            EXPECT_EQ(r.status, c.status) << expected;
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST(CheckCommand, WrongArgumentsAndOptions) {
    const CommandRun none = run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("usage: mendora-check"), std::string::npos);
    EXPECT_EQ(none.out, "");
    const CommandRun unknown = run({"--fast", "a.avi"}, {0, fakeChecker(), {}});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("wrong argument '--fast'"), std::string::npos);
    EXPECT_EQ(unknown.out, "") << "nothing is checked";
    for (const char *jobs : {"0", "x", "99999"})
        EXPECT_EQ(run({"--jobs", jobs, "a.avi"}, {0, fakeChecker(), {}}).status, 2) << jobs;
    const CommandRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: mendora-check"), std::string::npos);
    // After "--" a name that looks like an option is a file; "-j 2" is taken.
    const CommandRun dashed = run({"-j", "2", "--", "--help"}, {0, fakeChecker(), {}});
    EXPECT_EQ(dashed.out, "unreadable\tno such case\t--help\n");
    EXPECT_EQ(dashed.status, 2);
}

TEST(CheckCommand, NamesStayOnTheirLine) {
    EXPECT_EQ(escapedForLine("a\tb\nc\rd\\e.avi"), "a\\tb\\nc\\rd\\\\e.avi");
    EXPECT_EQ(escapedForLine("plain/name.mp3"), "plain/name.mp3");
}

TEST(CheckCommand, TheProgramOverARealFile) {
    TempDir folder;
    const std::string wav = folder.file("tone.wav");
    ASSERT_EQ(makeMedia(wav, "-f lavfi -i sine=sample_rate=8000 -t 1"), "");
    const std::string command = std::string(MENDORA_CHECK_PROGRAM) + " " + wav + " " +
                                folder.file("missing.wav") + " >" + folder.file("out");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(readBytes(folder.file("out")), "intact\tdecoded to the end without errors\t" + wav +
                                                 "\nunreadable\tNo such file or directory\t" +
                                                 folder.file("missing.wav") + "\n");
}

// With --repair: a repaired file's line names its copy; the strategy of
// the file's kind is asked for; the exit status is 0 when every damaged
// file was repaired.
TEST(CheckCommand, RepairLinesAndStatus) {
    std::vector<repair::Request> asked;
    std::mutex mutex;
    const Repairer repairer = [&](const repair::Request &request, const Finding &) {
        const std::lock_guard lock(mutex);
        asked.push_back(request);
        repair::Result r;
        if (request.path == "b.mp3") {
            r.outcome = repair::Result::Outcome::Repaired;
            r.copy = "b (repaired).mp3";
            r.details = "rebuilt: kept 90 of 100 packets (90 %)";
            r.keptPercent = 90;
        } else {
            r.details = "not repaired: Skip damaged: the copy is still damaged";
        }
        return r;
    };
    CommandRun r = run({"--repair", "--music-mode", "2", "--fill", "FF8000", "--out", "/o", "a.avi",
                        "b.mp3", "c.asx"},
                       {1, fakeChecker(), repairer});
    EXPECT_EQ(r.out, "intact\tfine\ta.avi\n"
                     "repaired\trebuilt: kept 90 of 100 packets (90 %)\tb.mp3\tb (repaired).mp3\n"
                     "unsupported\tnot a media file\tc.asx\n");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(asked.size(), 1u) << "only the damaged file is repaired";
    EXPECT_EQ(asked[0].mode, 2);
    EXPECT_EQ(asked[0].kind, MediaKind::Music);
    EXPECT_EQ(asked[0].fill, 0xFF8000u);
    EXPECT_EQ(asked[0].folder, "/o");

    // A damaged file left so keeps the status 1 and says why.
    const Checker damagedVideo = [](const std::string &) -> std::optional<Finding> {
        return damagedFinding("data near 40 %", "damaged data near 40 %");
    };
    r = run({"--repair", "--json", "x.avi"}, {1, damagedVideo, repairer});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"action\": \"not repaired\", \"copy\": null, \"kept\": null"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("damaged data near 40 %; not repaired: Skip damaged"), std::string::npos)
        << r.out;

    for (const std::vector<std::string> &wrong :
         std::vector<std::vector<std::string>>{{"--video-mode", "14", "a.avi"},
                                               {"--music-mode", "0", "a.avi"},
                                               {"--picture-mode", "3", "a.avi"},
                                               {"--fill", "12345", "a.avi"},
                                               {"--fill", "GG0000", "a.avi"},
                                               {"--out"}})
        EXPECT_EQ(run(wrong, {1, fakeChecker(), repairer}).status, 2) << wrong[0];
}

// The program repairs a real file into a copy that it then calls intact.
TEST(CheckCommand, TheProgramRepairsARealFile) {
    TempDir folder;
    const std::string mp3 = folder.file("tone.mp3");
    ASSERT_EQ(makeMedia(mp3, "-f lavfi -i sine=sample_rate=22050 -t 3 -c:a libmp3lame"), "");
    const std::string bytes = readBytes(mp3);
    writeBytes(mp3, bytes.substr(0, bytes.size() * 2 / 3));
    const std::string copy = folder.file("tone (repaired).mp3");
    const auto runProgram = [&](const std::string &arguments) {
        const std::string command =
            std::string(MENDORA_CHECK_PROGRAM) + " " + arguments + " >" + folder.file("out");
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(runProgram("--repair '" + mp3 + "'"), 0);
    const std::string line = readBytes(folder.file("out"));
    EXPECT_TRUE(line.starts_with("repaired\t")) << line;
    EXPECT_TRUE(line.ends_with("\t" + mp3 + "\t" + copy + "\n")) << line;
    EXPECT_EQ(runProgram("'" + copy + "'"), 0);
    EXPECT_TRUE(readBytes(folder.file("out")).starts_with("intact\t"));
}

} // namespace
