#include "transfer/import_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"
#include "transfer/photo_staging.h"
#include "transfer/results_export.h"

namespace ld {

namespace {

enum ModelColumn { kLine, kDepartment, kName, kPhoto, kResult, kColumns };

// A file name without a known extension becomes an Excel workbook.
QString withExtension(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  return suffix == QLatin1String("xlsx") || suffix == QLatin1String("csv") ? file
                                                                           : file + QStringLiteral(".xlsx");
}

}  // namespace

void ImportPlanModel::setPlan(const ImportPlan* plan) {
  beginResetModel();
  plan_ = plan;
  order_.clear();
  if (plan) {
    order_.reserve(plan->rows.size());
    for (size_t i = 0; i < plan->rows.size(); ++i)
      if (!plan->rows[i].accepted()) order_.push_back(i);
    for (size_t i = 0; i < plan->rows.size(); ++i)
      if (plan->rows[i].accepted()) order_.push_back(i);
  }
  endResetModel();
}

int ImportPlanModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !plan_ ? 0 : int(plan_->rows.size());
}

int ImportPlanModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant ImportPlanModel::data(const QModelIndex& index, int role) const {
  if (!plan_ || !index.isValid() || index.row() >= int(plan_->rows.size())) return {};
  const ImportRow& r = row(index.row());
  if (role == Qt::BackgroundRole) return r.accepted() ? QVariant() : QVariant(QColor(255, 224, 224));
  if (role == Qt::UserRole) return r.accepted();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kLine:
      return r.line;
    case kDepartment:
      return r.department;
    case kName:
      return r.name;
    case kPhoto:
      if (r.accepted() && !r.added())
        return r.oldPhoto.isEmpty() ? Tr::tr("（无照片）") : Tr::tr("（保留原照片）");
      if (!r.added()) return r.photoCell;
      if (r.keepsZpPhoto) return Tr::tr("（沿用 zp 中的照片）");
      if (!r.photoSource.isEmpty()) return QFileInfo(r.photoSource).fileName();
      return plan_->cards ? Tr::tr("（生成头像卡片）") : Tr::tr("（无照片）");
    case kResult:
      if (!r.accepted()) return Tr::tr("拒绝：%1").arg(r.refusal);
      if (r.action == RowAction::Update) return Tr::tr("更新（原为 %1 %2）").arg(r.oldDepartment, r.oldName);
      if (r.action == RowAction::Unchanged) return Tr::tr("不变");
      return r.photoNote.isEmpty() ? Tr::tr("添加") : Tr::tr("添加（%1）").arg(r.photoNote);
    default:
      return {};
  }
}

QVariant ImportPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const headers[kColumns] = {
      QT_TRANSLATE_NOOP("ld", "行"), QT_TRANSLATE_NOOP("ld", "部门"), QT_TRANSLATE_NOOP("ld", "姓名"),
      QT_TRANSLATE_NOOP("ld", "照片"), QT_TRANSLATE_NOOP("ld", "结果")};
  return section >= 0 && section < kColumns ? Tr::tr(headers[section]) : QVariant();
}

ImportPreviewDialog::ImportPreviewDialog(Table table, ImportPlan plan, Query& q, QWidget* parent)
    : QDialog(parent), table_(std::move(table)), plan_(std::move(plan)), q_(q) {
  setObjectName(QStringLiteral("ImportPreviewDialog"));
  setWindowTitle(Tr::tr("导入名单 — 预览"));
  resize(760, 600);
  auto* layout = new QVBoxLayout(this);

  summary_ = new QLabel(this);
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(summary_);

  // Which sheet, and what the import does with people already in the roster.
  auto* choiceRow = new QHBoxLayout;
  sheet_ = new QComboBox(this);
  sheet_->setObjectName(QStringLiteral("sheetChooser"));
  sheet_->addItems(plan_.sheets);
  sheet_->setCurrentText(plan_.sheet);
  auto* sheetLabel = new QLabel(Tr::tr("工作表："), this);
  sheetLabel->setVisible(plan_.sheets.size() > 1);
  sheet_->setVisible(plan_.sheets.size() > 1);
  choiceRow->addWidget(sheetLabel);
  choiceRow->addWidget(sheet_);
  mode_ = new QComboBox(this);
  mode_->setObjectName(QStringLiteral("importMode"));
  mode_->addItem(Tr::tr("添加新员工"));
  mode_->addItem(Tr::tr("按工号更新名单（已有的人就地更新，新人添加）"));
  mode_->setCurrentIndex(plan_.options.mode == ImportMode::Update ? 1 : 0);
  choiceRow->addWidget(mode_, 1);
  layout->addLayout(choiceRow);
  removeMissing_ = new QCheckBox(Tr::tr("移除名单中有、表格中没有的人（中奖者保留）"), this);
  removeMissing_->setObjectName(QStringLiteral("removeMissing"));
  removeMissing_->setChecked(plan_.options.removeMissing);
  layout->addWidget(removeMissing_);
  auto* hiddenRow = new QHBoxLayout;
  includeHidden_ = new QCheckBox(Tr::tr("也导入表格中隐藏的行"), this);
  includeHidden_->setObjectName(QStringLiteral("includeHidden"));
  includeHidden_->setChecked(plan_.options.includeHidden);
  hiddenRow->addWidget(includeHidden_, 1);
  // The column boxes take room the rows need; a recognised header shows them only when asked.
  showColumns_ = new QPushButton(Tr::tr("各列的含义…"), this);
  showColumns_->setObjectName(QStringLiteral("showColumns"));
  showColumns_->setCheckable(true);
  hiddenRow->addWidget(showColumns_);
  layout->addLayout(hiddenRow);
  connect(showColumns_, &QPushButton::toggled, this, [this] { showPlan(); });
  connect(sheet_, &QComboBox::currentTextChanged, this, &ImportPreviewDialog::chooseSheet);
  connect(mode_, &QComboBox::currentIndexChanged, this, [this](int index) {
    ImportOptions options = plan_.options;
    options.mode = index == 1 ? ImportMode::Update : ImportMode::Add;
    if (replan(options)) return;
    const QSignalBlocker quiet(mode_);
    mode_->setCurrentIndex(plan_.options.mode == ImportMode::Update ? 1 : 0);
  });
  connect(removeMissing_, &QCheckBox::clicked, this, [this](bool on) {
    ImportOptions options = plan_.options;
    options.removeMissing = on;
    if (!replan(options)) removeMissing_->setChecked(plan_.options.removeMissing);
  });
  connect(includeHidden_, &QCheckBox::clicked, this, [this](bool on) {
    ImportOptions options = plan_.options;
    options.includeHidden = on;
    if (!replan(options)) includeHidden_->setChecked(plan_.options.includeHidden);
  });

  // The first rows with a box over each column for what it holds.
  mapping_ = new QGroupBox(Tr::tr("各列的含义"), this);
  mapping_->setObjectName(QStringLiteral("columnMapping"));
  auto* mappingLayout = new QVBoxLayout(mapping_);
  mappingTable_ = new QTableWidget(mapping_);
  mappingTable_->setObjectName(QStringLiteral("columnPreview"));
  mappingTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  mappingTable_->horizontalHeader()->hide();
  mappingTable_->setMaximumHeight(170);
  mappingLayout->addWidget(mappingTable_);
  confirmColumns_ = new QPushButton(Tr::tr("按这些列检查"), mapping_);
  confirmColumns_->setObjectName(QStringLiteral("confirmColumns"));
  mappingLayout->addWidget(confirmColumns_, 0, Qt::AlignRight);
  layout->addWidget(mapping_);
  connect(confirmColumns_, &QPushButton::clicked, this, &ImportPreviewDialog::applyColumns);
  fillMapping();

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(new QLabel(Tr::tr("照片文件夹："), this));
  folder_ = new QLineEdit(this);
  folder_->setReadOnly(true);
  folderRow->addWidget(folder_, 1);
  auto* choose = new QPushButton(Tr::tr("选择…"), this);
  folderRow->addWidget(choose);
  layout->addLayout(folderRow);
  connect(choose, &QPushButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, Tr::tr("照片文件夹"), plan_.photoFolder);
    if (!folder.isEmpty()) setPhotoFolder(folder);
  });

  cards_ = new QCheckBox(Tr::tr("为没有照片的员工生成写有姓名的头像卡片（否则他们不会被抽到）"), this);
  cards_->setChecked(true);
  layout->addWidget(cards_);
  connect(cards_, &QCheckBox::toggled, this, [this] { restage(); });
  refusedOnly_ = new QCheckBox(Tr::tr("只显示被拒绝的行"), this);
  layout->addWidget(refusedOnly_);
  connect(refusedOnly_, &QCheckBox::toggled, this, &ImportPreviewDialog::setRefusedOnly);

  model_ = new ImportPlanModel(this);
  filter_ = new QSortFilterProxyModel(this);
  filter_->setSourceModel(model_);
  filter_->setFilterRole(Qt::UserRole);
  view_ = new QTableView(this);
  view_->setModel(filter_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setColumnWidth(kLine, 50);
  view_->setColumnWidth(kDepartment, 110);
  view_->setColumnWidth(kName, 90);
  view_->setColumnWidth(kPhoto, 170);
  layout->addWidget(view_, 1);
  details_ = new QPlainTextEdit(this);
  details_->setObjectName(QStringLiteral("importDetails"));
  details_->setReadOnly(true);
  details_->setMaximumHeight(110);
  layout->addWidget(details_);

  auto* photoRow = new QHBoxLayout;
  status_ = new QLabel(this);
  photoRow->addWidget(status_, 1);
  progress_ = new QProgressBar(this);
  photoRow->addWidget(progress_, 1);
  layout->addLayout(photoRow);
  staging_ = new PhotoStaging(this);
  connect(staging_, &PhotoStaging::progressed, this, [this](int done, int total) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(done);
    status_->setText(Tr::tr("正在准备照片：%1 / %2").arg(done).arg(total));
  });
  connect(staging_, &PhotoStaging::finished, this, &ImportPreviewDialog::staged);

  auto* buttons = new QDialogButtonBox(this);
  import_ = buttons->addButton(Tr::tr("导入"), QDialogButtonBox::AcceptRole);
  buttons->addButton(Tr::tr("取消"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  restage();
}

bool ImportPreviewDialog::cards() const { return cards_->isChecked(); }

void ImportPreviewDialog::showPlan() {
  plan_.cards = cards_->isChecked();
  model_->setPlan(&plan_);
  // The counts only: the rows are in the table below, the rest under it.
  summary_->setText(plan_.summary(0).section(QLatin1Char('\n') + Tr::tr("被拒绝的行："), 0, 0));
  details_->setPlainText(plan_.details(1000));
  details_->setVisible(!details_->toPlainText().isEmpty());
  folder_->setText(shown(plan_.photoFolder));
  const bool update = plan_.options.mode == ImportMode::Update;
  removeMissing_->setEnabled(update);
  mapping_->setTitle(plan_.columnsConfirmed
                         ? Tr::tr("各列的含义")
                         : Tr::tr("没有认出表头：请为每一列选择含义，然后点“按这些列检查”"));
  mapping_->setVisible(showColumns_->isChecked() || !plan_.columnsConfirmed || columnsEdited_);
  showColumns_->setVisible(plan_.columnsConfirmed && !columnsEdited_);
  const bool ready = plan_.columnsConfirmed && !columnsEdited_ && plan_.changes() > 0;
  import_->setEnabled(ready && staging_->ready());
  if (!plan_.columnsConfirmed || columnsEdited_)
    import_->setText(Tr::tr("请先确认各列的含义"));
  else if (update)
    import_->setText(ready ? Tr::tr("更新名单：添加 %1 人，更新 %2 人，移除 %3 人")
                                 .arg(plan_.toAdd)
                                 .arg(plan_.toUpdate)
                                 .arg(plan_.toRemove)
                           : Tr::tr("名单不需要更新"));
  else
    import_->setText(ready ? Tr::tr("导入 %1 人").arg(plan_.toAdd) : Tr::tr("导入"));
}

bool ImportPreviewDialog::replan(const ImportOptions& options) {
  try {
    ImportPlan again = planRosterImport(table_, plan_.file, plan_.photoFolder, q_, options);
    plan_ = std::move(again);
  } catch (const std::exception& e) {
    dialogs().info(QString::fromUtf8(e.what()));
    return false;
  }
  restage();
  return true;
}

// Every change of the plan converts again: what was converted may belong to other rows or pictures now.
void ImportPreviewDialog::restage() {
  plan_.cards = cards_->isChecked();
  staging_->start(plan_);
  showPlan();
}

void ImportPreviewDialog::staged() {
  if (!staging_->error().isEmpty()) {
    status_->setText(Tr::tr("照片无法准备：%1").arg(staging_->error()));
    showPlan();
    return;
  }
  takePhotoFailures(plan_, staging_->photos());
  status_->setText(Tr::tr("照片已准备好"));
  showPlan();
}

PreparedPhotos ImportPreviewDialog::takePhotos() { return staging_->take(); }

void ImportPreviewDialog::done(int result) {
  if (result != QDialog::Accepted) staging_->cancel();
  QDialog::done(result);
}

bool ImportPreviewDialog::setPhotoFolder(const QString& folder) {
  try {
    ImportPlan again = planRosterImport(table_, plan_.file, folder, q_, plan_.options);
    plan_ = std::move(again);
  } catch (const std::exception& e) {
    dialogs().info(QString::fromUtf8(e.what()));
    return false;
  }
  restage();
  return true;
}

void ImportPreviewDialog::fillMapping() {
  constexpr int kShownRows = 8;
  const int width = std::max(tableWidth(table_, kShownRows), int(plan_.columns.size()));
  const int rows = std::min(int(table_.rows.size()), kShownRows);
  mappingTable_->clear();
  mappingTable_->setColumnCount(width);
  mappingTable_->setRowCount(rows + 1);
  QStringList lines{QString()};
  for (int r = 0; r < rows; ++r) lines << QString::number(table_.rows[size_t(r)].line);
  mappingTable_->setVerticalHeaderLabels(lines);
  for (int c = 0; c < width; ++c) {
    auto* box = new QComboBox(mappingTable_);
    box->setObjectName(QStringLiteral("columnMeaning%1").arg(c));
    for (int m = 0; m < kColumnMeanings; ++m) box->addItem(meaningName(ColumnMeaning(m)), m);
    box->setCurrentIndex(
        box->findData(int(c < int(plan_.columns.size()) ? plan_.columns[size_t(c)] : ColumnMeaning::Ignore)));
    connect(box, &QComboBox::currentIndexChanged, this, [this] {
      columnsEdited_ = true;
      showPlan();
    });
    mappingTable_->setCellWidget(0, c, box);
    for (int r = 0; r < rows; ++r)
      mappingTable_->setItem(r + 1, c, new QTableWidgetItem(table_.rows[size_t(r)].cells.value(c)));
  }
  mappingTable_->resizeColumnsToContents();
}

bool ImportPreviewDialog::applyColumns() {
  std::vector<ColumnMeaning> columns;
  for (int c = 0; c < mappingTable_->columnCount(); ++c) {
    const auto* box = qobject_cast<QComboBox*>(mappingTable_->cellWidget(0, c));
    columns.push_back(box ? ColumnMeaning(box->currentData().toInt()) : ColumnMeaning::Ignore);
  }
  if (std::find(columns.begin(), columns.end(), ColumnMeaning::Name) == columns.end()) {
    dialogs().info(Tr::tr("请为姓名所在的列选择“姓名”"));
    return false;
  }
  ImportOptions options = plan_.options;
  options.columns = columns;
  columnsEdited_ = false;
  return replan(options);
}

void ImportPreviewDialog::chooseSheet(const QString& sheet) {
  try {
    Table table = readTable(plan_.file, sheet);
    ImportOptions options = plan_.options;
    options.sheet = sheet;
    options.columns.reset();  // another sheet has columns of its own
    ImportPlan again = planRosterImport(table, plan_.file, plan_.photoFolder, q_, options);
    table_ = std::move(table);
    plan_ = std::move(again);
  } catch (const std::exception& e) {
    dialogs().info(QString::fromUtf8(e.what()));
    const QSignalBlocker quiet(sheet_);
    sheet_->setCurrentText(plan_.sheet);
    return;
  }
  columnsEdited_ = false;
  fillMapping();
  restage();
}

void ImportPreviewDialog::setRefusedOnly(bool on) {
  if (refusedOnly_->isChecked() != on) refusedOnly_->setChecked(on);
  filter_->setFilterFixedString(on ? QStringLiteral("false") : QString());
}

bool runRosterImport(QWidget* parent, Query& q) {
  const QString file = dialogs().openFile(Tr::tr("名单表格 (*.xlsx *.csv *.txt)"), QString());
  if (file.isEmpty()) return false;
  Table table;
  ImportPlan plan;
  try {
    table = readTable(file);
    plan = planRosterImport(table, file, QString(), q);
  } catch (const std::exception& e) {
    dialogs().info(QString::fromUtf8(e.what()));
    return false;
  }
  ImportPreviewDialog preview(std::move(table), std::move(plan), q, parent);
  for (;;) {
    if (preview.exec() != QDialog::Accepted) return false;
    PreparedPhotos photos = preview.takePhotos();
    bool failed = false;
    if (runImportWithProgress(parent, preview.plan(), photos, q, &failed)) return true;
    // A failed write (the roster changed meanwhile, a full disk) keeps the file and folder chosen: the
    // preview comes back, matched and converted again.
    if (!failed || !preview.setPhotoFolder(preview.plan().photoFolder)) return false;
  }
}

bool runImportWithProgress(QWidget* parent, const ImportPlan& plan, PreparedPhotos& photos, Query& q,
                           bool* failed) {
  if (plan.changes() == 0 || !plan.columnsConfirmed) return false;
  ImportProgress progress;
  QProgressDialog dialog(Tr::tr("正在写入名单……"), Tr::tr("取消"), 0, std::max(1, plan.changes()), parent);
  dialog.setObjectName(QStringLiteral("ImportProgressDialog"));
  dialog.setWindowTitle(Tr::tr("导入名单"));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setMinimumDuration(0);
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
    progress.cancel = true;
    dialog.setLabelText(Tr::tr("正在取消……"));
  });

  const auto keepResponsive = [&] {
    if (!progress.cancel) dialog.setValue(progress.done);
    QApplication::processEvents();
    if (dialog.wasCanceled()) progress.cancel = true;
  };
  dialog.show();
  int added = 0;
  try {
    QApplication::processEvents();  // a cancel clicked now still counts
    if (dialog.wasCanceled()) progress.cancel = true;
    added = writeRosterImport(plan, photos, q, progress, keepResponsive);
  } catch (const ImportCancelled&) {
    dialog.close();
    dialogs().info(Tr::tr("导入已取消，名单和照片文件夹都没有改变"));
    return false;
  } catch (const std::exception& e) {
    dialog.close();
    dialogs().info(QString::fromUtf8(e.what()));
    if (failed) *failed = true;
    return false;
  }
  dialog.close();
  if (plan.options.mode == ImportMode::Update)
    dialogs().info(Tr::tr("已更新名单：添加 %1 人，更新 %2 人，移除 %3 人")
                       .arg(added)
                       .arg(plan.toUpdate)
                       .arg(plan.toRemove));
  else if (plan.portraits == 0)
    dialogs().info(Tr::tr("已导入 %1 位员工（%2 张照片）").arg(added).arg(plan.photosMatched));
  else if (plan.cards)
    dialogs().info(Tr::tr("已导入 %1 位员工（%2 张照片，%3 张生成的头像卡片）")
                       .arg(added)
                       .arg(plan.photosMatched)
                       .arg(plan.portraits));
  else
    dialogs().info(Tr::tr("已导入 %1 位员工（%2 张照片，%3 人没有照片，加上照片之前不会被抽到）")
                       .arg(added)
                       .arg(plan.photosMatched)
                       .arg(plan.portraits));
  return true;
}

namespace {

// DONE names what was written: "%1" the count, "%2" the file.
bool runExport(const char* done, int (*write)(const QString&, Query&, TableLanguage), Query& q) {
  const QString chosen = dialogs().saveFile(Tr::tr("Excel 表格 (*.xlsx);;CSV 文件 (*.csv)"));
  if (chosen.isEmpty()) return false;
  const QString file = withExtension(chosen);
  // Exports are Chinese, as the event stores them; only an operator working in English is offered English.
  TableLanguage language = TableLanguage::Chinese;
  if (currentLanguage() == Language::English &&
      dialogs().confirm(Tr::tr("用英文写这个文件吗？标题和奖项名称用英文，部门和姓名照原样写出。\n"
                               "选“否”则用中文的标题和奖项名称，与中文界面导出的文件相同。")))
    language = TableLanguage::English;
  try {
    const int n = write(file, q, language);
    dialogs().info(Tr::tr(done).arg(n).arg(shown(file)));
  } catch (const std::exception& e) {
    dialogs().info(QString::fromUtf8(e.what()));
    return false;
  }
  return true;
}

}  // namespace

bool runResultsExport(QWidget*, Query& q) {
  return runExport(QT_TRANSLATE_NOOP("ld", "已导出 %1 位中奖者到 %2"), &exportResults, q);
}

bool runRosterExport(QWidget*, Query& q) {
  return runExport(QT_TRANSLATE_NOOP("ld", "已导出 %1 位员工到 %2"), &exportRoster, q);
}

}  // namespace ld
