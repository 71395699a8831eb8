#include "settings/prize_rule_editor.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>

#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

// A list of people to keep out is a few thousand lines at most; anything bigger is the wrong file.
constexpr qint64 kMaxListFile = 1024 * 1024;

QString folded(const QString& text) { return foldedLikeTheRoster(text); }

void fill(QListWidget* list, const QStringList& values, const QString& none) {
  for (const QString& value : values) {
    auto* item = new QListWidgetItem(value, list);
    item->setData(Qt::UserRole, value);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  if (values.isEmpty()) (new QListWidgetItem(none, list))->setFlags(Qt::NoItemFlags);
}

void tick(QListWidget* list, const QStringList& values) {
  for (int row = 0; row < list->count(); ++row)
    if (list->item(row)->flags() & Qt::ItemIsUserCheckable) list->item(row)->setCheckState(Qt::Unchecked);
  for (const QString& value : values) {
    QListWidgetItem* found = nullptr;
    for (int row = 0; row < list->count() && !found; ++row)
      if ((list->item(row)->flags() & Qt::ItemIsUserCheckable) &&
          folded(list->item(row)->data(Qt::UserRole).toString()) == folded(value))
        found = list->item(row);
    if (!found) {
      // Kept as stored: dropping it silently would widen the rule behind the operator's back.
      found = new QListWidgetItem(Tr::tr("%1（名单中已没有）").arg(value), list);
      found->setData(Qt::UserRole, value);
      found->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    }
    found->setCheckState(Qt::Checked);
  }
}

QStringList ticked(const QListWidget* list) {
  QStringList values;
  for (int row = 0; row < list->count(); ++row)
    if (list->item(row)->checkState() == Qt::Checked)
      values << list->item(row)->data(Qt::UserRole).toString();
  return values;
}

QString lineOf(const ExcludedPerson& p) {
  return p.employeeId.isEmpty() ? p.department + QLatin1Char(',') + p.name : p.employeeId;
}

// UTF-8 (with or without its mark), else GB18030 as spreadsheet programs on Chinese systems save text.
QString readListFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw Error(file.errorString());
  if (file.size() > kMaxListFile) throw Error(Tr::tr("文件超过 1 MB，不像是一份名单"));
  const QByteArray bytes = file.readAll();
  if (bytes.contains('\0')) throw Error(Tr::tr("这不是文本文件"));
  QStringDecoder utf8(QStringConverter::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) {
    QStringDecoder legacy("GB18030");
    if (!legacy.isValid()) throw Error(Tr::tr("文件不是 UTF-8 编码，而本机缺少 GB18030 解码器"));
    text = legacy.decode(bytes);
    if (legacy.hasError()) throw Error(Tr::tr("文件编码无法识别（既不是 UTF-8，也不是 GBK/GB18030）"));
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

}  // namespace

QStringList distinctTags(const QStringList& storedTags) {
  QStringList tags, seen;
  for (const QString& stored : storedTags)
    for (const QString& raw : stored.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      const QString tag = raw.trimmed();
      if (tag.isEmpty() || seen.contains(folded(tag))) continue;
      seen << folded(tag);
      tags << tag;
    }
  return tags;
}

QString excludedPeopleLines(const QString& fileText, bool csv) {
  static const QRegularExpression separator(QStringLiteral("[\t,，]"));
  static const QStringList headings{QStringLiteral("工号"),       QStringLiteral("员工编号"),
                                    QStringLiteral("部门"),       QStringLiteral("姓名"),
                                    QStringLiteral("id"),         QStringLiteral("employee id"),
                                    QStringLiteral("department"), QStringLiteral("name")};
  QStringList lines = fileText.split(QLatin1Char('\n'));
  bool first = true;
  for (QString& line : lines) {
    line = line.trimmed();
    if (csv) line.remove(QLatin1Char('"'));
    if (line.isEmpty() || !first) continue;
    first = false;
    // Left blank rather than out, so that a bad line is named by its number in the file.
    const QStringList fields = line.split(separator);
    if (std::all_of(fields.begin(), fields.end(),
                    [](const QString& f) { return headings.contains(folded(f.trimmed())); }))
      line.clear();
  }
  return lines.join(QLatin1Char('\n'));
}

PrizeRuleEditor::PrizeRuleEditor(const QStringList& departments, const QStringList& tags, QWidget* parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("prizeRuleEditor"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  static const char* const names[4] = {"includeDepartments", "excludeDepartments", "includeTags",
                                       "excludeTags"};
  const QString titles[4] = {Tr::tr("仅限这些部门（都不选：所有部门）"), Tr::tr("不含这些部门"),
                             Tr::tr("仅限有这些标签的人（都不选：不看标签）"), Tr::tr("不含有这些标签的人")};
  for (int i = 0; i < 4; ++i) {
    lists_[i] = new QListWidget(this);
    lists_[i]->setObjectName(QLatin1String(names[i]));
    lists_[i]->setSelectionMode(QAbstractItemView::NoSelection);
    fill(lists_[i], i < 2 ? departments : tags,
         i < 2 ? Tr::tr("（名单中没有部门）") : Tr::tr("（名单中没有标签）"));
    grid->addWidget(new QLabel(titles[i], this), (i / 2) * 2, i % 2);
    grid->addWidget(lists_[i], (i / 2) * 2 + 1, i % 2);
    connect(lists_[i], &QListWidget::itemChanged, this, &PrizeRuleEditor::changed);
  }
  grid->addWidget(new QLabel(Tr::tr("不参加的人：每行一个工号，或“部门,姓名”"), this), 4, 0);
  readFile_ = new QPushButton(Tr::tr("从文件读取…"), this);
  readFile_->setObjectName(QStringLiteral("readExcludedPeople"));
  readFile_->setAutoDefault(false);
  grid->addWidget(readFile_, 4, 1, Qt::AlignRight);
  people_ = new QPlainTextEdit(this);
  people_->setObjectName(QStringLiteral("excludePeople"));
  people_->setTabChangesFocus(true);
  grid->addWidget(people_, 5, 0, 1, 2);
  connect(people_, &QPlainTextEdit::textChanged, this, &PrizeRuleEditor::changed);
  checkedIn_ = new QCheckBox(Tr::tr("仅限已签到的人"), this);
  checkedIn_->setObjectName(QStringLiteral("checkedInOnly"));
  grid->addWidget(checkedIn_, 6, 0, 1, 2);
  connect(checkedIn_, &QCheckBox::toggled, this, &PrizeRuleEditor::changed);
  connect(readFile_, &QPushButton::clicked, this, [this] { guarded([this] { readExcludedPeople(); }); });
}

void PrizeRuleEditor::setRule(const PrizeRule& rule) {
  const QSignalBlocker quiet(this);
  tick(lists_[0], rule.departments);
  tick(lists_[1], rule.excludeDepartments);
  tick(lists_[2], rule.tags);
  tick(lists_[3], rule.excludeTags);
  QStringList lines;
  for (const ExcludedPerson& p : rule.excludePeople) lines << lineOf(p);
  people_->setPlainText(lines.join(QLatin1Char('\n')));
  checkedIn_->setChecked(rule.checkedInOnly);
}

PrizeRule PrizeRuleEditor::rule() const {
  PrizeRule rule;
  rule.departments = ticked(lists_[0]);
  rule.excludeDepartments = ticked(lists_[1]);
  rule.tags = ticked(lists_[2]);
  rule.excludeTags = ticked(lists_[3]);
  rule.excludePeople = parseExcludedPeople(people_->toPlainText());
  rule.checkedInOnly = checkedIn_->isChecked();
  return rule;
}

void PrizeRuleEditor::readExcludedPeople() {
  const QString path = dialogs().openFile(Tr::tr("名单文件(*.txt *.csv)"), {});
  if (path.isEmpty()) return;
  const QString shown = QDir::toNativeSeparators(QFileInfo(path).fileName());
  QString lines;
  try {
    lines =
        excludedPeopleLines(readListFile(path), path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive));
    parseExcludedPeople(lines);
  } catch (const Error& e) {
    dialogs().info(Tr::tr("%1 没有读入：%2").arg(shown, e.message()));
    return;
  }
  QStringList people = lines.split(QLatin1Char('\n'));
  people.removeAll(QString());
  if (people.isEmpty()) {
    dialogs().info(Tr::tr("%1 中没有列出任何人").arg(shown));
    return;
  }
  QString text = people_->toPlainText();
  if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('\n');
  people_->setPlainText(text + people.join(QLatin1Char('\n')));
}

}  // namespace ld
