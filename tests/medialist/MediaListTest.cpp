// The media file list through the main window's commands.
#include "medialist/MediaList.h"
#include "app/NumColumn.h"
#include "app/UnitBasic.h"
#include "support/MainWindowFixture.h"
#include "ui/DialogsQt.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace mendora::test;

namespace {

class MediaList : public MainWindowFixture, public testing::Test {
protected:
    void SetUp() override { start(); }

    mendora::MediaListModel &model() { return window().MediaList(); }
    QItemSelectionModel &selection() { return *window().Lv->selectionModel(); }

    void add(std::vector<std::string> paths) {
        fakes.dialogs.fileAnswers.push_back(std::move(paths));
        window().AddFile1->trigger();
    }
    std::string cell(int row, int column) {
        return model().index(row, column).data().toString().toStdString();
    }
    // "num:file:folder:picture" for every row, and the entries behind them.
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        EXPECT_EQ(MediaEntries.size(), static_cast<size_t>(model().rowCount()));
        for (int r = 0; r < model().rowCount(); ++r) {
            EXPECT_EQ(MediaEntries[r].FullPath,
                      std::string(model().directoryText(r)) + std::string(model().fileText(r)));
            out.push_back(cell(r, 0) + ":" + cell(r, 1) + ":" + cell(r, 2) + ":" +
                          std::to_string(model().picture(r)));
        }
        return out;
    }
    void selectRows(std::initializer_list<int> list) {
        for (int r : list)
            selection().select(model().index(r, 0),
                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

TEST_F(MediaList, DialogAndColumns) {
    add({});
    EXPECT_EQ(
        fakes.dialogs.filters,
        std::vector<std::string>{
            "All Media File|*.wma;*wmv;*.wm;*.asf;*.asx;*.avi;*.mpg;*.mpeg;*.mpa;*.dat;*.mp3;"
            "*.mp2;*.mp1;*.mpa;*.mpga;*.wav;*.vob;*.rmvb;*.jpg;*.jpeg;*.bmp|Windows Media Files "
            "(*.wma,*wmv,*.wm,*.asf,*.asx)|*.wma;*wmv;*.wm;*.asf;*.asx|AVI Files|*.avi|MPEG "
            "Files (*.mpg,*.mpeg,*.mpa,*.dat)|*.mpg;*.mpeg;*.mpa;*.dat|Real Files "
            "(*.rm,*.rmvb,*.ra)|*.rm;*.rmvb;*.ra|DVD Files (*.vob)|*.vob|VCD, SVCD Files "
            "(*.mpg,*.mpeg)|*.mpg;*.mpeg|Mp3 Audio Files "
            "(*.mp3,*.mp2,*.mp1,*.mpa,*.mpga)|*.mp3;*.mp2;*.mp1;*.mpa;*.mpga|Wave Files "
            "(*.wav)|*.wav|JPEG Image (*.jpg,*.jpeg)|*.jpg;*.jpeg|BMP Image (*.bmp)|*.bmp"});
    QHeaderView *header = window().Lv->header();
    EXPECT_EQ(model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Num");
    EXPECT_EQ(model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "File");
    EXPECT_EQ(model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Directory");
    EXPECT_EQ(header->sectionSize(0), 40);
    EXPECT_EQ(header->sectionSize(1), 150);
    EXPECT_EQ(header->sectionSize(2), 300);
    EXPECT_EQ(window().Lv->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(window().Lv->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(window().Lv->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(MediaList, AddNumbersOnInDialogOrder) {
    add({"/v/b.avi", "/v/a.avi"});
    selectRows({1});
    add({"/m/z.mp3", "/m/deep/x.wav", "/v/b.avi"});
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:b.avi:/v/:5", "2:a.avi:/v/:5", "3:z.mp3:/m/:5",
                                                "4:x.wav:/m/deep/:5", "5:b.avi:/v/:5"}));
    EXPECT_EQ(mendora::selectedRows(selection()), std::vector<int>{1}) << "selection kept";
    EXPECT_FALSE(model().index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(MediaList, CancelChangesNothing) {
    add({"/v/a.avi", "/v/b.avi"});
    selectRows({0});
    window().AddFile1->trigger(); // no answer queued: the dialog is cancelled
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:a.avi:/v/:5", "2:b.avi:/v/:5"}));
    EXPECT_EQ(mendora::selectedRows(selection()), std::vector<int>{0});
}

TEST_F(MediaList, DeleteRenumbersAndKeepsPictures) {
    add({"/d/1", "/d/2", "/d/3", "/d/4", "/d/5"});
    model().setPicture(2, mendora::PictureDone);
    selectRows({1, 3});
    window().DeleteFile1->trigger();
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:1:/d/:5", "2:3:/d/:6", "3:5:/d/:5"}));
    EXPECT_TRUE(mendora::selectedRows(selection()).empty());
}

TEST_F(MediaList, DeleteWithNothingSelected) {
    add({"/d/1", "/d/2"});
    window().DeleteFile1->trigger();
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:1:/d/:5", "2:2:/d/:5"}));
}

TEST_F(MediaList, SelectAllInvertAndDelete) {
    add({"/d/1", "/d/2", "/d/3"});
    window().SelectAll1->trigger();
    EXPECT_EQ(mendora::selectedRows(selection()), (std::vector<int>{0, 1, 2}));
    window().InvertSelection1->trigger();
    EXPECT_TRUE(mendora::selectedRows(selection()).empty());
    selectRows({1});
    window().InvertSelection1->trigger();
    EXPECT_EQ(mendora::selectedRows(selection()), (std::vector<int>{0, 2}));
    window().DeleteFile1->trigger();
    EXPECT_EQ(rows(), std::vector<std::string>{"1:2:/d/:5"});
}

TEST_F(MediaList, CommandsOnEmptyList) {
    window().SelectAll1->trigger();
    window().InvertSelection1->trigger();
    window().DeleteFile1->trigger();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_TRUE(MediaEntries.empty());
}

TEST_F(MediaList, LargeScatteredDelete) {
    std::vector<std::string> paths;
    for (int i = 0; i < 100000; ++i)
        paths.push_back("/big/" + std::to_string(i));
    add(paths);
    ASSERT_EQ(model().rowCount(), 100000);
    QItemSelection every;
    for (int r = 0; r < 100000; r += 2)
        every.select(model().index(r, 0), model().index(r, 2));
    selection().select(every, QItemSelectionModel::Select);
    window().DeleteFile1->trigger();
    ASSERT_EQ(model().rowCount(), 50000);
    ASSERT_EQ(MediaEntries.size(), 50000u);
    for (int r : {0, 1, 24999, 49999}) {
        EXPECT_EQ(cell(r, 0), std::to_string(r + 1));
        EXPECT_EQ(cell(r, 1), std::to_string(2 * r + 1));
        EXPECT_EQ(MediaEntries[r].FullPath, "/big/" + std::to_string(2 * r + 1));
    }
}

TEST_F(MediaList, NumbersFitTheirColumn) {
    using mendora::NumColumnDelegate;
    // The program's fonts, as it runs.
    const QFont saved = QApplication::font();
    mendora::installFonts();
    start();
    QTreeView &view = *window().Lv;
    const QFontMetrics metrics = view.fontMetrics();
    EXPECT_LE(NumColumnDelegate::widthFor(metrics, 3, 16), 40)
        << "up to three digits fit the designed width beside the picture";
    add(std::vector<std::string>(999, "/d/x.avi"));
    EXPECT_EQ(view.header()->sectionSize(0), 40);
    add({"/d/y.avi"});
    const int wide = view.header()->sectionSize(0);
    EXPECT_EQ(wide, NumColumnDelegate::widthFor(metrics, 4, 16)) << "widened just enough";
    EXPECT_GT(wide, 40);
    // What the column's painter asks for row 1000 fits the column.
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.decorationSize = view.iconSize();
    const QSize hint = view.itemDelegateForColumn(0)->sizeHint(option, model().index(999, 0));
    EXPECT_LE(hint.width(), wide);
    QApplication::setFont(saved);
}

TEST(MediaPaths, QtFilterKeepsDescriptionsAndPatterns) {
    const QStringList filters = mendora::qtNameFilters(mendora::kMediaFileFilter);
    ASSERT_EQ(filters.size(), 11);
    EXPECT_EQ(filters[2], "AVI Files (*.avi)");
    EXPECT_EQ(filters[1], "Windows Media Files (*.wma,*wmv,*.wm,*.asf,*.asx) (*.wma *wmv *.wm "
                          "*.asf *.asx)");
    EXPECT_TRUE(filters[0].startsWith("All Media File (*.wma *wmv *.wm"));
}

} // namespace

namespace {

// The list keeps a file's finding; its model shows the verdict's picture,
// the summary in the Result column and the details as tooltip.
TEST_F(MediaList, FindingShowsItsVerdictsPicture) {
    using namespace mendora::mediacheck;
    window().MediaList().appendFiles({"/a.avi", "/b.avi", "/c.asx", "/d.avi"});
    const std::pair<Finding, int> cases[] = {
        {intactFinding(), mendora::PictureDone},
        {damagedFinding("cut short", "cut short: 10 bytes missing"), mendora::PictureDamaged},
        {unsupportedFinding("a playlist", "a playlist, which names files"),
         mendora::PictureNotChecked},
        {unreadableFinding("Input/output error"), mendora::PictureDamaged},
    };
    auto &model = window().MediaList();
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(model.finding(row), nullptr);
        EXPECT_EQ(model.result(row), "");
        model.setFinding(row, cases[row].first);
        EXPECT_EQ(model.picture(row), cases[row].second) << row;
        ASSERT_NE(model.finding(row), nullptr);
        EXPECT_EQ(model.finding(row)->verdict, cases[row].first.verdict);
        const QModelIndex result = model.index(row, mendora::MediaListModel::ColumnResult);
        EXPECT_EQ(result.data().toString().toStdString(), cases[row].first.summary);
        EXPECT_EQ(result.data(Qt::ToolTipRole).toString().toStdString(), cases[row].first.details);
    }
}

TEST(UnreadableFolders, NoticeNamesTheFirstFiveThenCounts) {
    EXPECT_EQ(mendora::unreadableFoldersNotice({"/m/locked"}),
              "1 folder could not be read; its files were not added:\n/m/locked");
    EXPECT_EQ(mendora::unreadableFoldersNotice({"/a", "/b"}),
              "2 folders could not be read; their files were not added:\n/a\n/b");
    EXPECT_EQ(mendora::unreadableFoldersNotice({"/1", "/2", "/3", "/4", "/5", "/6", "/7"}),
              "7 folders could not be read; their files were not added:\n/1\n/2\n/3\n/4\n/5\n"
              "and 2 more");
}

} // namespace
