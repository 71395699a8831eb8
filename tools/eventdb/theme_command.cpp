#include "theme_command.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/text.h"
#include "settings/theme_picture.h"
#include "settings/theme_store.h"

namespace ld::eventdb {

std::optional<std::array<QColor, 3>> parseThemeColours(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 3) return std::nullopt;
  static const QRegularExpression form(QStringLiteral("^#[0-9a-fA-F]{6}$"));
  std::array<QColor, 3> colours;
  for (int i = 0; i < 3; ++i) {
    const QString part = parts[i].trimmed();
    if (part == QLatin1String("-")) continue;
    if (!form.match(part).hasMatch()) return std::nullopt;
    colours[size_t(i)] = QColor(part);
  }
  return colours;
}

QStringList theme(const QString& folder, const ThemeOptions& options) {
  QString f = QDir(folder).absolutePath();
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  if (!QFileInfo::exists(TDataModule1::databaseFileFor(f)))
    throw Error(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(f));
  const bool changing =
      options.reset || options.title || options.background || options.logo || options.colours;
  std::optional<EventLock> lock;
  if (changing) lock.emplace(f);
  Connection c;
  c.setConnectionString(TDataModule1::connectionStringFor(f), TDataModule1::databaseFileFor(f));
  c.setConnected(true);
  Query q(c);
  ThemeStore store(q, f);

  if (changing) {
    // Every picture is read before anything is written.
    const auto picture = [](ThemePictureKind kind,
                            const std::optional<QString>& file) -> std::optional<QByteArray> {
      if (!file) return std::nullopt;
      if (file->isEmpty()) return QByteArray();
      return themePictureFromFile(kind, *file).bytes;
    };
    ThemeChange change;
    change.background = picture(ThemePictureKind::Background, options.background);
    change.logo = picture(ThemePictureKind::Logo, options.logo);
    if (options.reset) {
      if (!change.background) change.background = QByteArray();
      if (!change.logo) change.logo = QByteArray();
    } else {
      const stage::Theme kept = store.stored();
      change.title = kept.title;
      change.base = kept.base;
      change.accent = kept.accent;
      change.text = kept.text;
    }
    if (options.title) change.title = options.title->trimmed();
    if (options.colours) {
      change.base = (*options.colours)[0];
      change.accent = (*options.colours)[1];
      change.text = (*options.colours)[2];
    }
    store.save(change);
  }

  QStringList problems;
  const stage::Theme kept = store.stored(&problems);
  const auto colour = [](const QColor& c, const QColor& fallback) {
    return c.isValid() ? c.name() : Tr::tr("%1（默认）").arg(fallback.name());
  };
  const auto pictureLine = [](const QImage& image, ThemePictureKind kind) {
    return image.isNull() ? Tr::tr("无")
                          : QStringLiteral("%1 %2×%3")
                                .arg(themePictureEntry(kind))
                                .arg(image.width())
                                .arg(image.height());
  };
  QStringList lines{
      Tr::tr("标题：%1").arg(kept.title),
      Tr::tr("底色：%1").arg(colour(kept.base, defaultThemeBase())),
      Tr::tr("强调色：%1").arg(colour(kept.accent, defaultThemeAccent())),
      Tr::tr("文字颜色：%1").arg(colour(kept.text, defaultThemeText())),
      Tr::tr("背景图片：%1")
          .arg(kept.background.isNull() ? Tr::tr("内置")
                                        : pictureLine(kept.background, ThemePictureKind::Background)),
      Tr::tr("标志：%1").arg(pictureLine(kept.logo, ThemePictureKind::Logo)),
  };
  for (const QString& problem : problems) lines << Tr::tr("无法读取：%1").arg(problem);
  return lines;
}

}  // namespace ld::eventdb
