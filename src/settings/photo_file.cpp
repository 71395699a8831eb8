#include "settings/photo_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"

namespace ld {

namespace {

// Path separators, and what a Windows file name cannot hold (the event folder may travel there).
const QString kReserved = QStringLiteral("\\/:*?\"<>|");
constexpr int kMaxFileNameBytes = 255;

// How a refused character is named in a message.
QString describe(QChar c) {
  if (c == QLatin1Char('\t')) return Tr::tr("制表符");
  if (c.category() == QChar::Other_Control)
    return Tr::tr("控制字符（U+%1）").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
  return QStringLiteral("“%1”").arg(c);
}

// The first character that cannot stand in a file name, or a null QChar.
QChar unsafeChar(const QString& text) {
  for (QChar c : text)
    if (kReserved.contains(c) || c.category() == QChar::Other_Control) return c;
  return {};
}

// rename(2) moves a link itself rather than what it points to, so a link counts as a file here.
bool present(const QFileInfo& info) { return info.exists() || info.isSymLink(); }

QString freshBeside(const QString& file) {
  return scratchName(QFileInfo(file).absolutePath(), scratch::kPhotoNew);
}

void writeNewPhoto(const QString& path, const QByteArray& bytes, const QString& target) {
  // The photo must survive a power cut at the event.
  if (const QString why = writeNewFile(path, bytes, Durability::Synced); !why.isEmpty())
    throw Error(Tr::tr("无法写入照片文件 %1：%2").arg(shown(target), why));
}

void syncPhotoFolder(const QString& file) {
  if (!syncFolderOf(file)) qWarning("folder of %s not synced", qUtf8Printable(file));
}

}  // namespace

PhotoNameCheck checkPhotoName(const QString& department, const QString& name) {
  if (const QChar c = unsafeChar(department); !c.isNull())
    return {Tr::tr("部门中的%1不能用于照片文件名，请更改部门").arg(describe(c)), true};
  if (const QChar c = unsafeChar(name); !c.isNull())
    return {Tr::tr("姓名中的%1不能用于照片文件名，请更改姓名").arg(describe(c)), false};
  if (!department.isValidUtf16())
    return {Tr::tr("部门中含有无效的字符，不能用于照片文件名，请更改部门"), true};
  if (!name.isValidUtf16()) return {Tr::tr("姓名中含有无效的字符，不能用于照片文件名，请更改姓名"), false};
  // The file name starts with the department.
  if (department.startsWith(QLatin1Char('.')))
    return {Tr::tr("部门不能以“.”开头：照片文件名会以点开头而成为隐藏文件，请更改部门"), true};
  const qsizetype bytes = (department + QLatin1Char('_') + name + QStringLiteral(".jpg")).toUtf8().size();
  if (bytes > kMaxFileNameBytes)
    return {Tr::tr("部门和姓名太长：照片文件名最多 %1 字节，现在是 %2 字节，请缩短姓名或部门")
                .arg(kMaxFileNameBytes)
                .arg(bytes),
            false};
  return {};
}

QString photoPathFor(const QString& department, const QString& name) {
  return QStringLiteral("zp\\") + department + QLatin1Char('_') + name + QStringLiteral(".jpg");
}

QString zpFolder() { return appFolder() + QStringLiteral("zp/"); }

QString photoNameInZp(const QString& stored) {
  QString rel = stored.trimmed();
  rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (!rel.startsWith(QStringLiteral("zp/"))) return {};
  const QString file = rel.mid(3);
  if (file.isEmpty() || file.contains(QLatin1Char('/')) || file == QStringLiteral(".") ||
      file == QStringLiteral(".."))
    return {};
  return file;
}

QString photoFileInZp(const QString& stored) {
  const QString file = photoNameInZp(stored);
  return file.isEmpty() ? QString() : zpFolder() + file;
}

QString sharpFolder() { return appFolder() + kSharpPhotoFolder + QLatin1Char('/'); }

QString sharpFileFor(const QString& stored) {
  const QString file = photoNameInZp(stored);
  return file.isEmpty() ? QString() : sharpFolder() + file;
}

QString sharpestPhotoFile(const QString& stored) {
  const QString sharp = sharpFileFor(stored);
  if (sharp.isEmpty()) return {};
  const QFileInfo info(sharp);
  return info.isFile() && !info.isSymLink() ? sharp : photoFileInZp(stored);
}

bool makeSharpFolder() {
  const QFileInfo info(sharpFolder());
  if (info.isDir() && !info.isSymLink()) return true;
  if (!present(info) && QDir().mkdir(sharpFolder())) return true;
  qWarning("folder %s for sharper photos not made", qUtf8Printable(sharpFolder()));
  return false;
}

void removeSharpCopyOf(const QString& zpFile) {
  if (zpFile.isEmpty()) return;
  const QString sharp = sharpFolder() + QFileInfo(zpFile).fileName();
  if (present(QFileInfo(sharp))) removePhotoFile(sharp);
}

bool removePhotoFile(const QString& file) {
  const QFileInfo info(file);
  if (info.isDir() && !info.isSymLink()) {
    qWarning("photo %s not removed: it is a folder", qUtf8Printable(file));
    return false;
  }
  if (!present(info)) return false;
  QFile f(file);
  if (f.remove()) return true;
  qWarning("photo %s not removed: %s", qUtf8Printable(file), qUtf8Printable(f.errorString()));
  return false;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
  const QString fresh = freshBeside(path);
  writeNewPhoto(fresh, bytes, path);
  if (!renameFile(fresh, path)) {
    QFile::remove(fresh);
    throw Error(Tr::tr("无法写入文件 %1").arg(shown(path)));
  }
  syncPhotoFolder(path);
}

void PhotoReplacement::stage(const QByteArray& bytes) {
  const QString& file = placement_.target();
  if (file.isEmpty()) throw Error(Tr::tr("照片文件不在照片文件夹内"));
  const QFileInfo target(file);
  if (present(target) && !target.isFile())
    throw Error(Tr::tr("无法写入照片文件 %1：该位置已被占用").arg(shown(file)));

  const QString fresh = freshBeside(file);
  writeNewPhoto(fresh, bytes, file);
  // Replaced in one step: whoever reads the photo meanwhile finds the old one or the new one.
  if (const auto failure = placement_.place(fresh)) {
    QFile::remove(fresh);
    switch (failure->step) {
      case FilePlacement::Step::ReadingOld:
        throw Error(Tr::tr("无法读取原照片文件 %1：%2").arg(shown(file), failure->why));
      case FilePlacement::Step::CopyingOld:
        throw Error(Tr::tr("无法写入照片文件 %1：%2").arg(shown(file), failure->why));
      case FilePlacement::Step::Placing:
        throw Error(Tr::tr("无法写入照片文件 %1").arg(shown(file)));
    }
  }
  syncPhotoFolder(file);
}

void PhotoReplacement::commit() { placement_.commit(); }

void PhotoReplacement::rollback() { placement_.rollback(); }

SharpReplacement::SharpReplacement(const QString& zpFile)
    : file_(zpFile.isEmpty() ? QString() : sharpFolder() + QFileInfo(zpFile).fileName()), placement_(file_) {}

bool SharpReplacement::stage(const QByteArray& bytes) {
  if (bytes.isEmpty() || file_.isEmpty()) return !file_.isEmpty();
  if (!makeSharpFolder()) return false;
  try {
    placement_.stage(bytes);
    staged_ = true;
    return true;
  } catch (const std::exception& e) {
    qWarning("sharper photo not written: %s", e.what());
    return false;
  }
}

void SharpReplacement::commit() {
  if (staged_) {
    placement_.commit();
    staged_ = false;
  } else if (!file_.isEmpty() && present(QFileInfo(file_))) {
    // A copy of the picture that was there before.
    removePhotoFile(file_);
  }
}

void SharpReplacement::rollback() {
  placement_.rollback();
  staged_ = false;
}

}  // namespace ld
