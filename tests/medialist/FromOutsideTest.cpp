// Files from outside the open dialog: folders through the chooser, drops
// from a file manager, command-line paths; and the report of the list.
#include "app/UnitBasic.h"
#include "medialist/MediaList.h"
#include "support/MainWindowFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <gtest/gtest.h>

using namespace mendora::test;

namespace {

class FromOutside : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override {
        start();
        media.reset(new TempDir);
        for (const char *folder : {"/album", "/album/cd2"})
            makeFolder(media->path() + folder);
        for (const char *file : {"/album/02.mp3", "/album/01.MP3", "/album/cover.JPG",
                                 "/album/notes.txt", "/album/cd2/01.wav", "/loose.avi"})
            writeBytes(media->path() + file, "x");
    }
    std::vector<std::string> paths() {
        std::vector<std::string> out;
        for (int r = 0; r < window().MediaList().rowCount(); ++r)
            out.emplace_back(window().MediaList().fullPath(r));
        return out;
    }
    std::string m(const std::string &name) { return media->path() + name; }
    void drop(const QList<QUrl> &urls) {
        QMimeData data;
        data.setUrls(urls);
        QWidget *target = window().Lv->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
        EXPECT_TRUE(event.isAccepted());
    }

    std::unique_ptr<TempDir> media;
};

TEST_F(FromOutside, AddFolderAddsItsMediaFilesInPathOrder) {
    fakes.dialogs.fileAnswers.push_back(std::vector<std::string>{m("/loose.avi")});
    window().AddFile1->trigger();
    fakes.dialogs.folderAnswers.push_back(m("/album"));
    window().AddFolder1->trigger();
    EXPECT_EQ(paths(),
              (std::vector<std::string>{m("/loose.avi"), m("/album/01.MP3"), m("/album/02.mp3"),
                                        m("/album/cd2/01.wav"), m("/album/cover.JPG")}));
    EXPECT_EQ(window().MediaList().index(4, 0).data().toString(), "5");
    // Cancelling the chooser adds nothing.
    window().AddFolder1->trigger();
    EXPECT_EQ(paths().size(), 5u);
    EXPECT_TRUE(fakes.dialogs.messages.empty());
}

TEST_F(FromOutside, DroppedFilesAndFoldersAreAdded) {
    // A dropped file is added whatever its type, as a name typed in the dialog.
    drop({QUrl::fromLocalFile(QString::fromStdString(m("/album/notes.txt"))),
          QUrl::fromLocalFile(QString::fromStdString(m("/album/cd2")))});
    EXPECT_TRUE(waitUntil([&] { return window().MediaList().rowCount() == 2; }));
    EXPECT_EQ(paths(), (std::vector<std::string>{m("/album/notes.txt"), m("/album/cd2/01.wav")}));

    // Something that is not a local file is refused.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://www.example.com/a.mp3"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window().Lv->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(FromOutside, CommandLinePathsAreAbsolute) {
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(media->path())));
    const std::vector<std::string> list = mendora::commandLinePaths(
        {"Mendora", "loose.avi", "", "album", QString::fromStdString(m("/album/02.mp3"))});
    QDir::setCurrent(here);
    EXPECT_EQ(list, (std::vector<std::string>{m("/loose.avi"), m("/album"), m("/album/02.mp3")}));
    window().AddPaths(list);
    EXPECT_EQ(paths().size(), 1u + 4u + 1u);
    EXPECT_EQ(paths().back(), m("/album/02.mp3"));
}

TEST_F(FromOutside, ReportAsCsvAndAsJson) {
    window().AddPaths({m("/loose.avi"), m("/album/02.mp3"), m("/gone, \"really\".wav")});
    window().MediaList().setFinding(
        1, mendora::mediacheck::damagedFinding("ends at 50 % of its declared length",
                                               "ends at 50 % of its declared length"));
    fakes.dialogs.saveAnswers.push_back(mendora::platform::SaveChoice{m("/report.csv"), 0});
    // The type chosen decides the format, whatever the name ends in.
    fakes.dialogs.saveAnswers.push_back(mendora::platform::SaveChoice{m("/report.txt"), 1});
    window().SaveReport1->trigger();
    window().SaveReport1->trigger();
    EXPECT_EQ(fakes.dialogs.filters.back(), "CSV File|*.csv|JSON File|*.json");
    EXPECT_EQ(readBytes(m("/report.csv")),
              "number,path,size,verdict,details\r\n1," + m("/loose.avi") + ",1,,\r\n2," +
                  m("/album/02.mp3") + ",1,damaged,ends at 50 % of its declared length\r\n3,\"" +
                  m("/gone, ") + "\"\"really\"\".wav\",,,\r\n");

    QJsonParseError error;
    const QJsonDocument json =
        QJsonDocument::fromJson(QByteArray::fromStdString(readBytes(m("/report.txt"))), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray rows = json.array();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1].toObject()["number"].toInt(), 2);
    EXPECT_EQ(rows[1].toObject()["path"].toString().toStdString(), m("/album/02.mp3"));
    EXPECT_EQ(rows[1].toObject()["size"].toInt(), 1);
    EXPECT_EQ(rows[1].toObject()["verdict"].toString(), "damaged");
    EXPECT_EQ(rows[2].toObject()["path"].toString().toStdString(), m("/gone, \"really\".wav"));
    EXPECT_TRUE(rows[2].toObject()["size"].isNull());
    EXPECT_EQ(listFolder(media->path()), "album loose.avi report.csv report.txt");
}

TEST_F(FromOutside, ReportThatCannotBeWrittenIsReported) {
    fakes.dialogs.saveAnswers.push_back(
        mendora::platform::SaveChoice{m("/no-folder/report.csv"), 0});
    window().SaveReport1->trigger();
    EXPECT_EQ(fakes.dialogs.errors(),
              (std::vector<std::string>{"Cannot create file \"" + m("/no-folder/report.csv") +
                                        "\". No such file or directory."}));
}

} // namespace
