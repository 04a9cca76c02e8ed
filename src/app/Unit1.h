// The main window: menus, toolbar, the media file list, the progress panel,
// the face picture and the company link label.
#pragma once

#include "app/UnitBasic.h"
#include "fixpass/PassView.h"
#include "system/Files.h"
#include "ui_Unit1.h"

#include <QIcon>
#include <QMainWindow>
#include <string>
#include <vector>

class QSessionManager;
class QTimer;

namespace mendora {
class CheckPass;
class MediaListModel;
} // namespace mendora

class TMainForm : public QMainWindow, public Ui::TMainForm, public mendora::PassView {
    Q_OBJECT
public:
    // `executablePath` is the full path of the running program; its folder is
    // the program folder.
    explicit TMainForm(const std::string &executablePath, QWidget *parent = nullptr);
    ~TMainForm() override;

    mendora::MediaListModel &MediaList() const { return *MediaList_; }

    // The status ticker: 10 ms, running while the progress panel is visible.
    QTimer *Timer2 = nullptr;
    // True once a companion-file check asked the program to end.
    bool TerminationRequested() const { return TerminationRequested_; }

    // Picture lists: IcoList 16 x 16 (menus, rows), BigIcoList 48 x 48 (toolbar).
    std::vector<QIcon> IcoList;
    std::vector<QIcon> BigIcoList;

    // Commands.
    void AddFile1Click();
    void AddFolder1Click();
    void SaveReport1Click();
    void Deletefile1Click();
    void SelectAll1Click();
    void InvertSelection1Click();
    void menuFixClick();
    void ConverttoWave1Click();
    void StopButtonClick();
    void Timer2Timer();
    void Preferences1Click();
    void Content1Click();
    void Homepage1Click();
    void EMail1Click();
    void ToolContentClick();
    void ToolHomepageClick();
    void ToolEmailClick();
    void More3Click();
    void AboutClick();
    void Close1Click();
    void Label2Click();
    void Label2MouseMove();
    void Label2MouseLeave();
    void FormResize();
    void LayoutControls();
    // The close question; true when closing may go on.
    bool FormCloseQuery();

    // Adds files and folders from outside (the command line, a drop, the
    // folder chooser): a file as the open dialog adds it; a folder adds the
    // media files below it in path order, with a progress window while it is
    // searched. Cancelling the search adds nothing.
    void AddPaths(const std::vector<std::string> &paths);

    // What the pass shows, on Panel1.
    void showPanel() override;
    void hidePanel() override;
    void setFileLabel(const std::string &path) override;
    void setBarMaximum(Bar bar, int maximum) override;
    void setBarPosition(Bar bar, int position) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void CheckCompanionFile(const std::string &name);
    void Label2RestingLook();
    void BindCommands();
    void SessionCommitData(QSessionManager &manager);
    // The media files below `folder`, searched on a worker thread.
    mendora::files::FolderFiles ScanFolder(const std::string &folder);

    std::string ExecutablePath;
    mendora::ProductIdentity Identity_;
    mendora::MediaListModel *MediaList_ = nullptr;
    mendora::CheckPass *Pass_ = nullptr;
    QString TickerText_;
    bool TerminationRequested_ = false;
    bool Shown_ = false;
};
