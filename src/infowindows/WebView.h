// A small web view for the catalogue pages: a QTextBrowser that loads local
// HTML files given by their plain file-system path.
#pragma once

#include <QTextBrowser>
#include <QVariant>
#include <string>

namespace mendora {

class WebView : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebView(QWidget *parent = nullptr);

    // Points the view at the page `url`, a file-system path. The page loads
    // on a later turn of the event loop: all views share one queue, and each
    // turn loads one page, so the window that asked is painted first. The
    // four optional arguments (flags, target frame, post data, headers) are
    // not supported and must stay empty; an empty address or a non-empty
    // optional argument throws mendora::Error.
    void Navigate(const std::u16string &url, const QVariant &flags = {},
                  const QVariant &targetFrameName = {}, const QVariant &postData = {},
                  const QVariant &headers = {});

    // The path of the page shown last (or asked for, while it waits in the queue).
    QString pagePath() const { return PagePath_; }
    // True while a navigation waits in the queue.
    bool loadPending() const { return Pending_; }

private:
    friend class PageQueue;
    void LoadNow();
    void LinkClicked(const QUrl &link);

    QString PagePath_;
    bool Pending_ = false;
};

} // namespace mendora
