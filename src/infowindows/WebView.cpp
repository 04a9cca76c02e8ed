#include "infowindows/WebView.h"

#include "platform/Platform.h"
#include "system/Errors.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <deque>

namespace mendora {

// The navigations waiting to load, in the order they were asked for. A batch
// starts once a window has painted a frame (or after a short while, when
// nothing paints), and one page is loaded per turn of the event loop after
// that, so page loading never holds up what the user sees first.
class PageQueue : public QObject {
public:
    static void add(WebView *view) {
        PageQueue &queue = instance();
        queue.Waiting_.emplace_back(view);
        if (queue.Waiting_.size() == 1)
            queue.startAfterNextFrame();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            startLoading();
        return false;
    }

private:
    static PageQueue &instance() {
        static PageQueue queue;
        return queue;
    }
    void startAfterNextFrame() {
        Started_ = false;
        qApp->installEventFilter(this);
        QTimer::singleShot(kLongestWait, this, [this] { startLoading(); });
    }
    void startLoading() {
        if (Started_)
            return;
        Started_ = true;
        qApp->removeEventFilter(this);
        scheduleNext();
    }
    void scheduleNext() {
        QTimer::singleShot(0, this, [this] { loadNext(); });
    }
    void loadNext() {
        if (Waiting_.empty())
            return;
        const QPointer<WebView> view = Waiting_.front();
        Waiting_.pop_front();
        if (!Waiting_.empty())
            scheduleNext();
        if (view)
            view->LoadNow();
    }

    static constexpr int kLongestWait = 100; // milliseconds
    std::deque<QPointer<WebView>> Waiting_;
    bool Started_ = true;
};

namespace {

QString cannotDisplayPage(const QString &path) {
    return QStringLiteral("<html><body style=\"font-family: sans-serif\">"
                          "<h3>The page cannot be displayed</h3>"
                          "<p>The file <b>%1</b> could not be opened.</p></body></html>")
        .arg(path.toHtmlEscaped());
}

} // namespace

WebView::WebView(QWidget *parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &WebView::LinkClicked);
}

void WebView::Navigate(const std::u16string &url, const QVariant &flags,
                       const QVariant &targetFrameName, const QVariant &postData,
                       const QVariant &headers) {
    if (url.empty())
        throw Error("Navigate: no address was given");
    for (const QVariant *argument : {&flags, &targetFrameName, &postData, &headers})
        if (argument->isValid())
            throw Error("Navigate: flags, target frames, post data and headers are not supported");
    PagePath_ = QString::fromStdU16String(url);
    if (!Pending_) {
        Pending_ = true;
        PageQueue::add(this);
    }
}

void WebView::LoadNow() {
    Pending_ = false;
    const QFileInfo page(PagePath_);
    QFile file(PagePath_);
    if (page.isFile() && file.open(QIODevice::ReadOnly)) {
        file.close();
        setSource(QUrl::fromLocalFile(page.absoluteFilePath()), QTextDocument::HtmlResource);
    } else {
        setHtml(cannotDisplayPage(PagePath_));
    }
}

// Local links load in the view itself; links to the web or to mail open in
// the programs the desktop associates with them; other kinds are ignored.
void WebView::LinkClicked(const QUrl &link) {
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        scrollToAnchor(link.fragment());
        return;
    }
    const QUrl target = source().resolved(link);
    const QString scheme = target.scheme().toLower();
    if (scheme == u"http" || scheme == u"https" || scheme == u"mailto") {
        ShellOpen(target.toEncoded().toStdString());
        return;
    }
    if (!target.isLocalFile())
        return; // nothing else is opened from a page
    PagePath_ = target.toLocalFile();
    LoadNow();
    if (target.hasFragment())
        scrollToAnchor(target.fragment());
}

} // namespace mendora
