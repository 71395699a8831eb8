// The roster part of the settings window ("名单列表") and its two clean-ups ("清空历史").
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "data/prize_levels.h"
#include "data/query.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "settings/photo_file.h"
#include "settings/setting_form.h"

using namespace ld;

namespace {

void info(const QString& text) { dialogs().info(text); }

// The file to show for a stored photo path; empty when there is none (a path leaving the
// application folder counts as none).
QString existingPhoto(const QString& stored) {
  if (stored.isEmpty()) return {};
  QString file;
  try {
    file = appPath(stored);
  } catch (const std::exception& e) {
    qWarning("photo not shown: %s", e.what());
    return {};
  }
  return QFileInfo(file).isFile() ? file : QString();
}

// The sharper copy kept for a stored photo path; empty when there is none or it cannot be read.
QByteArray sharpCopyFor(const QString& stored) {
  const QString file = sharpFileFor(stored);
  const QFileInfo info(file);
  if (file.isEmpty() || !info.isFile() || info.isSymLink()) return {};
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    qWarning("sharper photo %s not read: %s", qUtf8Printable(file), qUtf8Printable(f.errorString()));
    return {};
  }
  return f.readAll();
}

}  // namespace

void TsettingForm::refresh() {
  showStringGridgy();
  showComboBoxbm();
}

void TsettingForm::emptyEntry(bool department) {
  Editxm->clear();
  if (department) ComboBoxbm->clearEditText();
  Imagezp->clear();
  Label1zpsy->clear();
  Labelid->clear();
  keepSharpCopy({}, {});
}

QString TsettingForm::selectedId() const {
  const QString id = Labelid->text();
  return isWholeNumber(id.trimmed()) ? id : QString();
}

void TsettingForm::showComboBoxbm() {
  ComboBoxbm->clear();
  ComboBoxbm->clearEditText();
  ComboBoxbm->addItems(roster_.departments());
  // Filling an empty list would show its first item.
  ComboBoxbm->setCurrentIndex(-1);
  ComboBoxbm->clearEditText();
}

void TsettingForm::showStringGridgy() {
  StringGridgy->setColumnWidth(5, 0);
  StringGridgy->rows().setHeaders({ld::Tr::tr("序号"), ld::Tr::tr("部门"), ld::Tr::tr("姓名"),
                                   ld::Tr::tr("照片编号"), ld::Tr::tr("中奖"), QStringLiteral("ID")});
  StringGridgy->rows().fill(roster_.participantIds(), [this](int first, int last) {
    return gridRoster_.participantsBetween(first, last);
  });
  if (StringGridgy->rowCount() > 0) StringGridgy->setCurrentCell(0, 0);
}

void TsettingForm::StringGridgyDrawCell(QPainter* canvas, int ACol, int ARow, const QRect& rect,
                                        const QStyleOptionViewItem& state) {
  if (ARow == 0 || StringGridgy->cell(ARow - 1, 4).isEmpty()) return;
  canvas->save();
  canvas->setClipRect(rect);
  canvas->fillRect(rect, QColor(166, 202, 240));
  const QPalette::ColorGroup group =
      state.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
  const bool selected = state.state & QStyle::State_Selected;
  canvas->setPen(state.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  canvas->setFont(state.font);
  canvas->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   StringGridgy->cell(ARow - 1, ACol));
  canvas->restore();
}

void TsettingForm::StringGridgyClick() {
  const int row = StringGridgy->currentRow();
  if (row < 0 || row >= StringGridgy->rowCount()) return;
  ComboBoxbm->setEditText(StringGridgy->cell(row, 1));
  Editxm->setText(StringGridgy->cell(row, 2));
  Labelid->setText(StringGridgy->cell(row, 5));
  Label1zpsy->setText(StringGridgy->cell(row, 3));
  const QString photo = existingPhoto(Label1zpsy->text().trimmed());
  Imagezp->loadFromFile(photo.isEmpty() ? systemPicture(QStringLiteral("logo.jpg")) : photo);
  // An update writes the sharper copy again under the new name, so it is read along with the photo.
  keepSharpCopy(photo.isEmpty() ? QByteArray() : sharpCopyFor(Label1zpsy->text().trimmed()),
                Imagezp->jpegData());
}

bool TsettingForm::refusedPhotoName(const PhotoNameCheck& check) {
  if (check.ok()) return false;
  info(check.message);
  if (check.departmentAtFault)
    ComboBoxbm->setFocus();
  else
    Editxm->setFocus();
  return true;
}

// "A_" + "B" and "A" + "_B" would share one file.
bool TsettingForm::photoPathTaken(const QString& path, const QString& exceptId) {
  if (!roster_.photoPathTaken(path, exceptId)) return false;
  info(
      ld::Tr::tr("照片文件名“%1”已被另一位员工使用（部门和姓名连起来与之相同），请更改部门或姓名").arg(path));
  ComboBoxbm->setFocus();
  return true;
}

bool TsettingForm::photoNamedByRoster(const QString& stored) {
  const QString file = photoFileInZp(stored);
  // The database compares without letter case; files do not.
  for (const QString& other : roster_.photoPathsLike(stored))
    if (photoFileInZp(other) == file) return true;
  return false;
}

void TsettingForm::removeUnnamedPhoto(const QString& oldStored, const QString& newStored) {
  const QString oldFile = photoFileInZp(oldStored);
  if (oldFile.isEmpty() || oldFile == photoFileInZp(newStored)) return;
  if (photoNamedByRoster(oldStored)) return;
  removePhotoFile(oldFile);
  removeSharpCopyOf(oldFile);
}

void TsettingForm::ButtontjygClick() {
  const QString name = Editxm->text().trimmed();
  const QString department = ComboBoxbm->currentText().trimmed();
  if (name.isEmpty() || department.isEmpty() || !Imagezp->hasPicture()) {
    info(ld::Tr::tr("请输入完整的信息"));
    Editxm->setFocus();
    return;
  }
  if (refusedPhotoName(checkPhotoName(department, name))) return;
  if (roster_.participantExists(name, department)) {
    info(ld::Tr::tr("已经有相同科室相同姓名的员工，请更改信息"));
    ComboBoxbm->setFocus();
    return;
  }
  const QString path = photoPathFor(department, name);
  if (photoPathTaken(path, QString())) return;

  const QString previousPath = Label1zpsy->text();
  Label1zpsy->setText(path);
  try {
    // The photo is in place before the row names it; a failure takes it back.
    PhotoReplacement photo(photoFileInZp(path));
    photo.stage(Imagezp->jpegData());
    SharpReplacement sharp(photoFileInZp(path));
    sharp.stage(sharpCopyOfBox());
    roster_.addParticipant(name, department, path);
    photo.commit();
    sharp.commit();
  } catch (const std::exception& e) {
    qWarning("participant not added: %s", e.what());
    Label1zpsy->setText(previousPath);
    info(ld::Tr::tr("员工添加失败：") + QString::fromUtf8(e.what()));
    return;
  }
  refresh();
  emptyEntry(false);
  info(ld::Tr::tr("添加员工成功"));
}

void TsettingForm::Button4Click() {
  if (!dialogs().confirm(ld::Tr::tr("真的要更新该员工吗？"))) return;
  const QString name = Editxm->text().trimmed();
  const QString department = ComboBoxbm->currentText().trimmed();
  const QString id = selectedId();
  if (name.isEmpty() || department.isEmpty() || !Imagezp->hasPicture() || id.trimmed().isEmpty()) {
    info(ld::Tr::tr("请输入完整的信息"));
    Editxm->setFocus();
    return;
  }
  if (refusedPhotoName(checkPhotoName(department, name))) return;
  if (roster_.otherParticipantNamed(name, department, id)) {
    info(ld::Tr::tr("已存在同部门同姓名员工，请核对后再更新，本次更新失败。"));
    Editxm->setFocus();
    return;
  }
  const QString path = photoPathFor(department, name);
  if (photoPathTaken(path, id)) return;

  const QString oldPath = Label1zpsy->text();
  Label1zpsy->setText(path);
  try {
    // New file first, then the row; the old file goes only once nothing names it any more.
    PhotoReplacement photo(photoFileInZp(path));
    photo.stage(Imagezp->jpegData());
    SharpReplacement sharp(photoFileInZp(path));
    sharp.stage(sharpCopyOfBox());
    if (!roster_.updateParticipant(id, name, department, path)) throw Error(ld::Tr::tr("该员工已不存在"));
    photo.commit();
    sharp.commit();
  } catch (const std::exception& e) {
    qWarning("participant %s not updated: %s", qUtf8Printable(id), e.what());
    Label1zpsy->setText(oldPath);
    info(ld::Tr::tr("员工更新失败"));
    return;
  }
  try {
    removeUnnamedPhoto(oldPath.trimmed(), path);
  } catch (const std::exception& e) {
    // A leftover old file is harmless; the update itself has succeeded.
    qWarning("old photo %s of participant %s not removed: %s", qUtf8Printable(oldPath), qUtf8Printable(id),
             e.what());
  }
  try {
    refresh();
    emptyEntry(false);
  } catch (const std::exception& e) {
    qWarning("roster not refreshed after updating participant %s: %s", qUtf8Printable(id), e.what());
    info(ld::Tr::tr("员工更新失败"));
    return;
  }
  info(ld::Tr::tr("员工更新成功"));
}

void TsettingForm::Button3Click() {
  const QString id = selectedId();
  if (id.isEmpty()) {
    info(ld::Tr::tr("请选定需要删除的员工"));
    return;
  }
  if (!dialogs().confirm(ld::Tr::tr("真的要删除该员工吗？"))) return;
  try {
    roster_.deleteParticipant(id);
    removeUnnamedPhoto(Label1zpsy->text().trimmed(), QString());
    refresh();
    emptyEntry(true);
  } catch (const std::exception& e) {
    qWarning("deleting participant %s failed: %s", qUtf8Printable(id), e.what());
    info(ld::Tr::tr("员工删除失败"));
    return;
  }
  info(ld::Tr::tr("员工删除成功"));
}

void TsettingForm::Button5Click() {
  if (!dialogs().confirm(ld::Tr::tr("真的要清空员工列表吗？"))) return;
  QStringList files;
  for (const QString& stored : roster_.photoPaths()) {
    const QString file = photoFileInZp(stored);
    if (!file.isEmpty()) files << file;
  }
  // Rows first: should the delete fail, every row still has its photo.
  roster_.clearRoster();
  emit resultsCleared();
  for (const QString& file : files) {
    removePhotoFile(file);
    removeSharpCopyOf(file);
  }
  refresh();
  emptyEntry(true);
  info(ld::Tr::tr("员工列表清空"));
}

void TsettingForm::Button7Click() {
  if (!dialogs().confirm(ld::Tr::tr("真的要清空中奖记录吗？"))) return;
  roster_.clearResults();
  emit resultsCleared();
  refresh();
  emptyEntry(true);
  info(ld::Tr::tr("中奖记录清空"));
}
