#pragma once
// The roster grid (StringGridgy): a fixed header row, whole-row single selection, read-only cells.
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

namespace ld {

class RosterGrid : public QTableWidget {
  Q_OBJECT
 public:
  // Paints over a cell after its normal drawing.
  using CellPainter = std::function<void(QPainter*, const QStyleOptionViewItem&, const QModelIndex&)>;

  explicit RosterGrid(QWidget* parent = nullptr);
  void setCellPainter(CellPainter painter);
  // Text of a cell; empty when there is none.
  QString cell(int row, int column) const;

 signals:
  // A mouse click on a row (also the selected one) or a keyboard move of the selection; changes
  // made by code do not count.
  void rowChosen();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CellPainter cellPainter_;
};

}  // namespace ld
