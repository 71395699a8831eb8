#include "proof/seal_serialization.h"

#include <QCryptographicHash>
#include <QStringList>

#include "data/connection.h"
#include "data/plan_store.h"
#include "data/prize_levels.h"
#include "data/query.h"
#include "data/schema.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

const QString kHeader = QStringLiteral("luckydraw-seal 1");

QString escaped(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c == QLatin1Char('\\'))
      out += QStringLiteral("\\\\");
    else if (c == QLatin1Char('\t'))
      out += QStringLiteral("\\t");
    else if (c == QLatin1Char('\n'))
      out += QStringLiteral("\\n");
    else if (c == QLatin1Char('\r'))
      out += QStringLiteral("\\r");
    else
      out += c;
  }
  return out;
}

// Throws for a backslash followed by anything but the four escapes: such a text was never written here.
QString unescaped(const QString& text, int line) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('\\')) {
      out += text[i];
      continue;
    }
    const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
    if (next == QLatin1Char('\\'))
      out += QLatin1Char('\\');
    else if (next == QLatin1Char('t'))
      out += QLatin1Char('\t');
    else if (next == QLatin1Char('n'))
      out += QLatin1Char('\n');
    else if (next == QLatin1Char('r'))
      out += QLatin1Char('\r');
    else
      throw Error(Tr::tr("封存文本第 %1 行有无效的转义").arg(line));
    ++i;
  }
  return out;
}

QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

QString idText(const std::vector<int>& ids) {
  QStringList list;
  for (int id : ids) list << QString::number(id);
  return list.join(QLatin1Char(','));
}

QString settingValue(Query& q, const QString& statement) {
  q.openSql(statement);
  if (q.recordCount() == 0) return {};
  q.first();
  const Field f = q.fieldByName(QStringLiteral("sz"));
  return f.isNull() ? QString() : f.asString();
}

}  // namespace

const SealedPrize* SealedEvent::prize(int level) const {
  for (const SealedPrize& p : prizes)
    if (p.level == level) return &p;
  return nullptr;
}

SealedEvent readSealedEvent(Query& q, const QString& commitment) {
  SealedEvent event;
  event.commitment = commitment;
  event.company = settingValue(q, QStringLiteral("select sz from jcsz where xm='GSMC'"));
  q.openSql(QString::fromLatin1(kThemeQuery));
  if (q.recordCount() > 0) event.title = settingValue(q, QStringLiteral("select sz from ztsz where xm='BT'"));

  std::vector<QString> employeeIds;
  const QString checkedIn = hasColumn(q.connection().handle(), "yglb", "qd")
                                ? QStringLiteral("(qd<>'') as qdz")
                                : QStringLiteral("0 as qdz");
  q.openSql(QStringLiteral("select id, bm, xm, zp, %1, %2, %3 from yglb order by id")
                .arg(addedColumnOrBlank(q, "yglb", "gh"), addedColumnOrBlank(q, "yglb", "bq"), checkedIn));
  q.first();
  for (int row = 0; row < q.recordCount(); ++row, q.next()) {
    const auto text = [&](const char* name) { return q.fieldByName(QLatin1String(name)).asString(); };
    event.participants.push_back({q.fieldByName(QStringLiteral("id")).asInteger(), text("bm"), text("xm"),
                                  text("bq"), q.fieldByName(QStringLiteral("qdz")).asInteger() != 0,
                                  !text("zp").isEmpty()});
    employeeIds.push_back(text("gh"));
  }
  q.close();

  const auto admittedBy = [&](const PrizeRule& rule) {
    std::vector<int> ids;
    for (size_t i = 0; i < event.participants.size(); ++i) {
      const SealedParticipant& p = event.participants[i];
      if (rule.admits(p.department, p.name, employeeIds[i], p.tags, p.checkedIn)) ids.push_back(p.id);
    }
    return ids;
  };
  const PrizePlan plan = PlanStore(q).forDraw();
  if (plan.applies()) {
    int position = 0;
    for (const Prize& prize : plan.prizes)
      event.prizes.push_back(
          {++position, prize.level, prize.name, prize.quantity, prize.perDraw, admittedBy(prize.rule)});
  } else {
    // Without a plan every stop draws one winner outside it, from everybody.
    event.prizes.push_back({1, kOutsidePlan, QString(), 0, 1, admittedBy(PrizeRule{})});
  }
  return event;
}

QByteArray serializedEvent(const SealedEvent& event) {
  QString text = kHeader + QLatin1Char('\n');
  const QChar tab = QLatin1Char('\t');
  text +=
      QStringLiteral("event") + tab + escaped(event.company) + tab + escaped(event.title) + QLatin1Char('\n');
  for (const SealedParticipant& p : event.participants)
    text += QStringLiteral("participant") + tab + QString::number(p.id) + tab + escaped(p.department) + tab +
            escaped(p.name) + tab + escaped(p.tags) + tab + flag(p.checkedIn) + tab + flag(p.hasPhoto) +
            QLatin1Char('\n');
  for (const SealedPrize& p : event.prizes)
    text += QStringLiteral("prize") + tab + QString::number(p.position) + tab + QString::number(p.level) +
            tab + escaped(p.name) + tab + QString::number(p.quantity) + tab + QString::number(p.perDraw) +
            tab + idText(p.admitted) + QLatin1Char('\n');
  text += QStringLiteral("commitment") + tab + event.commitment + QLatin1Char('\n');
  return text.toUtf8();
}

SealedEvent parseSerializedEvent(const QByteArray& bytes) {
  const QString text = QString::fromUtf8(bytes);
  if (text.toUtf8() != bytes) throw Error(Tr::tr("封存文本不是有效的 UTF-8"));
  if (!text.endsWith(QLatin1Char('\n'))) throw Error(Tr::tr("封存文本的最后一行没有换行"));
  const QStringList lines = text.left(text.size() - 1).split(QLatin1Char('\n'));
  SealedEvent event;
  const auto bad = [](int line) { return Error(Tr::tr("封存文本第 %1 行的格式不对").arg(line)); };
  const auto number = [&](const QString& field, int line) {
    bool ok = false;
    const int n = field.toInt(&ok);
    if (!ok || QString::number(n) != field) throw bad(line);
    return n;
  };
  if (lines.value(0) != kHeader) throw bad(1);
  bool committed = false;
  for (int i = 1; i < lines.size(); ++i) {
    const int line = i + 1;
    if (committed) throw bad(line);
    const QStringList f = lines[i].split(QLatin1Char('\t'));
    const QString& kind = f[0];
    if (kind == QLatin1String("event") && f.size() == 3 && i == 1) {
      event.company = unescaped(f[1], line);
      event.title = unescaped(f[2], line);
    } else if (kind == QLatin1String("participant") && f.size() == 7 && event.prizes.empty()) {
      SealedParticipant p{number(f[1], line),    unescaped(f[2], line),      unescaped(f[3], line),
                          unescaped(f[4], line), f[5] == QLatin1String("1"), f[6] == QLatin1String("1")};
      if ((!p.checkedIn && f[5] != QLatin1String("0")) || (!p.hasPhoto && f[6] != QLatin1String("0")))
        throw bad(line);
      if (!event.participants.empty() && event.participants.back().id >= p.id) throw bad(line);
      event.participants.push_back(std::move(p));
    } else if (kind == QLatin1String("prize") && f.size() == 7) {
      SealedPrize p{number(f[1], line), number(f[2], line), unescaped(f[3], line),
                    number(f[4], line), number(f[5], line), {}};
      if (!f[6].isEmpty())
        for (const QString& id : f[6].split(QLatin1Char(','))) p.admitted.push_back(number(id, line));
      event.prizes.push_back(std::move(p));
    } else if (kind == QLatin1String("commitment") && f.size() == 2) {
      event.commitment = f[1];
      committed = true;
    } else {
      throw bad(line);
    }
  }
  if (!committed) throw Error(Tr::tr("封存文本缺少承诺（commitment）一行"));
  return event;
}

QString sha256Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

}  // namespace ld
