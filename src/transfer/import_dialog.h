#pragma once
// The settings window's side of roster import and results export: the preview of an import, its
// progress with cancel, and the file choices, all through ld::dialogs() for files and messages.
#include <QAbstractTableModel>
#include <QDialog>

#include "transfer/roster_import.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace ld {

class PhotoStaging;
class Query;

// The rows of a plan as a table: line, department, name, photo, result; refused rows first, since
// they are what the operator has to look at.
class ImportPlanModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ImportPlanModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void setPlan(const ImportPlan* plan);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const ImportRow& row(int r) const { return plan_->rows[order_[size_t(r)]]; }
  const ImportPlan* plan_ = nullptr;
  std::vector<size_t> order_;
};

// What the import would do, before anything is written: counts, every row with its result (refused
// ones with the reason), the photo folder (changeable: the rows are matched again), and whether rows
// without a photo get a generated card. The photos are converted meanwhile, with progress; import is
// possible once they are ready, and closing the preview removes them. Accepting it means "import".
class ImportPreviewDialog : public QDialog {
  Q_OBJECT
 public:
  ImportPreviewDialog(Table table, ImportPlan plan, Query& q, QWidget* parent = nullptr);

  const ImportPlan& plan() const { return plan_; }
  bool cards() const;
  // Matches the rows again against FOLDER; a folder that does not exist is refused with a message.
  bool setPhotoFolder(const QString& folder);
  void setRefusedOnly(bool on);
  // The converted photos of plan(), once ready.
  PreparedPhotos takePhotos();
  void done(int result) override;
  // Plans again with the meanings the column boxes show; this confirms a guessed layout.
  bool applyColumns();

  QLabel* summary() const { return summary_; }
  QTableView* rows() const { return view_; }
  QPushButton* importButton() const { return import_; }
  QCheckBox* cardsBox() const { return cards_; }
  QProgressBar* photoProgress() const { return progress_; }
  QLabel* photoStatus() const { return status_; }

 private:
  // Plans the table again with OPTIONS; a failure is shown and the plan stays as it was.
  bool replan(const ImportOptions& options);
  void fillMapping();
  void chooseSheet(const QString& sheet);
  void showPlan();
  void restage();
  void staged();
  Table table_;
  ImportPlan plan_;
  Query& q_;
  QLabel* summary_;
  QLineEdit* folder_;
  QCheckBox* cards_;
  QCheckBox* refusedOnly_;
  QComboBox* sheet_;
  QComboBox* mode_;
  QCheckBox* removeMissing_;
  QCheckBox* includeHidden_;
  QGroupBox* mapping_;
  QTableWidget* mappingTable_;
  QPushButton* confirmColumns_;
  QPushButton* showColumns_;
  bool columnsEdited_ = false;  // the boxes say something the plan was not made with
  QPlainTextEdit* details_;
  QTableView* view_;
  ImportPlanModel* model_;
  QSortFilterProxyModel* filter_;
  QPushButton* import_;
  QProgressBar* progress_;
  QLabel* status_;
  PhotoStaging* staging_;
};

// "导入名单…": choose a spreadsheet, preview, import with a progress bar that can be cancelled.
// Messages through ld::dialogs(). True when participants were added (the roster needs a refresh).
bool runRosterImport(QWidget* parent, Query& q);
// Writes an accepted plan and puts its converted photos in place with a progress dialog. FAILED, when
// given, says whether it failed (rather than was cancelled).
bool runImportWithProgress(QWidget* parent, const ImportPlan& plan, PreparedPhotos& photos, Query& q,
                           bool* failed = nullptr);

// "导出中奖名单…" and the roster: choose a file (.xlsx or .csv), write it, say how many rows. A program
// speaking English asks, once the file is chosen, whether to write it in English; otherwise, and on No,
// the file is the Chinese one.
bool runResultsExport(QWidget* parent, Query& q);
bool runRosterExport(QWidget* parent, Query& q);

}  // namespace ld
