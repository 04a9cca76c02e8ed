#include "app/NumColumn.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTreeView>
#include <algorithm>

namespace mendora {

namespace {

constexpr int kPadding = 1; // at both ends of the cell
constexpr int kGap = 2;     // between picture and number

// The cell width for a picture and a text of the given widths.
int cellWidth(int iconWidth, int textWidth) {
    return kPadding + iconWidth + kGap + textWidth + kPadding;
}

} // namespace

int NumColumnDelegate::widthFor(const QFontMetrics &metrics, int digits, int iconWidth) {
    // "8" is at least as wide as any other digit in the usual fonts.
    return cellWidth(iconWidth, metrics.horizontalAdvance(QString(digits, u'8')));
}

void NumColumnDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // Background, selection and focus as the style draws them, without text or picture.
    const QString text = opt.text;
    const QIcon icon = opt.icon;
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect cell = opt.rect;
    const QSize iconSize = opt.decorationSize;
    const QRect iconRect(cell.left() + kPadding,
                         cell.top() + (cell.height() - iconSize.height()) / 2, iconSize.width(),
                         iconSize.height());
    const bool selected = opt.state & QStyle::State_Selected;
    const QIcon::Mode mode = !(opt.state & QStyle::State_Enabled) ? QIcon::Disabled
                             : selected                           ? QIcon::Selected
                                                                  : QIcon::Normal;
    icon.paint(painter, iconRect, Qt::AlignCenter, mode);
    const QRect textRect = cell.adjusted(iconRect.right() + 1 + kGap - cell.left(), 0, 0, 0);
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

QSize NumColumnDelegate::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    return {cellWidth(opt.decorationSize.width(), opt.fontMetrics.horizontalAdvance(opt.text)),
            QStyledItemDelegate::sizeHint(option, index).height()};
}

void fitNumColumn(QTreeView &view, int column) {
    const int rows = view.model() ? view.model()->rowCount() : 0;
    const int digits = static_cast<int>(QString::number(std::max(rows, 1)).size());
    const int needed =
        NumColumnDelegate::widthFor(view.fontMetrics(), digits, view.iconSize().width());
    if (needed > view.header()->sectionSize(column))
        view.header()->resizeSection(column, needed);
}

} // namespace mendora
