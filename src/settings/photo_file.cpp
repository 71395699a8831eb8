#include "settings/photo_file.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cstdio>

#include "framework/app_folder.h"
#include "framework/errors.h"

namespace ld {

namespace {

const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
constexpr int kMaxFileNameBytes = 255;

bool unsafeChar(QChar c) { return kForbidden.contains(c) || c.category() == QChar::Other_Control; }

bool blankOrDot(QChar c) { return c == QLatin1Char('.') || c.isSpace(); }

QString zpFolder() { return appFolder() + QStringLiteral("zp/"); }

QString shown(const QString& file) { return QDir::toNativeSeparators(file); }

// A name beside the target that no participant can have: participants' files always hold a '_'
// after a non-dot start, these start with ".~".
QString scratchName(const QString& beside, const char* kind) {
  for (;;) {
    const QString name = QFileInfo(beside).absolutePath() +
                         QStringLiteral("/.~%1-%2.tmp")
                             .arg(QLatin1String(kind))
                             .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    if (!QFileInfo(name).exists() && !QFileInfo(name).isSymLink()) return name;
  }
}

// rename(2): atomic, and it moves a link itself rather than what it points to.
bool renameFile(const QString& from, const QString& to) {
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool present(const QFileInfo& info) { return info.exists() || info.isSymLink(); }

void writeNewFile(const QString& path, const QByteArray& bytes, const QString& target) {
  QFile f(path);
  const auto fail = [&](const QString& why) {
    f.close();
    QFile::remove(path);
    throw Error(QStringLiteral("无法写入照片文件 %1：%2").arg(shown(target), why));
  };
  if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) fail(f.errorString());
  if (f.write(bytes) != bytes.size() || !f.flush()) fail(f.errorString());
  // The photo must survive a power cut at the event.
  if (::fsync(f.handle()) != 0) fail(QStringLiteral("fsync"));
  f.close();
}

}  // namespace

PhotoNameCheck checkPhotoName(const QString& department, const QString& name) {
  const QString chars = QStringLiteral("（\\ / : * ? \" < > | 或控制字符）");
  for (QChar c : department)
    if (unsafeChar(c))
      return {QStringLiteral("部门中含有不能用于照片文件名的字符%1，请更改部门").arg(chars), true};
  for (QChar c : name)
    if (unsafeChar(c))
      return {QStringLiteral("姓名中含有不能用于照片文件名的字符%1，请更改姓名").arg(chars), false};
  if (department.contains(QStringLiteral("..")))
    return {QStringLiteral("部门中不能含有“..”，请更改部门"), true};
  if (name.contains(QStringLiteral(".."))) return {QStringLiteral("姓名中不能含有“..”，请更改姓名"), false};
  const QString joined = department + QLatin1Char('_') + name;
  if (blankOrDot(joined.front()))
    return {QStringLiteral("部门不能以点或空格开头（照片文件名会以它开头），请更改部门"), true};
  if (blankOrDot(joined.back()))
    return {QStringLiteral("姓名不能以点或空格结尾（照片文件名会以它结尾），请更改姓名"), false};
  if ((joined + QStringLiteral(".jpg")).toUtf8().size() > kMaxFileNameBytes)
    return {QStringLiteral("部门和姓名太长，无法作为照片文件名，请缩短"), false};
  return {};
}

QString photoPathFor(const QString& department, const QString& name) {
  return QStringLiteral("zp\\") + department + QLatin1Char('_') + name + QStringLiteral(".jpg");
}

QString photoFileInZp(const QString& stored) {
  QString rel = stored.trimmed();
  rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (!rel.startsWith(QStringLiteral("zp/"))) return {};
  const QString file = rel.mid(3);
  if (file.isEmpty() || file.contains(QLatin1Char('/')) || file == QStringLiteral(".") ||
      file == QStringLiteral(".."))
    return {};
  return zpFolder() + file;
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
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
    throw Error(QStringLiteral("无法写入文件 %1：%2").arg(shown(path), f.errorString()));
}

PhotoReplacement::~PhotoReplacement() { rollback(); }

void PhotoReplacement::stage(const QByteArray& bytes) {
  if (file_.isEmpty()) throw Error(QStringLiteral("照片文件不在照片文件夹内"));
  const QFileInfo target(file_);
  if (present(target) && !target.isFile())
    throw Error(QStringLiteral("无法写入照片文件 %1：该位置已被占用").arg(shown(file_)));

  const QString fresh = scratchName(file_, "new");
  writeNewFile(fresh, bytes, file_);
  if (present(target)) {
    backup_ = scratchName(file_, "old");
    if (!renameFile(file_, backup_)) {
      backup_.clear();
      QFile::remove(fresh);
      throw Error(QStringLiteral("无法替换照片文件 %1").arg(shown(file_)));
    }
  }
  if (!renameFile(fresh, file_)) {
    QFile::remove(fresh);
    if (!backup_.isEmpty()) renameFile(backup_, file_);
    backup_.clear();
    throw Error(QStringLiteral("无法写入照片文件 %1").arg(shown(file_)));
  }
  placed_ = true;
}

void PhotoReplacement::commit() {
  if (!backup_.isEmpty()) removePhotoFile(backup_);
  backup_.clear();
  placed_ = false;
}

void PhotoReplacement::rollback() {
  if (!placed_) return;
  // Renaming the old file back replaces the new one in one step.
  if (!backup_.isEmpty() && !renameFile(backup_, file_))
    qWarning("old photo %s not put back from %s", qUtf8Printable(file_), qUtf8Printable(backup_));
  if (backup_.isEmpty()) removePhotoFile(file_);
  backup_.clear();
  placed_ = false;
}

}  // namespace ld
