// Text tables: CSV and a spreadsheet program's "Unicode text", in any of the encodings it saves.
#include <QBuffer>
#include <QStringDecoder>
#include <functional>

#include "framework/file_safety.h"
#include "transfer/table_reading.h"

namespace ld {

using namespace tables;

namespace {

constexpr qint64 kTextChunk = 1024 * 1024;

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
    if (formulaGuarded(cell_)) cell_.remove(0, 1);
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
    rows_.add(rowLine_, std::move(cells_), false, line_ - rowLine_ + 1);
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

}  // namespace

Table tables::readText(QIODevice& in, const QString& file, const TableLimits& limits) {
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

}  // namespace ld
