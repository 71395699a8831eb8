#include "transfer/import_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <exception>

#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"
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
      if (!plan->rows[i].added()) order_.push_back(i);
    for (size_t i = 0; i < plan->rows.size(); ++i)
      if (plan->rows[i].added()) order_.push_back(i);
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
  if (role == Qt::BackgroundRole) return r.added() ? QVariant() : QVariant(QColor(255, 224, 224));
  if (role == Qt::UserRole) return r.added();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kLine:
      return r.line;
    case kDepartment:
      return r.department;
    case kName:
      return r.name;
    case kPhoto:
      if (!r.added()) return r.photoCell;
      if (!r.photoSource.isEmpty()) return QFileInfo(r.photoSource).fileName();
      return plan_->cards ? Tr::tr("（生成头像卡片）") : Tr::tr("（无照片）");
    case kResult:
      return r.added() ? Tr::tr("添加") : Tr::tr("拒绝：%1").arg(r.refusal);
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
  connect(cards_, &QCheckBox::toggled, this, [this] { showPlan(); });
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

  auto* buttons = new QDialogButtonBox(this);
  import_ = buttons->addButton(Tr::tr("导入"), QDialogButtonBox::AcceptRole);
  buttons->addButton(Tr::tr("取消"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  showPlan();
}

bool ImportPreviewDialog::cards() const { return cards_->isChecked(); }

void ImportPreviewDialog::showPlan() {
  plan_.cards = cards_->isChecked();
  model_->setPlan(&plan_);
  // The counts only: the rows are in the table below.
  summary_->setText(plan_.summary(0).section(QLatin1Char('\n') + Tr::tr("被拒绝的行："), 0, 0));
  folder_->setText(shown(plan_.photoFolder));
  import_->setEnabled(plan_.toAdd > 0);
  import_->setText(plan_.toAdd > 0 ? Tr::tr("导入 %1 人").arg(plan_.toAdd) : Tr::tr("导入"));
}

bool ImportPreviewDialog::setPhotoFolder(const QString& folder) {
  try {
    ImportPlan again = planRosterImport(table_, plan_.file, folder, q_);
    plan_ = std::move(again);
  } catch (const std::exception& e) {
    dialogs().info(QString::fromUtf8(e.what()));
    return false;
  }
  showPlan();
  return true;
}

void ImportPreviewDialog::setRefusedOnly(bool on) {
  if (refusedOnly_->isChecked() != on) refusedOnly_->setChecked(on);
  filter_->setFilterFixedString(on ? QStringLiteral("false") : QString());
}

bool runRosterImport(QWidget* parent, Query& q) {
  const QString file = dialogs().openFile(Tr::tr("名单表格 (*.xlsx *.csv)"), QString());
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
  if (preview.exec() != QDialog::Accepted) return false;
  return runImportWithProgress(parent, preview.plan(), q);
}

bool runImportWithProgress(QWidget* parent, const ImportPlan& plan, Query& q) {
  if (plan.toAdd == 0) return false;
  ImportProgress progress;
  QProgressDialog dialog(Tr::tr("正在转换照片……"), Tr::tr("取消"), 0, plan.toAdd, parent);
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

  // The photos are converted on the pool's threads; the window keeps painting and takes a cancel meanwhile.
  const auto keepResponsive = [&] {
    if (!progress.cancel) dialog.setValue(progress.done);
    QApplication::processEvents();
    if (dialog.wasCanceled()) progress.cancel = true;
  };
  dialog.show();
  int added = 0;
  try {
    PreparedPhotos prepared = preparePhotos(plan, progress, keepResponsive);
    dialog.setLabelText(Tr::tr("正在写入名单……"));
    dialog.setValue(0);
    QApplication::processEvents();  // a cancel clicked now still counts
    if (dialog.wasCanceled()) progress.cancel = true;
    added = writeRosterImport(plan, prepared, q, progress, keepResponsive);
  } catch (const ImportCancelled&) {
    dialog.close();
    dialogs().info(Tr::tr("导入已取消，名单和照片文件夹都没有改变"));
    return false;
  } catch (const std::exception& e) {
    dialog.close();
    dialogs().info(QString::fromUtf8(e.what()));
    return false;
  }
  dialog.close();
  if (plan.portraits == 0)
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
