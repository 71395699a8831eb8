#include "data/prize_rule.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

QString folded(const QString& text) { return foldedLikeTheRoster(text); }

bool containsFolded(const QStringList& list, const QString& value) {
  const QString key = folded(value);
  return std::any_of(list.begin(), list.end(), [&](const QString& item) { return folded(item) == key; });
}

QStringList tagList(const QString& stored) {
  QStringList tags;
  for (const QString& tag : stored.split(QLatin1Char(','), Qt::SkipEmptyParts)) tags << tag.trimmed();
  return tags;
}

QString marks(qsizetype n) {
  QStringList list;
  for (qsizetype i = 0; i < n; ++i) list << QStringLiteral("?");
  return list.join(QLatin1Char(','));
}

// The parts of the written-out rule, marked for translation and stored untranslated.
const char* const kOnlyDepartments = QT_TRANSLATE_NOOP("ld", "仅限部门：%1");
const char* const kNotDepartments = QT_TRANSLATE_NOOP("ld", "不含部门：%1");
const char* const kOnlyTags = QT_TRANSLATE_NOOP("ld", "仅限标签：%1");
const char* const kNotTags = QT_TRANSLATE_NOOP("ld", "不含标签：%1");
const char* const kNotPeople = QT_TRANSLATE_NOOP("ld", "另有 %1 人不参加");
const char* const kCheckedInOnly = QT_TRANSLATE_NOOP("ld", "仅限已签到");
const char* const kListSeparator = QT_TRANSLATE_NOOP("ld", "、");
const char* const kPartSeparator = QT_TRANSLATE_NOOP("ld", "；");
const char* const kUnreadable = QT_TRANSLATE_NOOP("ld", "规则无法读取，无人可抽");

QString writtenOut(const PrizeRule& rule, bool shown) {
  const auto t = [shown](const char* text) { return shown ? Tr::tr(text) : QString::fromUtf8(text); };
  if (rule.unreadable) return t(kUnreadable);
  QStringList parts;
  const auto list = [&](const char* format, const QStringList& items) {
    if (!items.isEmpty()) parts << t(format).arg(items.join(t(kListSeparator)));
  };
  list(kOnlyDepartments, rule.departments);
  list(kNotDepartments, rule.excludeDepartments);
  list(kOnlyTags, rule.tags);
  list(kNotTags, rule.excludeTags);
  if (!rule.excludePeople.empty()) parts << t(kNotPeople).arg(rule.excludePeople.size());
  if (rule.checkedInOnly) parts << t(kCheckedInOnly);
  return parts.join(t(kPartSeparator));
}

QJsonArray jsonList(const QStringList& list) { return QJsonArray::fromStringList(list); }

QStringList stringList(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined()) return {};
  if (!value.isArray()) throw Error(Tr::tr("奖项规则中的 %1 不是列表").arg(QLatin1String(key)));
  QStringList list;
  for (const QJsonValue item : value.toArray()) {
    if (!item.isString()) throw Error(Tr::tr("奖项规则中的 %1 含有不是文字的项").arg(QLatin1String(key)));
    if (const QString text = item.toString().trimmed(); !text.isEmpty()) list << text;
  }
  return list;
}

}  // namespace

QString foldedLikeTheRoster(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() >= 'A' && c.unicode() <= 'Z') c = QChar(c.unicode() + ('a' - 'A'));
  return out;
}

bool PrizeRule::isEmpty() const {
  return !unreadable && departments.isEmpty() && excludeDepartments.isEmpty() && tags.isEmpty() &&
         excludeTags.isEmpty() && excludePeople.empty() && !checkedInOnly;
}

bool PrizeRule::admits(const QString& department, const QString& name, const QString& employeeId,
                       const QString& storedTags, bool checkedIn) const {
  if (unreadable) return false;
  if (checkedInOnly && !checkedIn) return false;
  if (!departments.isEmpty() && !containsFolded(departments, department)) return false;
  if (containsFolded(excludeDepartments, department)) return false;
  const QStringList own = tagList(storedTags);
  const auto hasAny = [&](const QStringList& wanted) {
    return std::any_of(own.begin(), own.end(),
                       [&](const QString& tag) { return containsFolded(wanted, tag); });
  };
  if (!tags.isEmpty() && !hasAny(tags)) return false;
  if (hasAny(excludeTags)) return false;
  for (const ExcludedPerson& p : excludePeople) {
    if (!p.employeeId.isEmpty()) {
      if (folded(p.employeeId) == folded(employeeId)) return false;
    } else if (folded(p.department) == folded(department) && folded(p.name) == folded(name)) {
      return false;
    }
  }
  return true;
}

QString PrizeRule::sqlCondition(QVariantList& values) const {
  if (unreadable) return QStringLiteral("0");
  QStringList terms;
  if (checkedInOnly) terms << QStringLiteral("qd<>''");
  if (!departments.isEmpty()) {
    terms << QStringLiteral("bm in (%1)").arg(marks(departments.size()));
    for (const QString& d : departments) values << d;
  }
  if (!excludeDepartments.isEmpty()) {
    terms << QStringLiteral("bm not in (%1)").arg(marks(excludeDepartments.size()));
    for (const QString& d : excludeDepartments) values << d;
  }
  // A tag matches between the commas that separate it, blanks beside a comma left out as admits() trims
  // them; lower() folds ASCII only, as the columns compare.
  const auto tagTest = [&](const QString& tag) {
    values << tag.trimmed();
    return QStringLiteral(
        "instr(',' || replace(replace(replace(replace(trim(lower(bq)), ', ', ','), ' ,', ','), ', ', ','), ' "
        ",', ',') "
        "|| ',', ',' || lower(?) || ',') > 0");
  };
  if (!tags.isEmpty()) {
    QStringList any;
    for (const QString& tag : tags) any << tagTest(tag);
    terms << QLatin1Char('(') + any.join(QStringLiteral(" or ")) + QLatin1Char(')');
  }
  for (const QString& tag : excludeTags) terms << QStringLiteral("not ") + tagTest(tag);
  QStringList ids, people;
  QVariantList idValues, peopleValues;
  for (const ExcludedPerson& p : excludePeople) {
    if (!p.employeeId.isEmpty()) {
      idValues << p.employeeId;
    } else {
      peopleValues << folded(p.department) + QChar(31) + folded(p.name);
    }
  }
  if (!idValues.isEmpty()) {
    terms << QStringLiteral("gh not in (%1)").arg(marks(idValues.size()));
    values << idValues;
  }
  if (!peopleValues.isEmpty()) {
    terms
        << QStringLiteral("(lower(bm) || char(31) || lower(xm)) not in (%1)").arg(marks(peopleValues.size()));
    values << peopleValues;
  }
  return terms.join(QStringLiteral(" and "));
}

QString PrizeRule::text() const { return writtenOut(*this, false); }
QString PrizeRule::shownText() const { return writtenOut(*this, true); }

QByteArray PrizeRule::toJson() const {
  if (isEmpty()) return {};
  QJsonObject object;
  const auto put = [&](const char* key, const QStringList& list) {
    if (!list.isEmpty()) object.insert(QLatin1String(key), jsonList(list));
  };
  put("departments", departments);
  put("excludeDepartments", excludeDepartments);
  put("tags", tags);
  put("excludeTags", excludeTags);
  if (!excludePeople.empty()) {
    QJsonArray people;
    for (const ExcludedPerson& p : excludePeople) {
      QJsonObject person;
      if (!p.employeeId.isEmpty()) {
        person.insert(QStringLiteral("gh"), p.employeeId);
      } else {
        person.insert(QStringLiteral("bm"), p.department);
        person.insert(QStringLiteral("xm"), p.name);
      }
      people.append(person);
    }
    object.insert(QStringLiteral("excludePeople"), people);
  }
  if (checkedInOnly) object.insert(QStringLiteral("checkedIn"), true);
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

PrizeRule PrizeRule::fromJson(const QByteArray& json) {
  PrizeRule rule;
  if (json.trimmed().isEmpty()) return rule;
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject())
    throw Error(Tr::tr("奖项规则无法读取：%1").arg(error.errorString()));
  const QJsonObject object = document.object();
  rule.departments = stringList(object, "departments");
  rule.excludeDepartments = stringList(object, "excludeDepartments");
  rule.tags = stringList(object, "tags");
  rule.excludeTags = stringList(object, "excludeTags");
  const QJsonValue checkedIn = object.value(QStringLiteral("checkedIn"));
  if (!checkedIn.isUndefined() && !checkedIn.isBool())
    throw Error(Tr::tr("奖项规则中的 checkedIn 不是真假值"));
  rule.checkedInOnly = checkedIn.toBool();
  for (const QJsonValue item : object.value(QStringLiteral("excludePeople")).toArray()) {
    const QJsonObject person = item.toObject();
    ExcludedPerson p{person.value(QStringLiteral("gh")).toString().trimmed(),
                     person.value(QStringLiteral("bm")).toString().trimmed(),
                     person.value(QStringLiteral("xm")).toString().trimmed()};
    if (p.employeeId.isEmpty() && p.name.isEmpty())
      throw Error(Tr::tr("奖项规则中有一位不参加的人既没有工号也没有姓名"));
    rule.excludePeople.push_back(std::move(p));
  }
  return rule;
}

std::vector<ExcludedPerson> parseExcludedPeople(const QString& text) {
  std::vector<ExcludedPerson> people;
  int number = 0;
  for (const QString& raw : text.split(QLatin1Char('\n'))) {
    ++number;
    const QString line = raw.trimmed();
    if (line.isEmpty()) continue;
    static const QRegularExpression separator(QStringLiteral("[\t,，]"));
    const QStringList fields = line.split(separator);
    if (fields.size() == 1) {
      people.push_back({line, {}, {}});
    } else if (fields.size() == 2 && !fields[1].trimmed().isEmpty()) {
      people.push_back({{}, fields[0].trimmed(), fields[1].trimmed()});
    } else {
      throw Error(Tr::tr("第 %1 行既不是一个工号，也不是“部门,姓名”：%2").arg(number).arg(line));
    }
  }
  return people;
}

}  // namespace ld
