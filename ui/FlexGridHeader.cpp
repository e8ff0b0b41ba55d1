#include "ui/FlexGridHeader.h"

FlexGridHeader::FlexGridHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHighlightSections(false);
}

void FlexGridHeader::setModel(QAbstractItemModel* model) {
    QHeaderView::setModel(model);
    // A header ignores changes of the items, and the fill changes one per row:
    // not being told saves a third of what announcing a cell costs.
    if (model != nullptr) {
        disconnect(model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QList<int>)), this,
                   SLOT(dataChanged(QModelIndex, QModelIndex, QList<int>)));
    }
}

QSize FlexGridHeader::sizeHint() const {
    if (orientation() == Qt::Horizontal) {
        return QSize(length(), minimumHeight());
    }
    return QSize(minimumWidth(), length());
}

void FlexGridHeader::RepaintSection(int section) {
    updateSection(section);
}
