// Workbook tables (.xlsx): the sheet's XML read part by part straight out of the package.
#include <zip.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QXmlStreamReader>
#include <cmath>
#include <optional>

#include "framework/file_safety.h"
#include "framework/zip_handles.h"
#include "transfer/table_reading.h"

namespace ld {

using namespace tables;

namespace {

// The last row and column a spreadsheet has (XFD1048576).
constexpr int kSheetRows = 1'048'576;
constexpr int kSheetColumns = 16'384;
constexpr int kMaxSheets = 10'000;
constexpr int kMaxStyles = 100'000;
constexpr int kMaxXmlDepth = 64;
// What the XML reader holds at once: one tag, one run of text (a cell's text, escaped, fits many times).
constexpr qint64 kMaxXmlTag = 64 * 1024;
constexpr qint64 kMaxXmlRun = 8 * 1024 * 1024;

// One part of the package, unpacked as the XML reader asks for it, so that a part takes no more memory
// than the reader's buffer. It stops at a part too big, at an overlong tag or run of text (which the XML
// reader would hold whole) and at a document type declaration (whose entities no workbook needs).
class PartDevice : public QIODevice {
 public:
  PartDevice(zip_file_t* f, qint64 maxBytes, QString part) : f_(f), max_(maxBytes), part_(std::move(part)) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }
  const QString& failure() const { return failure_; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (!failure_.isEmpty()) return -1;
    const zip_int64_t n = zip_fread(f_.get(), data, zip_uint64_t(maxSize));
    if (n < 0) return stop(Tr::tr("表格已损坏（%1 无法解压）").arg(part_));
    read_ += n;
    if (read_ > max_) return stop(Tr::tr("%1 解压后超过 %2 MB 的上限").arg(part_).arg(max_ / (1024 * 1024)));
    for (zip_int64_t i = 0; i < n; ++i)
      if (!scan(data[i])) return -1;
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  enum class State { Text, Open, Bang, BangDash, Comment, CData, Pi, Tag, Quote };

  qint64 stop(const QString& why) {
    failure_ = why;
    return -1;
  }

  bool scan(char c) {
    ++length_;
    switch (state_) {
      case State::Text:
        if (c == '<') begin(State::Open);
        break;
      case State::Open:
        state_ = c == '!' ? State::Bang : c == '?' ? State::Pi : State::Tag;
        if (c == '>') begin(State::Text);
        break;
      case State::Bang:
        if (c == '-')
          state_ = State::BangDash;
        else if (c == '[')
          state_ = State::CData;
        else
          return stop(Tr::tr("表格已损坏（%1 含有文档类型声明）").arg(part_)) > 0;
        break;
      case State::BangDash:
        if (c != '-') return stop(Tr::tr("表格已损坏（%1 不是有效的 XML）").arg(part_)) > 0;
        state_ = State::Comment;
        break;
      case State::Comment:
      case State::CData:
      case State::Pi:
        if (c == '>' && ((state_ == State::Pi && last_[1] == '?') ||
                         (state_ == State::Comment && last_[0] == '-' && last_[1] == '-') ||
                         (state_ == State::CData && last_[0] == ']' && last_[1] == ']')))
          begin(State::Text);
        break;
      case State::Tag:
        if (c == '"' || c == '\'') {
          quote_ = c;
          state_ = State::Quote;
        } else if (c == '>') {
          begin(State::Text);
        }
        break;
      case State::Quote:
        if (c == quote_) state_ = State::Tag;
        break;
    }
    last_[0] = last_[1];
    last_[1] = c;
    const bool tag = state_ == State::Tag || state_ == State::Quote || state_ == State::Open;
    if (length_ > (tag ? kMaxXmlTag : kMaxXmlRun))
      return stop(tag ? Tr::tr("%1 中一个标记超过 64 KB 的上限").arg(part_)
                      : Tr::tr("%1 中一段内容超过 8 MB 的上限").arg(part_)) > 0;
    return true;
  }

  void begin(State s) {
    state_ = s;
    length_ = s == State::Open ? 1 : 0;
  }

  ZipEntry f_;
  qint64 max_, read_ = 0, length_ = 0;
  QString part_, failure_;
  State state_ = State::Text;
  char quote_ = 0, last_[2] = {0, 0};
};

// An XML part read token by token, with its nesting bounded and every failure thrown with the part named.
class XmlPart {
 public:
  XmlPart(zip_t* zip, const QString& name, const QString& file, const TableLimits& limits, bool small = false)
      : file_(file), name_(name), maxElements_(4 * limits.cells + 2 * qint64(limits.rows) + 10'000) {
    const QByteArray utf8 = name.toUtf8();
    const zip_int64_t index = zip_name_locate(zip, utf8.constData(), ZIP_FL_ENC_GUESS);
    if (index < 0) return;
    zip_file_t* f = zip_fopen_index(zip, zip_uint64_t(index), 0);
    if (!f) fail(file, Tr::tr("表格已损坏（%1 无法解压）").arg(name));
    device_.emplace(f, small ? limits.smallPartBytes : limits.partBytes, QFileInfo(name).fileName());
    xml.setDevice(&*device_);
  }
  bool found() const { return device_.has_value(); }

  // The next token; false at the end of the part.
  bool next() {
    if (xml.atEnd()) return false;
    xml.readNext();
    if (!device_->failure().isEmpty()) fail(file_, device_->failure());
    if (xml.isStartElement() && ++depth_ > kMaxXmlDepth)
      fail(file_, Tr::tr("表格已损坏（%1 的嵌套超过 %2 层）").arg(name_).arg(kMaxXmlDepth));
    // Elements that hold no cell cost time all the same: a few per cell and per row are plenty.
    if (xml.isStartElement() && ++elements_ > maxElements_)
      fail(file_, Tr::tr("%1 的元素超过 %2 个的上限").arg(name_, amount(maxElements_)));
    if (xml.isEndElement()) --depth_;
    if (xml.hasError()) {
      fail(file_,
           Tr::tr("表格已损坏（%1 第 %2 行：%3）").arg(name_).arg(xml.lineNumber()).arg(xml.errorString()));
    }
    return !xml.atEnd();
  }
  bool starts(QLatin1String name) const { return xml.isStartElement() && xml.name() == name; }
  bool ends(QLatin1String name) const { return xml.isEndElement() && xml.name() == name; }

  // The text inside the element just started, up to its end; at most MAX characters.
  QString text(qint64 max) {
    QString out;
    const int until = depth_;
    while (next() && depth_ >= until) {
      if (xml.isCharacters()) {
        if (out.size() + xml.text().size() > max)
          fail(file_, Tr::tr("一个单元格超过 %1 个字符的上限").arg(amount(max)));
        out += xml.text();
      }
    }
    out.squeeze();
    return out;
  }

  // The text of an <si> or <is>: its <t>, or the <t> of every run; phonetic guides (<rPh>) are not text.
  QString richText(qint64 max) {
    QString out;
    const int until = depth_;
    int phonetic = 0;
    while (next() && depth_ >= until) {
      if (starts(QLatin1String("rPh"))) ++phonetic;
      if (ends(QLatin1String("rPh"))) --phonetic;
      if (starts(QLatin1String("t")) && phonetic == 0) {
        out += text(max - out.size());
      }
    }
    out.squeeze();
    return out;
  }

  QXmlStreamReader xml;

 private:
  const QString& file_;
  QString name_;
  std::optional<PartDevice> device_;
  int depth_ = 0;
  qint64 elements_ = 0, maxElements_;
};

// Attribute value by local name, whatever the namespace prefix.
QStringView attribute(const QXmlStreamReader& xml, QLatin1String name) {
  for (const QXmlStreamAttribute& a : xml.attributes())
    if (a.name() == name) return a.value();
  return {};
}

// "worksheets/sheet1.xml" beside the workbook, or an absolute "/xl/worksheets/sheet1.xml".
QString resolveTarget(QStringView target) {
  if (target.startsWith(QLatin1Char('/'))) return target.mid(1).toString();
  return QDir::cleanPath(QStringLiteral("xl/") + target.toString());
}

QStringList sharedStrings(XmlPart& part, const QString& file, const TableLimits& limits) {
  QStringList strings;
  qint64 chars = 0;
  while (part.next()) {
    if (!part.starts(QLatin1String("si"))) continue;
    if (strings.size() >= limits.sharedStrings)
      fail(file, Tr::tr("共享字符串超过 %1 个的上限").arg(amount(limits.sharedStrings)));
    strings << part.richText(limits.lineChars);
    chars += strings.back().size();
    if (chars > limits.sharedChars)
      fail(file, Tr::tr("共享字符串超过 %1 个字符的上限").arg(amount(limits.sharedChars)));
  }
  return strings;
}

// Whether a number format shows a date or a time: the built-in ones, or a code with date letters outside
// its quoted text and [colour] brackets.
bool dateFormat(int id, const QString& code) {
  if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
    return true;
  bool quoted = false;
  int bracket = 0;
  for (qsizetype i = 0; i < code.size(); ++i) {
    const QChar c = code[i];
    if (c == QLatin1Char('\\')) {
      ++i;
    } else if (c == QLatin1Char('"')) {
      quoted = !quoted;
    } else if (!quoted && c == QLatin1Char('[')) {
      ++bracket;
    } else if (!quoted && c == QLatin1Char(']')) {
      bracket = std::max(0, bracket - 1);
    } else if (!quoted && bracket == 0 && QStringLiteral("yYdDhHsS").contains(c)) {
      return true;
    }
  }
  return false;
}

// For each cell style (the s of a cell), whether it shows a date.
std::vector<bool> dateStyles(XmlPart& part, const QString& file) {
  QHash<int, QString> codes;
  std::vector<bool> dates;
  bool inXfs = false;
  while (part.next()) {
    if (part.starts(QLatin1String("numFmt")) && codes.size() < kMaxStyles)
      codes.insert(attribute(part.xml, QLatin1String("numFmtId")).toInt(),
                   attribute(part.xml, QLatin1String("formatCode")).toString());
    if (part.starts(QLatin1String("cellXfs"))) inXfs = true;
    if (part.ends(QLatin1String("cellXfs"))) inXfs = false;
    if (inXfs && part.starts(QLatin1String("xf"))) {
      if (dates.size() >= size_t(kMaxStyles))
        fail(file, Tr::tr("样式超过 %1 个的上限").arg(amount(kMaxStyles)));
      const int id = attribute(part.xml, QLatin1String("numFmtId")).toInt();
      dates.push_back(dateFormat(id, codes.value(id)));
    }
  }
  return dates;
}

// "BC12" -> column 54 (0-based); -1 when the reference holds no letters or lies past the last column.
int columnOf(QStringView ref) {
  int col = 0, letters = 0;
  for (QChar c : ref) {
    const char16_t u = c.toUpper().unicode();
    if (u < u'A' || u > u'Z') break;
    col = col * 26 + (u - u'A' + 1);
    if (++letters > 3) return -1;
  }
  return letters && col <= kSheetColumns ? col - 1 : -1;
}

// A number as a person would have typed it: 1001, not 1001.0 or 1.001e3; a date serial as a date.
QString numberText(const QString& v, bool date) {
  bool ok = false;
  const double d = v.toDouble(&ok);
  if (!ok || !std::isfinite(d)) return v;
  // Serial days since 1899-12-30, as spreadsheets count them; times are the fraction of a day.
  if (date && d >= 1 && d < 2958466) {
    const qint64 seconds = std::llround(d * 86400);
    const QDateTime t = QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC).addSecs(seconds);
    return t.toString(seconds % 86400 ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd"));
  }
  if (std::trunc(d) == d && std::fabs(d) < 1e15) return QString::number(qint64(d));
  return QString::number(d, 'g', 15);
}

QString cellValue(XmlPart& part, const QString& type, bool date, const QStringList& shared,
                  const TableLimits& limits) {
  QString value;
  bool inlineText = false;
  while (part.next() && !part.ends(QLatin1String("c"))) {
    if (part.starts(QLatin1String("v"))) value = part.text(limits.lineChars);
    if (part.starts(QLatin1String("is"))) {
      value = part.richText(limits.lineChars);
      inlineText = true;
    }
  }
  if (inlineText || type == QLatin1String("str") || type == QLatin1String("inlineStr") ||
      type == QLatin1String("d"))
    return value;
  if (type == QLatin1String("s")) {
    bool ok = false;
    const int i = value.toInt(&ok);
    return ok && i >= 0 && i < shared.size() ? shared[i] : QString();
  }
  if (type == QLatin1String("b"))
    return value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
  if (type == QLatin1String("e")) return {};
  return numberText(value, date);
}

void sheetRows(XmlPart& part, Table& table, const QStringList& shared, const std::vector<bool>& dates,
               const QString& file, const TableLimits& limits) {
  TableBuilder rows(table, limits, file);
  int rowNumber = 0;
  while (part.next()) {
    if (!part.starts(QLatin1String("row"))) continue;
    bool ok = false;
    const qint64 r = attribute(part.xml, QLatin1String("r")).toLongLong(&ok);
    rowNumber = ok && r > rowNumber && r <= kSheetRows ? int(r) : rowNumber + 1;
    if (rowNumber > kSheetRows) fail(file, Tr::tr("工作表超过 %1 行").arg(kSheetRows));
    const QStringView hiddenValue = attribute(part.xml, QLatin1String("hidden"));
    const bool hidden = hiddenValue == QLatin1String("1") || hiddenValue == QLatin1String("true");
    QStringList cells;
    int nextColumn = 0;
    while (part.next() && !part.ends(QLatin1String("row"))) {
      if (!part.starts(QLatin1String("c"))) continue;
      const int ref = columnOf(attribute(part.xml, QLatin1String("r")));
      const int col = ref >= 0 ? ref : nextColumn;
      nextColumn = std::min(col, kSheetColumns) + 1;
      const QString type = attribute(part.xml, QLatin1String("t")).toString();
      const int style = attribute(part.xml, QLatin1String("s")).toInt();
      const bool date = style > 0 && size_t(style) < dates.size() && dates[size_t(style)];
      const QString value = cellValue(part, type, date, shared, limits);
      // Only cells with text count: a formatted cell far to the right must not widen every row.
      if (value.isEmpty()) continue;
      rows.checkColumn(col, rowNumber);
      if (col < cells.size()) {
        rows.takeChars(value.size() - cells[col].size(), rowNumber);
        cells[col] = value;
        continue;
      }
      rows.takeCells(col + 1 - cells.size(), rowNumber);
      rows.takeChars(value.size(), rowNumber);
      while (cells.size() < col) cells << QString();
      cells << value;
    }
    rows.add(rowNumber, std::move(cells), hidden);
  }
}

}  // namespace

Table tables::readXlsx(zip_t* zip, const QString& file, const QString& wanted, const TableLimits& limits) {
  struct Sheet {
    QString name, id;
  };
  std::vector<Sheet> sheets;
  int active = 0, viewSeen = 0;
  {
    XmlPart workbook(zip, QStringLiteral("xl/workbook.xml"), file, limits, true);
    if (!workbook.found()) fail(file, Tr::tr("这不是 Excel 工作簿（缺少 xl/workbook.xml）"));
    while (workbook.next()) {
      if (workbook.starts(QLatin1String("workbookView")) && !viewSeen++)
        active = attribute(workbook.xml, QLatin1String("activeTab")).toInt();
      if (!workbook.starts(QLatin1String("sheet"))) continue;
      if (sheets.size() >= size_t(kMaxSheets))
        fail(file, Tr::tr("工作簿超过 %1 张工作表的上限").arg(amount(kMaxSheets)));
      sheets.push_back({attribute(workbook.xml, QLatin1String("name")).toString(),
                        attribute(workbook.xml, QLatin1String("id")).toString()});
    }
  }
  if (sheets.empty()) fail(file, Tr::tr("工作簿里没有工作表"));
  Table table;
  for (const Sheet& s : sheets) table.sheets << s.name;
  size_t chosen = active >= 0 && size_t(active) < sheets.size() ? size_t(active) : 0;
  if (!wanted.isEmpty()) {
    chosen = size_t(table.sheets.indexOf(wanted));
    for (size_t i = 0; i < sheets.size() && chosen >= sheets.size(); ++i)
      if (sheets[i].name.compare(wanted, Qt::CaseInsensitive) == 0) chosen = i;
    if (chosen >= sheets.size())
      fail(file,
           Tr::tr("工作簿里没有名为“%1”的工作表（有：%2）").arg(wanted, table.sheets.join(Tr::tr("、"))));
  }
  table.sheet = sheets[chosen].name;

  QString sheetPath, sharedPath = QStringLiteral("xl/sharedStrings.xml"),
                     stylesPath = QStringLiteral("xl/styles.xml");
  {
    XmlPart rels(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), file, limits, true);
    while (rels.found() && rels.next()) {
      if (!rels.starts(QLatin1String("Relationship"))) continue;
      const QStringView type = attribute(rels.xml, QLatin1String("Type"));
      const QString target = resolveTarget(attribute(rels.xml, QLatin1String("Target")));
      if (attribute(rels.xml, QLatin1String("Id")) == sheets[chosen].id) sheetPath = target;
      if (type.endsWith(QLatin1String("/sharedStrings"))) sharedPath = target;
      if (type.endsWith(QLatin1String("/styles"))) stylesPath = target;
    }
  }
  if (sheetPath.isEmpty()) fail(file, Tr::tr("工作簿缺少工作表“%1”的内容").arg(table.sheet));

  // Workbooks with inline strings only (as some tools write them) have no shared strings.
  QStringList shared;
  {
    XmlPart part(zip, sharedPath, file, limits);
    if (part.found()) shared = sharedStrings(part, file, limits);
  }
  std::vector<bool> dates;
  {
    XmlPart part(zip, stylesPath, file, limits, true);
    if (part.found()) dates = dateStyles(part, file);
  }
  XmlPart part(zip, sheetPath, file, limits);
  if (!part.found()) fail(file, Tr::tr("工作簿缺少工作表“%1”的内容（%2）").arg(table.sheet, sheetPath));
  sheetRows(part, table, shared, dates, file, limits);
  return table;
}

void tables::notXlsx(const QString& file) {
  fail(file, Tr::tr("这不是有效的 xlsx 表格（文件已损坏，或是别的格式改了扩展名）"));
}

Table parseXlsx(const QByteArray& bytes, const QString& file, const QString& sheet,
                const TableLimits& limits) {
  if (isOleFile(bytes)) oldExcel(file);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
  if (!source) fail(file, Tr::tr("内存不足"));
  ZipArchive zip(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
  zip_error_fini(&error);
  if (!zip) {
    zip_source_free(source);
    notXlsx(file);
  }
  return readXlsx(zip.get(), file, sheet, limits);
}

}  // namespace ld
