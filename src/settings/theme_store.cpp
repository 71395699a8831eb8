#include "settings/theme_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "artwork/builtin.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "settings/photo_import.h"
#include "settings/theme_picture.h"

namespace ld {

namespace {

// The keys of table ztsz.
const QString kTitleKey = QStringLiteral("BT");
const QString kBaseKey = QStringLiteral("DS");
const QString kAccentKey = QStringLiteral("QS");
const QString kTextKey = QStringLiteral("WZ");

void note(QStringList* problems, const QString& problem) {
  qWarning("stage look: %s", qUtf8Printable(problem));
  if (problems) *problems << problem;
}

// A colour as kept: "#rrggbb" and nothing else.
QColor storedColour(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^#[0-9a-fA-F]{6}$"));
  return form.match(text).hasMatch() ? QColor(text) : QColor();
}

}  // namespace

QColor defaultThemeBase() { return QColor(0x7a, 0x0c, 0x1c); }
QColor defaultThemeAccent() { return QColor(0xf8, 0xc5, 0x48); }
QColor defaultThemeText() { return QColor(Qt::white); }

stage::Theme withThemeDefaults(stage::Theme theme) {
  if (theme.background.isNull())
    silently("reading the built-in stage background", [&] { theme.background = artwork::stageBackground(); });
  if (!theme.base.isValid()) theme.base = defaultThemeBase();
  if (!theme.accent.isValid()) theme.accent = defaultThemeAccent();
  if (!theme.text.isValid()) theme.text = defaultThemeText();
  return theme;
}

ThemeStore::ThemeStore(Query& query, QString eventFolder) : q_(query), folder_(std::move(eventFolder)) {
  if (!folder_.endsWith(QLatin1Char('/'))) folder_ += QLatin1Char('/');
}

stage::Theme ThemeStore::stored(QStringList* problems) {
  stage::Theme theme;
  try {
    // An older file opened read-only could not be given the table: it keeps no look, which is no fault.
    q_.openSql(QString::fromLatin1(kThemeQuery));
    const bool kept = q_.recordCount() == 1;
    if (kept) q_.openSql(QStringLiteral("select xm, sz from ztsz"));
    q_.first();
    for (int row = 0; kept && row < q_.recordCount(); ++row, q_.next()) {
      const QString key = q_.fieldByName(QStringLiteral("xm")).asString().toUpper();
      const QString value = q_.fieldByName(QStringLiteral("sz")).asString();
      if (key == kTitleKey) {
        theme.title = value;
        continue;
      }
      QColor* colour = key == kBaseKey     ? &theme.base
                       : key == kAccentKey ? &theme.accent
                       : key == kTextKey   ? &theme.text
                                           : nullptr;
      if (!colour) continue;
      *colour = storedColour(value);
      if (!colour->isValid()) note(problems, Tr::tr("舞台外观中的颜色“%1”无效，改用默认颜色").arg(value));
    }
  } catch (const std::exception& e) {
    note(problems, Tr::tr("舞台外观无法读取：%1").arg(QString::fromUtf8(e.what())));
  }
  const auto picture = [&](ThemePictureKind kind) {
    const QString file = folder_ + themePictureEntry(kind);
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink()) return QImage();
    try {
      if (info.isSymLink() || QFileInfo(info.path()).isSymLink())
        throw Error(Tr::tr("%1 是一个链接，不予读取").arg(shown(file)));
      if (info.size() > kMaxThemeFileBytes) throw Error(Tr::tr("图片 %1 的文件太大").arg(shown(file)));
      return storedThemePicture(kind, readPictureFile(file), shown(file));
    } catch (const std::exception& e) {
      note(problems, QString::fromUtf8(e.what()));
      return QImage();
    }
  };
  theme.background = picture(ThemePictureKind::Background);
  theme.logo = picture(ThemePictureKind::Logo);
  return theme;
}

void ThemeStore::save(const ThemeChange& change) {
  const QString zt = folder_ + QStringLiteral("zt");
  struct Staged {
    QString scratch, target;
  };
  // Scratch files not put in place go again, whatever ends the save.
  struct StagedFiles {
    std::vector<Staged> files;
    ~StagedFiles() {
      for (const Staged& s : files) QFile::remove(s.scratch);
    }
  } staged;
  std::vector<QString> removed;
  // Only ever inside the event's own zt/: a link there could send a write or a removal anywhere.
  const QFileInfo ztInfo(zt);
  if ((change.background || change.logo) && (ztInfo.isSymLink() || (ztInfo.exists() && !ztInfo.isDir())))
    throw Error(Tr::tr("%1 不是文件夹，舞台外观的图片无法保存").arg(shown(zt)));
  const auto plan = [&](ThemePictureKind kind, const std::optional<QByteArray>& bytes) {
    if (!bytes) return;
    const QString target = folder_ + themePictureEntry(kind);
    if (bytes->isEmpty()) {
      removed.push_back(target);
      return;
    }
    if (!QDir().mkpath(zt)) throw Error(Tr::tr("无法创建文件夹 %1").arg(shown(zt)));
    const QString scratch = scratchName(zt, scratch::kPhotoNew);
    if (const QString why = writeNewFile(scratch, *bytes, Durability::Synced); !why.isEmpty())
      throw Error(Tr::tr("无法写入 %1：%2").arg(shown(target), why));
    staged.files.push_back({scratch, target});
  };
  plan(ThemePictureKind::Background, change.background);
  plan(ThemePictureKind::Logo, change.logo);

  {
    Transaction transaction(q_.connection());
    q_.execSql(QStringLiteral("delete from ztsz"));
    const auto keep = [&](const QString& key, const QString& value) {
      if (!value.isEmpty())
        q_.execSql(QStringLiteral("insert into ztsz (xm, sz) values (?, ?)"), {key, value});
    };
    keep(kTitleKey, change.title);
    const auto colour = [](const QColor& c) { return c.isValid() ? c.name(QColor::HexRgb) : QString(); };
    keep(kBaseKey, colour(change.base));
    keep(kAccentKey, colour(change.accent));
    keep(kTextKey, colour(change.text));
    transaction.commit();
  }

  QStringList failed;
  for (const Staged& s : staged.files)
    if (!renameFile(s.scratch, s.target)) failed << shown(s.target);
  for (const QString& target : removed)
    if (!QFile::remove(target) && QFileInfo::exists(target)) failed << shown(target);
  syncFolder(zt);
  if (!failed.isEmpty())
    throw Error(Tr::tr("舞台外观的颜色和标题已保存，但图片 %1 无法放置").arg(failed.join(Tr::tr("、"))));
}

}  // namespace ld
