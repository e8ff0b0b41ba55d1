#pragma once

#include <QHeaderView>

// A header that draws a grid's fixed row or column. Its breadth is set by the
// grid (column width, row height), never measured from the texts: measuring
// samples two hundred sections each time one of them changes, and a fill
// changes one per row.
class FlexGridHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit FlexGridHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    void setModel(QAbstractItemModel* model) override;
    // Redraws one section, if it is in view.
    void RepaintSection(int section);
};
