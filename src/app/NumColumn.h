// The list's "Num" column: the row picture, then the row number close beside
// it, so that numbers of up to three digits fit the designed 40 pixels. The
// column widens itself when longer numbers would not fit; numbers are never cut.
#pragma once

#include <QStyledItemDelegate>

class QTreeView;

namespace mendora {

class NumColumnDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The width that shows `digits` digits beside a picture `iconWidth` wide.
    static int widthFor(const QFontMetrics &metrics, int digits, int iconWidth);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Widens `column` of `view` when its largest row number would not fit; never narrows it.
void fitNumColumn(QTreeView &view, int column);

} // namespace mendora
