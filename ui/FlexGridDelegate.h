#pragma once

#include <QStyledItemDelegate>

// Draws a cell's text the way a fixed-height grid row shows it: from the top,
// clipped at the cell's edges, a line feed starting a line below the cell.
// The standard delegate would add an ellipsis to every text that ends in a
// line feed, as if it had been cut.
class FlexGridDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `topPadding` pixels above the first line, so it sits centred in its row.
    explicit FlexGridDelegate(int topPadding, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int topPadding_;
};
