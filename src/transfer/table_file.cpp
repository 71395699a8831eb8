#include "transfer/table_file.h"

#include <xlsxwriter.h>
#include <zip.h>

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <cmath>
#include <functional>
#include <optional>

#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "framework/zip_handles.h"

namespace ld {

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
constexpr qint64 kTextChunk = 1024 * 1024;

[[noreturn]] void fail(const QString& file, const QString& why) {
  throw Error(Tr::tr("无法读取名单文件 %1：%2").arg(shown(file), why));
}

// 1000000 as "100 万", the way a limit is said.
QString amount(qint64 n) { return n % 10000 == 0 ? Tr::tr("%1 万").arg(n / 10000) : QString::number(n); }

bool blank(QStringView s) {
  for (QChar c : s)
    if (!c.isSpace()) return false;
  return true;
}

// The rows of a table as they are read, against the limits.
class TableBuilder {
 public:
  TableBuilder(Table& table, const TableLimits& limits, const QString& file)
      : table_(table), limits_(limits), file_(file) {}

  void takeCells(qint64 n, int line) {
    cells_ += n;
    if (cells_ > limits_.cells)
      fail(file_, Tr::tr("第 %1 行：表格超过 %2 个单元格的上限").arg(line).arg(amount(limits_.cells)));
  }
  void takeChars(qint64 n, int line) {
    chars_ += n;
    if (chars_ > limits_.chars)
      fail(file_, Tr::tr("第 %1 行：表格的文字超过 %2 个字符的上限").arg(line).arg(amount(limits_.chars)));
  }
  void checkColumn(qint64 column, int line) const {
    if (column >= limits_.columns)
      fail(file_, Tr::tr("第 %1 行超过 %2 列的上限").arg(line).arg(amount(limits_.columns)));
  }
  void add(int line, QStringList cells, bool hidden) {
    bool empty = true;
    qint64 chars = 0;
    for (const QString& c : cells) {
      empty = empty && blank(c);
      chars += c.size();
    }
    if (empty) {  // blank rows are left out, and what they took is given back
      cells_ -= cells.size();
      chars_ -= chars;
      return;
    }
    if (qint64(table_.rows.size()) >= limits_.rows)
      fail(file_, Tr::tr("表格超过 %1 行的上限").arg(amount(limits_.rows)));
    cells.squeeze();
    table_.rows.push_back({line, std::move(cells), hidden});
  }
  const TableLimits& limits() const { return limits_; }

 private:
  Table& table_;
  const TableLimits& limits_;
  const QString& file_;
  qint64 cells_ = 0, chars_ = 0;
};

// ---- text files ----

QChar findSeparator(QStringView text) {
  int commas = 0, semicolons = 0, tabs = 0;
  bool quoted = false;
  for (QChar c : text) {
    if (c == QLatin1Char('"')) quoted = !quoted;
    if (quoted) continue;
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) break;
    if (c == QLatin1Char(',')) ++commas;
    if (c == QLatin1Char(';')) ++semicolons;
    if (c == QLatin1Char('\t')) ++tabs;
  }
  // Tab-separated text ("Unicode text" of a spreadsheet program) may hold commas inside values.
  if (tabs > 0 && tabs >= commas && tabs >= semicolons) return QLatin1Char('\t');
  if (semicolons > commas) return QLatin1Char(';');
  return QLatin1Char(',');
}

bool formulaStart(QChar c) {
  return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('@') ||
         c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

// A formula-like value behind apostrophes, as an export writes one: one apostrophe is the export's.
bool guarded(QStringView cell) {
  qsizetype n = 0;
  while (n < cell.size() && cell[n] == QLatin1Char('\'')) ++n;
  return n > 0 && n < cell.size() && formulaStart(cell[n]);
}

// Splits text fed in pieces of any size into rows, character by character.
class CsvParser {
 public:
  CsvParser(Table& table, const TableLimits& limits, const QString& file)
      : rows_(table, limits, file), limits_(limits), file_(file) {}

  void feed(QStringView text) {
    if (sep_.isNull() && !text.isEmpty()) sep_ = findSeparator(text);
    for (QChar c : text) put(c);
  }

  void finish() {
    if (quoted_ && !quoteSeen_)
      fail(file_,
           Tr::tr("第 %1 行的引号没有闭合（一个以 \" 开始的值直到文件末尾都没有结束）").arg(quoteLine_));
    if (!cell_.isEmpty() || !cells_.isEmpty()) endRow();
  }

 private:
  void put(QChar c) {
    const bool afterCr = prevCr_;
    prevCr_ = c == QLatin1Char('\r');
    if (++rowChars_ > limits_.lineChars)
      fail(file_, Tr::tr("第 %1 行超过 %2 个字符的上限").arg(rowLine_).arg(amount(limits_.lineChars)));
    if (quoted_) {
      if (quoteSeen_) {
        quoteSeen_ = false;
        if (c == QLatin1Char('"')) {
          cell_ += c;
          return;
        }
        quoted_ = false;  // the closing quote; what follows is read as outside a value
      } else if (c == QLatin1Char('"')) {
        quoteSeen_ = true;
        return;
      } else {
        // Inside a value too, a lone CR ends a line as it does outside one.
        if (c == QLatin1Char('\r') || (c == QLatin1Char('\n') && !afterCr)) ++line_;
        cell_ += c;
        return;
      }
    }
    if (c == QLatin1Char('"') && !wasQuoted_ && blank(cell_)) {
      cell_.clear();  // blanks before an opening quote are not part of the value
      quoted_ = wasQuoted_ = true;
      quoteLine_ = line_;
    } else if (c == sep_) {
      endCell();
    } else if (c == QLatin1Char('\n') && afterCr) {
      --rowChars_;  // the second half of a CR LF that already ended the row
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      endRow();
      rowLine_ = ++line_;
    } else if (!(wasQuoted_ && c.isSpace())) {
      cell_ += c;  // text after a closing quote, or a quote inside a bare value, is kept as written
    }
  }

  void endCell() {
    // An export writes a value a spreadsheet would run as a formula behind an apostrophe.
    if (guarded(cell_)) cell_.remove(0, 1);
    rows_.checkColumn(cells_.size(), rowLine_);
    rows_.takeCells(1, rowLine_);
    rows_.takeChars(cell_.size(), rowLine_);
    // A copy of exactly the cell's size: the buffer grown while reading stays for the next cell.
    cells_ << (cell_.isEmpty() ? QString() : QString(cell_.constData(), cell_.size()));
    cell_.resize(0);
    wasQuoted_ = false;
  }

  void endRow() {
    endCell();
    rows_.add(rowLine_, std::move(cells_), false);
    cells_ = QStringList();
    rowChars_ = 0;
  }

  TableBuilder rows_;
  const TableLimits& limits_;
  const QString& file_;
  QChar sep_;
  QStringList cells_;
  QString cell_;
  int line_ = 1, rowLine_ = 1, quoteLine_ = 0;
  qint64 rowChars_ = 0;
  bool quoted_ = false, quoteSeen_ = false, wasQuoted_ = false, prevCr_ = false;
};

[[noreturn]] void oldExcel(const QString& file) {
  fail(file, Tr::tr("这是旧版 Excel 表格（.xls），请在 Excel 中另存为 .xlsx 后再导入"));
}

bool isOleFile(const QByteArray& head) { return head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"); }

[[noreturn]] void notText(const QString& file) {
  fail(file, Tr::tr("这不是文本文件（请保存为 CSV 或 xlsx 表格）"));
}

// Decodes the text IN holds in pieces, handing each to SINK: UTF-8 or UTF-16 by their byte-order marks,
// else UTF-8 when it is valid UTF-8, else GB18030. Returns whether GB18030 was used.
bool decodeText(QIODevice& in, const QString& file, const std::function<void(QStringView)>& sink) {
  using Enc = QStringConverter::Encoding;
  const QByteArray head = in.peek(8);
  if (isOleFile(head)) oldExcel(file);
  std::optional<Enc> bom;
  if (head.startsWith("\xEF\xBB\xBF")) bom = Enc::Utf8;
  if (head.startsWith("\xFF\xFE")) bom = Enc::Utf16LE;
  if (head.startsWith("\xFE\xFF")) bom = Enc::Utf16BE;
  bool legacy = false;
  if (!bom) {
    // Text never holds NUL bytes; pictures, archives and office documents do.
    QStringDecoder utf8(Enc::Utf8);
    while (!in.atEnd()) {
      const QByteArray chunk = in.read(kTextChunk);
      if (chunk.contains('\0')) notText(file);
      if (!legacy) {
        const QString decoded = utf8.decode(chunk);
        legacy = utf8.hasError();
      }
    }
    if (!in.seek(0)) fail(file, in.errorString());
  } else {
    in.read(*bom == Enc::Utf8 ? 3 : 2);
  }
  QStringDecoder decoder = legacy ? QStringDecoder("GB18030") : QStringDecoder(bom.value_or(Enc::Utf8));
  if (!decoder.isValid()) fail(file, Tr::tr("文件不是 UTF-8 编码，而本机缺少 GB18030 解码器"));
  while (!in.atEnd()) {
    const QString text = decoder.decode(in.read(kTextChunk));
    if (decoder.hasError()) {
      if (bom == Enc::Utf8) fail(file, Tr::tr("文件声明为 UTF-8，但内容不是有效的 UTF-8 文本"));
      if (bom) fail(file, Tr::tr("文件声明为 UTF-16，但内容不是有效的 UTF-16 文本"));
      fail(file, Tr::tr("文件编码无法识别（既不是 UTF-8，也不是 GBK/GB18030）"));
    }
    // GB18030 decodes almost any byte sequence; control characters betray a file that was not text.
    if (legacy)
      for (QChar c : text)
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\r') &&
            c != QLatin1Char('\t'))
          notText(file);
    sink(text);
  }
  return legacy;
}

Table readText(QIODevice& in, const QString& file, const TableLimits& limits) {
  Table table;
  CsvParser parser(table, limits, file);
  bool anyText = false;
  table.legacyEncoding = decodeText(in, file, [&](QStringView text) {
    anyText = anyText || !blank(text);
    parser.feed(text);
  });
  if (!anyText) fail(file, Tr::tr("文件是空的"));
  parser.finish();
  return table;
}

// ---- xlsx ----

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

Table readXlsx(zip_t* zip, const QString& file, const QString& wanted, const TableLimits& limits) {
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

[[noreturn]] void notXlsx(const QString& file) {
  fail(file, Tr::tr("这不是有效的 xlsx 表格（文件已损坏，或是别的格式改了扩展名）"));
}

}  // namespace

QString decodeCsvText(const QByteArray& bytes, const QString& file, bool* legacy) {
  QBuffer in;
  in.setData(bytes);
  in.open(QIODevice::ReadOnly);
  QString text;
  const bool gb = decodeText(in, file, [&](QStringView part) { text += part; });
  if (legacy) *legacy = gb;
  return text;
}

Table parseCsv(const QString& text, const QString& file, const TableLimits& limits) {
  Table table;
  CsvParser parser(table, limits, file);
  parser.feed(text);
  parser.finish();
  return table;
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

Table readTable(const QString& file, const QString& sheet) {
  const QFileInfo info(file);
  const QString suffix = info.suffix().toLower();
  const bool text = suffix == QLatin1String("csv") || suffix == QLatin1String("txt");
  if (suffix == QLatin1String("xls") || suffix == QLatin1String("et")) oldExcel(file);
  if (!text && suffix != QLatin1String("xlsx"))
    throw Error(Tr::tr("不支持的名单文件 %1：只能导入 .xlsx、.csv 或 .txt 表格").arg(shown(file)));
  if (!info.exists()) fail(file, Tr::tr("文件不存在"));
  if (!info.isFile()) fail(file, Tr::tr("这不是一个文件"));
  if (info.size() > kMaxTableFileBytes)
    fail(file, Tr::tr("文件太大（%1 MB），名单文件最多 %2 MB")
                   .arg(double(info.size()) / (1024 * 1024), 0, 'f', 1)
                   .arg(kMaxTableFileBytes / (1024 * 1024)));
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) fail(file, f.errorString());
  const TableLimits limits;
  if (text) return readText(f, file, limits);
  if (isOleFile(f.peek(8))) oldExcel(file);
  if (info.size() == 0) fail(file, Tr::tr("文件是空的"));
  f.close();
  int error = 0;
  ZipArchive zip(zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!zip) notXlsx(file);
  return readXlsx(zip.get(), file, sheet, limits);
}

namespace {

[[noreturn]] void cannotWrite(const QString& file, const QString& why) {
  throw Error(Tr::tr("无法写入文件 %1：%2").arg(shown(file), why));
}

bool needsQuotes(const QString& cell) {
  if (cell.isEmpty()) return false;
  return cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) ||
         cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r')) ||
         cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('\t')) || cell.front().isSpace() ||
         cell.back().isSpace();
}

void writeCsv(const QString& file, const std::vector<QStringList>& rows) {
  QByteArray out("\xEF\xBB\xBF");  // so that a spreadsheet program reads it as UTF-8
  for (const QStringList& row : rows) {
    QStringList cells;
    for (QString c : row) {
      // A spreadsheet opening the file would run "=HYPERLINK(…)" typed as a name; the apostrophe makes it
      // text there, and our reader takes it away again.
      if (!c.isEmpty() && (formulaStart(c.front()) || guarded(c))) c.prepend(QLatin1Char('\''));
      if (needsQuotes(c))
        c = QLatin1Char('"') + c.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
      cells << c;
    }
    out += cells.join(QLatin1Char(',')).toUtf8();
    out += "\r\n";
  }
  QSaveFile f(file);
  if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit())
    cannotWrite(file, f.errorString());
}

// Numbers stay numbers in the sheet only where every value of the column is one (draw orders), so that
// a department called "007" keeps its zeros.
std::vector<bool> numericColumns(const std::vector<QStringList>& rows, const std::vector<ColumnKind>& kinds) {
  size_t width = 0;
  for (const QStringList& r : rows) width = std::max(width, size_t(r.size()));
  std::vector<bool> numeric(width, rows.size() > 1);
  for (size_t c = 0; c < width && c < kinds.size(); ++c)
    if (kinds[c] != ColumnKind::Auto) numeric[c] = false;
  for (size_t i = 1; i < rows.size(); ++i)
    for (size_t c = 0; c < width; ++c) {
      const QString v = c < size_t(rows[i].size()) ? rows[i][qsizetype(c)] : QString();
      bool ok = false;
      v.toInt(&ok);
      if (!ok || v != QString::number(v.toInt())) numeric[c] = false;
    }
  return numeric;
}

// A "yyyy-MM-dd HH:mm:ss" value as the spreadsheet's date; nothing when it is not one.
std::optional<lxw_datetime> dateTimeOf(const QString& v) {
  const QDateTime t = QDateTime::fromString(v, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  if (!t.isValid()) return std::nullopt;
  return lxw_datetime{t.date().year(), t.date().month(),  t.date().day(),
                      t.time().hour(), t.time().minute(), double(t.time().second())};
}

void writeXlsx(const QString& file, const std::vector<QStringList>& rows, const QString& sheetName,
               const std::vector<ColumnKind>& kinds) {
  const QString temp = scratchName(QFileInfo(file).absolutePath(), scratch::kExport, QStringLiteral(".xlsx"));
  lxw_workbook* wb = workbook_new(QFile::encodeName(temp).constData());
  if (!wb) cannotWrite(file, Tr::tr("无法创建工作簿"));
  // Sheet names hold at most 31 characters and none of []:*?/\ .
  QString name = sheetName.left(31);
  for (QChar& c : name)
    if (QStringLiteral("[]:*?/\\").contains(c)) c = QLatin1Char('_');
  lxw_worksheet* ws = workbook_add_worksheet(wb, name.isEmpty() ? nullptr : name.toUtf8().constData());
  lxw_format* bold = workbook_add_format(wb);
  format_set_bold(bold);
  lxw_format* dateFormat = workbook_add_format(wb);
  format_set_num_format(dateFormat, "yyyy-mm-dd hh:mm:ss");
  const std::vector<bool> numeric = numericColumns(rows, kinds);
  std::vector<int> widths(numeric.size(), 6);
  lxw_error result = ws ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
  for (size_t r = 0; r < rows.size() && result == LXW_NO_ERROR; ++r) {
    for (qsizetype c = 0; c < rows[r].size() && result == LXW_NO_ERROR; ++c) {
      const QString& v = rows[r][c];
      const auto row = lxw_row_t(r);
      const auto col = lxw_col_t(c);
      const bool date = r > 0 && size_t(c) < kinds.size() && kinds[size_t(c)] == ColumnKind::DateTime;
      std::optional<lxw_datetime> when = date ? dateTimeOf(v) : std::nullopt;
      if (when)
        result = worksheet_write_datetime(ws, row, col, &*when, dateFormat);
      else if (r > 0 && numeric[size_t(c)])
        result = worksheet_write_number(ws, row, col, v.toInt(), nullptr);
      else if (!v.isEmpty())
        result = worksheet_write_string(ws, row, col, v.toUtf8().constData(), r == 0 ? bold : nullptr);
      // Chinese characters are about two columns wide.
      int w = 0;
      for (QChar ch : v) w += ch.unicode() >= 0x1100 ? 2 : 1;
      widths[size_t(c)] = std::max(widths[size_t(c)], std::min(w + 2, 60));
    }
  }
  for (size_t c = 0; c < widths.size() && ws; ++c)
    worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
  const lxw_error closed = workbook_close(wb);
  if (result == LXW_NO_ERROR) result = closed;
  if (result != LXW_NO_ERROR) {
    QFile::remove(temp);
    cannotWrite(file, QString::fromUtf8(lxw_strerror(result)));
  }
  if (!renameFile(temp, file)) {
    QFile::remove(temp);
    cannotWrite(file, Tr::tr("无法替换原文件"));
  }
}

}  // namespace

void writeTable(const QString& file, const std::vector<QStringList>& rows, const QString& sheetName,
                const std::vector<ColumnKind>& kinds) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  if (suffix == QLatin1String("csv")) return writeCsv(file, rows);
  if (suffix == QLatin1String("xlsx")) return writeXlsx(file, rows, sheetName, kinds);
  throw Error(Tr::tr("不支持的文件类型 %1：只能导出为 .xlsx 或 .csv").arg(shown(file)));
}

}  // namespace ld
