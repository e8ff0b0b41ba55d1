#include "ui/FlexGridDelegate.h"

#include <QApplication>
#include <QPainter>

FlexGridDelegate::FlexGridDelegate(int topPadding, QObject* parent)
    : QStyledItemDelegate(parent), topPadding_(topPadding) {}

void FlexGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // Background, selection and focus frame as usual, without the text.
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = cell.rect.adjusted(margin, topPadding_, -margin, 0);
    const bool selected = cell.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(
        cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
}
