#include "data/draw_settings.h"

#include "data/query.h"
#include "framework/errors.h"

namespace ld {

std::optional<int> DrawSettings::read(const char* key) {
  std::optional<int> value;
  silently("reading a setting of the draw window", [&] {
    query_.openSql(QStringLiteral("select sz from sy where symc=?"), {QLatin1String(key)});
    if (query_.recordCount() == 0) return;
    query_.first();
    value = query_.fieldByName(QStringLiteral("sz")).asInteger();
  });
  return value;
}

void DrawSettings::write(const char* key, int value) {
  const QString name = QLatin1String(key);
  query_.execSql(QStringLiteral("update sy set sz=? where symc=?"), {value, name});
  if (query_.rowsAffected() == 0)
    query_.execSql(QStringLiteral("insert into sy (symc, sz) values (?, ?)"), {name, value});
}

std::optional<int> DrawSettings::screen() {
  const std::optional<int> number = read("PM");
  if (number && *number >= 1) return number;
  return std::nullopt;
}

void DrawSettings::setScreen(int number) { write("PM", number); }

int DrawSettings::minimumRollMs() {
  const std::optional<int> ms = read("ZS");
  return ms && *ms >= 0 && *ms <= 60000 ? *ms : kDefaultMinimumRollMs;
}

void DrawSettings::setMinimumRollMs(int ms) { write("ZS", ms); }

bool DrawSettings::muted() { return read("JY").value_or(0) == 1; }

void DrawSettings::setMuted(bool on) { write("JY", on ? 1 : 0); }

bool DrawSettings::stageShown() { return read("WT").value_or(0) == 1; }

void DrawSettings::setStageShown(bool on) { write("WT", on ? 1 : 0); }

}  // namespace ld
