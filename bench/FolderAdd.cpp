// Speed of adding a whole folder tree: 100,000 media files in 100 folders
// (and 10,000 other files that are left out). Times, in the same run:
//   - the search (files::filesBelow with the media patterns) against a plain
//     std::filesystem walk of the same tree that only lists it;
//   - appending the found files to the list shown in a view, against
//     appending as many rows to a QStandardItemModel in the same view.
//   build/bench/folder_add [folder for the tree, default a new temporary one]
#include "medialist/MediaList.h"
#include "system/Files.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTreeView>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

double seconds(const std::function<void()> &work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path root =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "mendora-folder-bench";
    const int folders = 100, perFolder = 1000;
    if (!fs::exists(root / "d99" / "f999.mp3")) {
        for (int d = 0; d < folders; ++d) {
            fs::create_directories(root / ("d" + std::to_string(d)));
            for (int f = 0; f < perFolder; ++f)
                std::ofstream(root / ("d" + std::to_string(d)) /
                              ("f" + std::to_string(f) + ".mp3"));
            for (int f = 0; f < perFolder / 10; ++f)
                std::ofstream(root / ("d" + std::to_string(d)) /
                              ("n" + std::to_string(f) + ".txt"));
        }
    }
    std::printf("tree: %s, %d media files, %d others\n", root.c_str(), folders * perFolder,
                folders * perFolder / 10);

    std::size_t listed = 0;
    const double plain = seconds([&] {
        for (const auto &entry : fs::recursive_directory_iterator(root))
            listed += entry.is_regular_file() ? 1 : 0;
    });
    mendora::files::FolderFiles found;
    const double search = seconds(
        [&] { found = mendora::files::filesBelow(root.string(), mendora::isMediaFileName); });
    std::printf("search: %.3f s for %zu files; plain walk %.3f s for %zu entries; ratio %.2f\n",
                search, found.paths.size(), plain, listed, search / plain);

    QTreeView view;
    view.resize(505, 233);
    view.show();
    mendora::MediaListModel list;
    view.setModel(&list);
    const double append = seconds([&] {
        list.appendFiles(found.paths);
        QCoreApplication::processEvents();
    });
    QStandardItemModel standard;
    QTreeView other;
    other.resize(505, 233);
    other.show();
    other.setModel(&standard);
    const double baseline = seconds([&] {
        QList<QStandardItem *> rows;
        for (const std::string &path : found.paths)
            rows << new QStandardItem(QString::fromStdString(path));
        standard.invisibleRootItem()->appendRows(rows);
        QCoreApplication::processEvents();
    });
    std::printf("append: %.3f s for %d rows; QStandardItemModel %.3f s; ratio %.2f\n", append,
                list.rowCount(), baseline, append / baseline);
    return 0;
}
