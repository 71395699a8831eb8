#include "settings/roster_grid.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "data/prize_levels.h"
#include "framework/errors.h"

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

// ---- RosterModel ----

void RosterModel::setHeaders(const QStringList& headers) {
  headers_ = headers;
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void RosterModel::fill(std::vector<int> ids, PageReader reader) {
  beginResetModel();
  ids_ = std::move(ids);
  reader_ = std::move(reader);
  pages_.clear();
  index_.clear();
  reported_ = false;
  endResetModel();
  if (ids_.empty()) return;
  // Read now, so that a failing statement reaches the caller as a fill's error would (and only there).
  try {
    pages_.push_front(read(0));
  } catch (...) {
    reported_ = true;
    throw;
  }
  index_.insert(0, pages_.begin());
}

RosterModel::Page RosterModel::read(int number) const {
  const size_t first = size_t(number) * kPageRows;
  const size_t end = std::min(ids_.size(), first + kPageRows);
  Page page{number, std::vector<Participant>(end - first)};
  // Rows added since the fill have larger ids and fall outside; rows deleted since stay empty.
  for (Participant& p : reader_(ids_[first], ids_[end - 1])) {
    const auto at = std::lower_bound(ids_.begin() + first, ids_.begin() + end, p.id.toInt());
    if (at != ids_.begin() + end && *at == p.id.toInt()) page.rows[size_t(at - ids_.begin()) - first] = p;
  }
  return page;
}

const RosterModel::Page& RosterModel::page(int number) const {
  if (const auto found = index_.constFind(number); found != index_.cend()) {
    pages_.splice(pages_.begin(), pages_, *found);
    return pages_.front();
  }
  Page fresh{number, {}};
  try {
    fresh = read(number);
  } catch (const std::exception& e) {
    // Painting cannot take an error: the rows stay empty and the operator hears of it once per fill.
    fresh.rows.assign(std::min<size_t>(kPageRows, ids_.size() - size_t(number) * kPageRows), {});
    if (!reported_) {
      reported_ = true;
      const QString message = QString::fromUtf8(e.what());
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [message] { reportError(message); }, Qt::QueuedConnection);
    }
  }
  if (int(pages_.size()) >= kPagesKept) {
    index_.remove(pages_.back().number);
    pages_.pop_back();
  }
  pages_.push_front(std::move(fresh));
  index_.insert(number, pages_.begin());
  return pages_.front();
}

const Participant* RosterModel::participant(int row) const {
  if (row < 0 || size_t(row) >= ids_.size()) return nullptr;
  const Participant& p = page(row / kPageRows).rows[size_t(row % kPageRows)];
  return p.id.isEmpty() ? nullptr : &p;
}

QString RosterModel::cell(int row, int column) const {
  if (row < 0 || size_t(row) >= ids_.size() || column < 0 || column >= kColumns) return {};
  if (column == 0) return QString::number(row + 1);
  const Participant* p = participant(row);
  if (!p) return {};
  switch (column) {
    case 1:
      return p->department;
    case 2:
      return p->name;
    case 3:
      return p->photoPath;
    case 4:
      return prizeName(p->prizeLevel);
    default:
      return p->id;
  }
}

int RosterModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(ids_.size()); }

int RosterModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant RosterModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return cell(index.row(), index.column());
}

QVariant RosterModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= headers_.size())
    return {};
  return headers_[section];
}

// ---- RosterGrid ----

RosterGrid::RosterGrid(QWidget* parent) : QTableView(parent), model_(new RosterModel(this)) {
  setModel(model_);
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

GridCell RosterGrid::item(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
  return GridCell(cell(row, column));
}

GridCell RosterGrid::horizontalHeaderItem(int column) const {
  const QVariant text = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole);
  return text.isValid() ? GridCell(text.toString()) : GridCell();
}

void RosterGrid::setCurrentCell(int row, int column) { setCurrentIndex(model_->index(row, column)); }

void RosterGrid::mousePressEvent(QMouseEvent* event) {
  QTableView::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) emit rowChosen();
}

void RosterGrid::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  // Whole rows are selected, so Home and End go to the first and last row, not along the row.
  const bool homeOrEnd = event->key() == Qt::Key_Home || event->key() == Qt::Key_End;
  if (homeOrEnd && event->modifiers() == Qt::NoModifier && rowCount() > 0) {
    setCurrentIndex(model_->index(event->key() == Qt::Key_Home ? 0 : rowCount() - 1,
                                  std::max(0, currentIndex().column())));
    event->accept();
  } else {
    QTableView::keyPressEvent(event);
  }
  if (currentRow() != before && currentRow() >= 0) emit rowChosen();
}

}  // namespace ld
