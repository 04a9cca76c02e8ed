#include "app/Unit1.h"

#include "app/NumColumn.h"
#include "fixpass/FixPass.h"
#include "infowindows/UnitAbout.h"
#include "infowindows/UnitMore.h"
#include "infowindows/UnitThank.h"
#include "mediacheck/Report.h"
#include "medialist/MediaList.h"
#include "platform/Platform.h"
#include "progressbar/LeanProgressBar.h"
#include "qttext/QtText.h"
#include "runcounter/RunCounter.h"
#include "settings/Unit2.h"
#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/Random.h"
#include "system/Text.h"
#include "ui/ErrorGuard.h"
#include "ui/Forms.h"
#include "ui/LazyIcon.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace mendora {
void initResources(); // app/Resources.cpp
}

namespace {

using mendora::guarded;
using mendora::MediaListModel;
using mendora::programFolder;
namespace platform = mendora::platform;

// The outer size counts the frame, caption and menu bar around the client
// area as the window was designed: 528 x 397 outside for 520 x 343 inside.
constexpr int kFrameWidth = 8;
constexpr int kNonClientHeight = 54;
constexpr int kClientWidth = 520;
constexpr int kClientHeight = 343;

// The face pictures: SystemIco/0.ico to SystemIco/34.ico in the program folder.
constexpr int kFaceCount = 35;
constexpr int kFaceSide = 33;

const char *const kRegistryKey = "\\Software\\Corvanta\\Mendora";
const char *const kConversionWindowTitle = "lame";

// The local files and folders of a drag, in the system's form.
std::vector<std::string> droppedPaths(const QMimeData *data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            paths.push_back(mendora::nativePath(url.toLocalFile()));
    return paths;
}

} // namespace

TMainForm::TMainForm(const std::string &executablePath, QWidget *parent)
    : QMainWindow(parent), ExecutablePath(executablePath) {
    mendora::initResources();
    setupUi(this);
    mendora::fitTextControls(this);
    // The pictures are read when first drawn: the menus' ones only when a
    // menu opens.
    for (int i = 0; i < 10; ++i)
        IcoList.push_back(mendora::lazyFileIcon(QStringLiteral(":/icons/ico%1.png").arg(i)));
    for (int i = 0; i < 7; ++i)
        BigIcoList.push_back(mendora::lazyFileIcon(QStringLiteral(":/icons/big%1.png").arg(i)));
    // Picture numbers index the lists; Convert to Wave names pictures 8 and 7,
    // which the menu and toolbar lists never had, and shows none. Pictures 8
    // and 9 of IcoList mark damaged and not checked rows.
    const std::pair<QAction *, int> menuPictures[] = {
        {AddFile1, 3}, {DeleteFile1, 4}, {menuFix, 5}, {Preferences1, 7},
        {Content1, 2}, {Homepage1, 0},   {EMail1, 1}};
    for (const auto &[item, picture] : menuPictures)
        item->setIcon(IcoList[picture]);
    const std::pair<QToolButton *, int> toolPictures[] = {
        {ToolButton1, 3},  {ToolButton2, 4}, {ToolButton4, 5}, {ToolButton5, 6},
        {ToolHomepage, 0}, {ToolEmail, 1},   {ToolContent, 2}};
    for (const auto &[button, picture] : toolPictures)
        button->setIcon(BigIcoList[picture]);

    MediaList_ = new MediaListModel(this);
    MediaList_->setPictures(IcoList);
    Lv->setModel(MediaList_);
    Lv->setRootIsDecorated(false);
    Lv->setItemsExpandable(false);
    Lv->setUniformRowHeights(true);
    Lv->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    Lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Lv->setAllColumnsShowFocus(true);
    Lv->setIconSize(QSize(16, 16));
    Lv->header()->setStretchLastSection(false);
    Lv->header()->setSectionsMovable(false);
    Lv->header()->resizeSection(MediaListModel::ColumnNum, 40);
    Lv->header()->resizeSection(MediaListModel::ColumnFile, 150);
    Lv->header()->resizeSection(MediaListModel::ColumnDirectory, 300);
    Lv->header()->resizeSection(MediaListModel::ColumnResult, 160);
    Lv->setItemDelegateForColumn(MediaListModel::ColumnNum, new mendora::NumColumnDelegate(Lv));
    // Files and folders dropped from a file manager.
    Lv->viewport()->setAcceptDrops(true);
    Lv->viewport()->installEventFilter(this);
    connect(MediaList_, &QAbstractItemModel::rowsInserted, this,
            [this] { mendora::fitNumColumn(*Lv, MediaListModel::ColumnNum); });

    Pass_ = new mendora::CheckPass(*MediaList_, *this, mendora::CheckPass::defaultChecker(), this);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(10);
    connect(Timer2, &QTimer::timeout, this, mendora::guardedSlot(this, &TMainForm::Timer2Timer));
    Panel1->installEventFilter(this);

    Label2->setMouseTracking(true);
    Label2->installEventFilter(this);
    centralwidget->installEventFilter(this);
    centralwidget->setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight + MainMenu->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    BindCommands();
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::SessionCommitData);

    guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm() = default;

void TMainForm::BindCommands() {
    const auto bind = [this](auto *sender, auto signal, void (TMainForm::*handler)()) {
        connect(sender, signal, this, mendora::guardedSlot(this, handler));
    };
    bind(AddFile1, &QAction::triggered, &TMainForm::AddFile1Click);
    bind(AddFolder1, &QAction::triggered, &TMainForm::AddFolder1Click);
    bind(SaveReport1, &QAction::triggered, &TMainForm::SaveReport1Click);
    bind(DeleteFile1, &QAction::triggered, &TMainForm::Deletefile1Click);
    bind(Close1, &QAction::triggered, &TMainForm::Close1Click);
    bind(SelectAll1, &QAction::triggered, &TMainForm::SelectAll1Click);
    bind(InvertSelection1, &QAction::triggered, &TMainForm::InvertSelection1Click);
    bind(menuFix, &QAction::triggered, &TMainForm::menuFixClick);
    bind(ConverttoWave1, &QAction::triggered, &TMainForm::ConverttoWave1Click);
    bind(Preferences1, &QAction::triggered, &TMainForm::Preferences1Click);
    bind(Content1, &QAction::triggered, &TMainForm::Content1Click);
    bind(Homepage1, &QAction::triggered, &TMainForm::Homepage1Click);
    bind(EMail1, &QAction::triggered, &TMainForm::EMail1Click);
    bind(More3, &QAction::triggered, &TMainForm::More3Click);
    bind(About, &QAction::triggered, &TMainForm::AboutClick);
    bind(ToolButton1, &QToolButton::clicked, &TMainForm::AddFile1Click);
    bind(ToolButton2, &QToolButton::clicked, &TMainForm::Deletefile1Click);
    bind(ToolButton4, &QToolButton::clicked, &TMainForm::menuFixClick);
    bind(ToolButton8, &QToolButton::clicked, &TMainForm::ConverttoWave1Click);
    bind(ToolButton5, &QToolButton::clicked, &TMainForm::Preferences1Click);
    bind(ToolHomepage, &QToolButton::clicked, &TMainForm::ToolHomepageClick);
    bind(ToolEmail, &QToolButton::clicked, &TMainForm::ToolEmailClick);
    bind(ToolContent, &QToolButton::clicked, &TMainForm::ToolContentClick);
    bind(StopButton, &QPushButton::clicked, &TMainForm::StopButtonClick);
}

void TMainForm::FormCreate() {
    Identity_ = mendora::productIdentity();
    setWindowTitle(mendora::qtText(Identity_.CompanyName + " " + Identity_.ProductName));
    programFolder = mendora::programFolderOf(ExecutablePath);
    mendora::settingsFolder = mendora::settingsFolderOf(programFolder);
    mendora::updateRunCounter(mendora::settingsFolder + Identity_.CounterFileName);
    CheckCompanionFile("pidgen.dll");
    CheckCompanionFile("npwmsdrm.dll");
    Label2RestingLook();
    if (!platform::registry().writeString(kRegistryKey, "FilePath", ExecutablePath))
        throw mendora::RegistryError("FilePath");
}

void TMainForm::CheckCompanionFile(const std::string &name) {
    if (mendora::files::fileExists(programFolder + name))
        return;
    platform::dialogs().notice(this, mendora::applicationTitle(), name + " is error.");
    // The program ends when its message loop reaches the request; the rest of
    // the start-up still runs.
    TerminationRequested_ = true;
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TMainForm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!Shown_) {
        Shown_ = true;
        guarded([this] { FormShow(); });
    }
}

namespace {

// Loads every picture of an icon file into `face`, which draws the one that
// suits its 33-pixel size on the screen's pixel density.
void SetText(QLabel *label, const std::string &text) {
    label->setText(mendora::qtText(text));
}

void LoadFacePicture(QLabel *face, const std::string &path) {
    std::string bytes;
    if (const int error = mendora::files::readWholeFile(path, bytes))
        throw mendora::FileOpenError(path, mendora::systemErrorText(error));
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "ico");
    QIcon icon;
    for (QImage image = reader.read(); !image.isNull(); image = reader.read()) {
        icon.addPixmap(QPixmap::fromImage(image));
        if (!reader.jumpToNextImage())
            break;
    }
    if (icon.isNull())
        throw mendora::FileOpenError(path, "The file holds no icon picture");
    // For the densest screen: before the window first shows, the label may
    // not know its screen yet.
    const qreal density = std::max(face->devicePixelRatioF(), qApp->devicePixelRatio());
    face->setPixmap(icon.pixmap(QSize(kFaceSide, kFaceSide), density));
}

} // namespace

void TMainForm::FormShow() {
    const mendora::ProductIdentity &id = Identity_;
    AboutForm->setWindowTitle(mendora::qtText(id.AboutCaption));
    SetText(AboutForm->Company, id.CompanyName);
    SetText(AboutForm->ProductName1, id.ProductName);
    SetText(AboutForm->ProductName2, id.ProductName);
    SetText(AboutForm->ProductName3, id.ProductName);
    SetText(AboutForm->Version, id.VersionText);
    SetText(AboutForm->Copyright, id.CompanyFullName);
    SetText(AboutForm->VersionSM, id.EditionText);
    SetText(AboutForm->CopyrightYeah, id.CopyrightYears);
    SetText(AboutForm->URL, id.HomepageUrl);
    SetText(AboutForm->EMAIL, id.SupportMail);

    mendora::randomize();

    // Only the five files drawn are touched, never the whole folder.
    for (QLabel *face :
         {AboutForm->FaceIco, MoreForm->FaceIco, FaceIco, Form2->FaceIco, ThankForm->FaceIco}) {
        const int n = mendora::randomBelow(kFaceCount);
        LoadFacePicture(face, programFolder + "SystemIco" + mendora::files::kSeparator +
                                  std::to_string(n) + ".ico");
    }

    AboutForm->ThankButton->setVisible(mendora::files::fileExists(AboutForm->ThankFile()));

    // The views load their pages one per turn of the event loop, after this
    // window has been painted.
    MoreForm->PageControl1->setCurrentIndex(id.MoreStartPage);
    const auto views = MoreForm->WebViews();
    for (std::size_t i = 0; i < views.size(); ++i) {
        const std::string page = programFolder + id.CatalogueFolder + TMoreForm::PageFiles[i];
        views[i]->Navigate(mendora::qtText(page).toStdU16String());
    }

    Label2RestingLook();
    Label2->setText(mendora::qtText(id.CompanyFullName));
    Label2->adjustSize();
}

namespace {

void SetLinkLook(QLabel *label, const QColor &color, bool italic, bool boldUnderlined) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    QFont font = label->font();
    font.setItalic(italic);
    font.setBold(boldUnderlined);
    font.setUnderline(boldUnderlined);
    label->setFont(font);
    label->adjustSize();
}

} // namespace

// Silver (12632256), italic.
void TMainForm::Label2RestingLook() {
    SetLinkLook(Label2, QColor(192, 192, 192), true, false);
}

// Black, bold, underlined.
void TMainForm::Label2MouseMove() {
    SetLinkLook(Label2, Qt::black, false, true);
}

void TMainForm::Label2MouseLeave() {
    Label2RestingLook();
}

void TMainForm::Label2Click() {
    ShellOpen(Identity_.HomepageUrl);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == centralwidget && event->type() == QEvent::Resize) {
        guarded([this] { FormResize(); });
    } else if (watched == Panel1 && event->type() == QEvent::Show) {
        Timer2->start();
    } else if (watched == Panel1 && event->type() == QEvent::Hide) {
        // Nothing shows the ticker while the panel is hidden: no wake-ups then.
        Timer2->stop();
    } else if (watched == Lv->viewport() &&
               (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                event->type() == QEvent::Drop)) {
        auto *drag = static_cast<QDropEvent *>(event);
        // What is dragged is looked at when it enters and when it is dropped,
        // not at every move in between.
        if (event->type() == QEvent::DragMove) {
            drag->acceptProposedAction();
            return true;
        }
        const std::vector<std::string> paths = droppedPaths(drag->mimeData());
        if (paths.empty()) {
            drag->ignore();
            return true;
        }
        drag->acceptProposedAction();
        // Added once the drop is over, so that the file manager need not wait.
        if (event->type() == QEvent::Drop)
            QTimer::singleShot(0, this, [this, paths] { guarded([&] { AddPaths(paths); }); });
        return true;
    } else if (watched == Label2) {
        switch (event->type()) {
        case QEvent::MouseMove:
            guarded([this] { Label2MouseMove(); });
            break;
        case QEvent::Leave:
            guarded([this] { Label2MouseLeave(); });
            break;
        case QEvent::MouseButtonRelease:
            if (mendora::isLeftClick(event, Label2))
                guarded([this] { Label2Click(); });
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// A function key that reached the window unhandled is matched against every
// menu item, hidden ones included (a hidden item's shortcut is inactive), and
// the first item with that key is clicked (Qt counts a hidden item as
// disabled, but nothing in this window is ever disabled).
void TMainForm::keyPressEvent(QKeyEvent *event) {
    const QKeySequence key(event->keyCombination());
    for (QAction *menu : MainMenu->actions()) {
        if (!menu->menu())
            continue;
        for (QAction *item : menu->menu()->actions()) {
            if (!item->isVisible() && item->shortcut() == key) {
                item->trigger();
                event->accept();
                return;
            }
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TMainForm::FormResize() {
    LayoutControls();
}

void TMainForm::LayoutControls() {
    const int cw = centralwidget->width();
    const int ch = centralwidget->height();
    const int outerWidth = cw + kFrameWidth;
    const int outerHeight = ch + kNonClientHeight;
    ToolBar1->resize(cw, ToolBar1->height());
    FaceIco->move(FaceIco->x(), ch - 39);
    Label2->move(Label2->x(), ch - 31);
    Lv->setGeometry(Lv->x(), Lv->y(), cw - 2 * Lv->x(), ch - 110);
    Panel1->move((outerWidth - Panel1->width()) / 2, (outerHeight - Panel1->height()) / 2);
}

void TMainForm::AddFile1Click() {
    const auto files = platform::dialogs().openFiles(this, mendora::kMediaFileFilter);
    if (files)
        MediaList_->appendFiles(*files);
}

void TMainForm::AddFolder1Click() {
    if (const auto folder = platform::dialogs().chooseFolder(this))
        AddPaths({*folder});
}

void TMainForm::AddPaths(const std::vector<std::string> &paths) {
    std::vector<std::string> files;
    std::vector<std::string> unreadable;
    for (const std::string &path : paths) {
        if (!mendora::files::isFolder(path)) {
            files.push_back(path);
            continue;
        }
        mendora::files::FolderFiles found = ScanFolder(path);
        if (found.cancelled)
            return;
        unreadable.insert(unreadable.end(), found.unreadableFolders.begin(),
                          found.unreadableFolders.end());
        files.insert(files.end(), std::make_move_iterator(found.paths.begin()),
                     std::make_move_iterator(found.paths.end()));
    }
    MediaList_->appendFiles(files);
    if (!unreadable.empty())
        platform::dialogs().notice(this, mendora::applicationTitle(),
                                   mendora::unreadableFoldersNotice(unreadable));
}

mendora::files::FolderFiles TMainForm::ScanFolder(const std::string &folder) {
    QEventLoop loop;
    QObject waker;
    // The search's end wakes the loop; the waker outlives the search.
    mendora::files::FolderSearch search(folder, mendora::isMediaFileName, [&] {
        QMetaObject::invokeMethod(
            &waker, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // Shown only when the search takes longer than a moment.
    QProgressDialog progress(this);
    progress.setWindowTitle(mendora::qtText(mendora::applicationTitle()));
    progress.setWindowModality(Qt::WindowModal);
    progress.setRange(0, 0);
    progress.setMinimumDuration(400);
    const QString where = mendora::qtText(folder);
    const auto showCount = [&] {
        progress.setLabelText(QStringLiteral("Looking for media files in\n%1\n%2 found")
                                  .arg(where)
                                  .arg(search.found()));
    };
    showCount();
    progress.setValue(0);
    connect(&progress, &QProgressDialog::canceled, &waker, [&] { search.cancel(); });
    QTimer tick;
    tick.setInterval(100);
    connect(&tick, &QTimer::timeout, &waker, showCount);
    tick.start();
    if (!search.finished())
        loop.exec();
    return search.take();
}

void TMainForm::SaveReport1Click() {
    const auto choice =
        platform::dialogs().saveFile(this, "CSV File|*.csv|JSON File|*.json", "report.csv");
    if (!choice)
        return;
    std::vector<mendora::mediacheck::ReportRow> rows;
    rows.reserve(static_cast<std::size_t>(MediaList_->rowCount()));
    for (int row = 0; row < MediaList_->rowCount(); ++row)
        rows.push_back(mendora::mediacheck::reportRowOf(
            row + 1, std::string(MediaList_->fullPath(row)), MediaList_->finding(row)));
    mendora::mediacheck::saveReport(choice->path, rows,
                                    choice->type == 1 ? mendora::mediacheck::ReportFormat::Json
                                                      : mendora::mediacheck::ReportFormat::Csv);
}

void TMainForm::Deletefile1Click() {
    MediaList_->removeRowsAt(mendora::selectedRows(*Lv->selectionModel()));
}

void TMainForm::SelectAll1Click() {
    mendora::selectAllRows(*Lv->selectionModel());
}

void TMainForm::InvertSelection1Click() {
    mendora::invertRowSelection(*Lv->selectionModel());
}

void TMainForm::menuFixClick() {
    Pass_->RunCheckPass();
}

void TMainForm::ConverttoWave1Click() {
    Pass_->RunCheckPass();
}

void TMainForm::StopButtonClick() {
    Pass_->Stop();
}

void TMainForm::showPanel() {
    Panel1->show();
}

void TMainForm::hidePanel() {
    Panel1->hide();
}

void TMainForm::setFileLabel(const std::string &path) {
    FilenameLabel->setText(mendora::qtText(path));
}

void TMainForm::setBarMaximum(Bar bar, int maximum) {
    (bar == Bar::File ? ProgressBar1 : ProgressBar2)->setMaximum(maximum);
}

void TMainForm::setBarPosition(Bar bar, int position) {
    (bar == Bar::File ? ProgressBar1 : ProgressBar2)->setPosition(position);
}

void TMainForm::Timer2Timer() {
    mendora::randomDigits(TickerText_, 30);
    StatueLabel->setText(TickerText_);
}

void TMainForm::Preferences1Click() {
    if (Form2)
        Form2->Execute();
}

void TMainForm::Content1Click() {
    ShellOpen(programFolder + Identity_.HelpFileName);
}

void TMainForm::Homepage1Click() {
    ShellOpen(Identity_.HomepageUrl);
}

void TMainForm::EMail1Click() {
    ShellOpen("mailto:" + Identity_.SupportMail);
}

void TMainForm::ToolContentClick() {
    Content1Click();
}

void TMainForm::ToolHomepageClick() {
    Homepage1Click();
}

void TMainForm::ToolEmailClick() {
    EMail1Click();
}

void TMainForm::More3Click() {
    if (MoreForm)
        MoreForm->exec();
}

void TMainForm::AboutClick() {
    if (AboutForm)
        AboutForm->exec();
}

void TMainForm::Close1Click() {
    close();
}

bool TMainForm::FormCloseQuery() {
    const auto conversion = platform::windows().findByTitle(kConversionWindowTitle);
    if (!conversion)
        return true;
    if (!platform::dialogs().confirm(
            this, "Confirm", "Converting, Don't close applicaton. Are you sure close application"))
        return false;
    platform::windows().requestClose(*conversion);
    return true;
}

void TMainForm::closeEvent(QCloseEvent *event) {
    bool canClose = false;
    guarded([&] { canClose = FormCloseQuery(); });
    if (canClose) {
        // A running pass ends at its next step; the program then ends normally.
        Pass_->Stop();
        event->accept();
    } else {
        event->ignore();
    }
}

// The desktop session is ending: the same question, and a No vetoes it
// where the session manager lets the program ask.
void TMainForm::SessionCommitData(QSessionManager &manager) {
    if (!manager.allowsInteraction())
        return;
    bool canClose = false;
    guarded([&] { canClose = FormCloseQuery(); });
    if (canClose)
        manager.release();
    else
        manager.cancel();
}
