#include "ui/LazyIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <optional>

namespace mendora {

namespace {

class LazyFileIconEngine : public QIconEngine {
public:
    explicit LazyFileIconEngine(const QString &path) : Path_(path) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
               QIcon::State state) override {
        loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return loaded().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return loaded().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return loaded().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return loaded().availableSizes(mode, state);
    }
    // The file is one of the program's own pictures; asking whether the icon
    // is empty must not read it.
    bool isNull() override { return false; }
    QIconEngine *clone() const override { return new LazyFileIconEngine(Path_); }
    QString key() const override { return QStringLiteral("LazyFileIconEngine"); }

private:
    const QIcon &loaded() {
        if (!Loaded_)
            Loaded_ = QIcon(Path_);
        return *Loaded_;
    }

    QString Path_;
    std::optional<QIcon> Loaded_;
};

} // namespace

QIcon lazyFileIcon(const QString &path) {
    return QIcon(new LazyFileIconEngine(path));
}

} // namespace mendora
