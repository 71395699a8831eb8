#include "settings/roster_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace ld {

namespace {

class OverpaintingDelegate : public QStyledItemDelegate {
 public:
  OverpaintingDelegate(QObject* parent, const RosterGrid::CellPainter& after)
      : QStyledItemDelegate(parent), after_(after) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (after_) after_(painter, option, index);
  }

 private:
  const RosterGrid::CellPainter& after_;
};

}  // namespace

RosterGrid::RosterGrid(QWidget* parent) : QTableWidget(parent) {
  setItemDelegate(new OverpaintingDelegate(this, cellPainter_));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setShowGrid(true);
  setWordWrap(false);
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(24);
  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void RosterGrid::setCellPainter(CellPainter painter) {
  cellPainter_ = std::move(painter);
  viewport()->update();
}

QString RosterGrid::cell(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  return it ? it->text() : QString();
}

void RosterGrid::mousePressEvent(QMouseEvent* event) {
  QTableWidget::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) emit rowChosen();
}

void RosterGrid::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QTableWidget::keyPressEvent(event);
  if (currentRow() != before && currentRow() >= 0) emit rowChosen();
}

}  // namespace ld
