// The report's CSV quoting and JSON text, and mendora-check --json.
#include "mediacheck/Report.h"
#include "checkcommand/CheckCommand.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace mendora::mediacheck;
using mendora::test::readBytes;
using mendora::test::TempDir;
using mendora::test::writeBytes;

namespace {

const std::vector<ReportRow> kRows = {
    {1, "/v/plain.avi", 1024, "intact", "", {}},
    {2, "/v/a,b \"quoted\".mp3", 7, "damaged", "ends at 70 % of its declared length", {}},
    {3, "/v/two\nlines\r.wav", std::nullopt, "", "", {}},
    {4, "/v/caf\xC3\xA9\t\xFF.jpg", 0, "unreadable", "Input/output error", {}},
};

TEST(Report, CsvQuotesCommasQuotesAndLineBreaks) {
    EXPECT_EQ(csvReport(kRows),
              "number,path,size,verdict,details\r\n"
              "1,/v/plain.avi,1024,intact,\r\n"
              "2,\"/v/a,b \"\"quoted\"\".mp3\",7,damaged,ends at 70 % of its declared length\r\n"
              "3,\"/v/two\nlines\r.wav\",,,\r\n"
              // A byte that is no UTF-8 becomes U+FFFD; a tab needs no quotes.
              "4,/v/caf\xC3\xA9\t\xEF\xBF\xBD.jpg,0,unreadable,Input/output error\r\n");
    EXPECT_EQ(csvReport({}), "number,path,size,verdict,details\r\n");
}

TEST(Report, JsonEscapes) {
    EXPECT_EQ(jsonReport({kRows[2], kRows[3]}),
              "[\n"
              "  {\"number\": 3, \"path\": \"/v/two\\nlines\\r.wav\", \"size\": null, "
              "\"verdict\": \"\", \"details\": \"\"},\n"
              "  {\"number\": 4, \"path\": \"/v/caf\xC3\xA9\\t\xEF\xBF\xBD.jpg\", \"size\": 0, "
              "\"verdict\": \"unreadable\", \"details\": \"Input/output error\"}\n"
              "]\n");
    EXPECT_EQ(jsonReport({{1, "a\"\\\x01", 1, "intact", "", {}}}),
              "[\n  {\"number\": 1, \"path\": \"a\\\"\\\\\\u0001\", \"size\": 1, "
              "\"verdict\": \"intact\", \"details\": \"\"}\n]\n");
    EXPECT_EQ(jsonReport({}), "[]\n");
}

TEST(Report, CheckCommandPrintsTheSameJson) {
    TempDir dir;
    writeBytes(dir.file("a.avi"), "12345");
    const std::string missing = dir.file("gone.mp3");
    CheckCommandOptions options;
    options.checker = [&](const std::string &path) -> std::optional<Finding> {
        if (path == missing)
            return unreadableFinding("No such file or directory");
        return intactFinding("");
    };
    std::FILE *out = std::fopen(dir.file("out").c_str(), "w+");
    std::FILE *err = std::fopen(dir.file("err").c_str(), "w+");
    const int status =
        runCheckCommand({"--json", dir.file("a.avi"), missing}, out, err, std::move(options));
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(
        readBytes(dir.file("out")),
        jsonReport({{1, dir.file("a.avi"), 5, "intact", "", {}},
                    {2, missing, std::nullopt, "unreadable", "No such file or directory", {}}}));
    EXPECT_EQ(readBytes(dir.file("err")), "");
}

} // namespace
