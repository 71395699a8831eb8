#pragma once
// The roster grid (StringGridgy): a fixed header row, whole-row single selection, read-only cells. Its rows
// come from a model that holds the roster's ids only and reads the rows themselves a page at a time as they
// are shown, so a roster of a hundred thousand opens about as quickly as a short one and takes little memory.
#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <list>
#include <vector>

#include "data/roster_store.h"

namespace ld {

// The text of one cell as the grid shows it; false when there is no such cell.
class GridCell {
 public:
  GridCell() = default;
  explicit GridCell(QString text) : text_(std::move(text)), valid_(true) {}
  const QString& text() const { return text_; }
  explicit operator bool() const { return valid_; }
  const GridCell* operator->() const { return this; }

 private:
  QString text_;
  bool valid_ = false;
};

class RosterModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kColumns = 6;
  static constexpr int kPageRows = 256;
  static constexpr int kPagesKept = 64;
  // The participants whose ids lie from `first` to `last`, in id order.
  using PageReader = std::function<std::vector<Participant>(int first, int last)>;

  explicit RosterModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void setHeaders(const QStringList& headers);
  // A new fill: the roster's ids in id order; the first page is read at once (what it throws, this
  // throws), the others when they are first shown.
  void fill(std::vector<int> ids, PageReader reader);

  // Text of a cell; empty when there is none.
  QString cell(int row, int column) const;
  int pagesRead() const { return int(pages_.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  struct Page {
    int number = 0;
    std::vector<Participant> rows;  // by position in the page; an empty id for a row no longer there
  };
  const Participant* participant(int row) const;
  const Page& page(int number) const;
  Page read(int number) const;

  std::vector<int> ids_;
  PageReader reader_;
  QStringList headers_;
  // Most recently used first.
  mutable std::list<Page> pages_;
  mutable QHash<int, std::list<Page>::iterator> index_;
  mutable bool reported_ = false;
};

class RosterGrid : public QTableView {
  Q_OBJECT
 public:
  // Paints over a cell after its normal drawing.
  using CellPainter = std::function<void(QPainter*, const QStyleOptionViewItem&, const QModelIndex&)>;

  explicit RosterGrid(QWidget* parent = nullptr);
  void setCellPainter(CellPainter painter);
  RosterModel& rows() { return *model_; }

  // Text of a cell; empty when there is none.
  QString cell(int row, int column) const { return model_->cell(row, column); }
  // The same in the manner of a string grid's items, and the header row's texts.
  GridCell item(int row, int column) const;
  GridCell horizontalHeaderItem(int column) const;
  int rowCount() const { return model_->rowCount(); }
  int columnCount() const { return model_->columnCount(); }
  int currentRow() const { return currentIndex().row(); }
  void setCurrentCell(int row, int column);

 signals:
  // A mouse click on a row (also the selected one) or a keyboard move of the selection; changes
  // made by code do not count.
  void rowChosen();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  RosterModel* model_;
  CellPainter cellPainter_;
};

}  // namespace ld
