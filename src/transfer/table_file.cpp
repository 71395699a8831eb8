#include "transfer/table_file.h"

#include <xlsxwriter.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/text.h"
#include "framework/zip_handles.h"

namespace ld {

namespace {

// A sheet's XML is far bigger than the package; this still keeps a crafted one from taking all memory.
constexpr zip_uint64_t kMaxXmlBytes = 512ULL * 1024 * 1024;

[[noreturn]] void fail(const QString& file, const QString& why) {
  throw Error(Tr::tr("无法读取名单文件 %1：%2").arg(shown(file), why));
}

bool blankRow(const QStringList& cells) {
  for (const QString& c : cells)
    if (!c.trimmed().isEmpty()) return false;
  return true;
}

void addRow(Table& table, int line, QStringList cells) {
  if (blankRow(cells)) return;
  table.rows.push_back({line, std::move(cells)});
}

// ---- CSV ----

QChar findSeparator(const QString& text) {
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

// ---- xlsx ----

// One member of the package; empty (and found=false) when it is not there.
QByteArray member(zip_t* zip, const QString& name, const QString& file, bool* found = nullptr) {
  const QByteArray utf8 = name.toUtf8();
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip, utf8.constData(), ZIP_FL_ENC_GUESS, &st) != 0) {
    if (found) *found = false;
    return {};
  }
  if (found) *found = true;
  if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxXmlBytes)
    fail(file, Tr::tr("表格内容太大（%1 解压后超过 512 MB）").arg(name));
  const ZipEntry f(zip_fopen(zip, utf8.constData(), 0));
  if (!f) fail(file, Tr::tr("表格已损坏（%1 无法解压）").arg(name));
  QByteArray data(qsizetype(st.size), Qt::Uninitialized);
  const zip_int64_t n = st.size ? zip_fread(f.get(), data.data(), st.size) : 0;
  if (n < 0 || zip_uint64_t(n) != st.size) fail(file, Tr::tr("表格已损坏（%1 无法解压）").arg(name));
  return data;
}

// "worksheets/sheet1.xml" beside the workbook, or an absolute "/xl/worksheets/sheet1.xml".
QString resolveTarget(const QString& target) {
  if (target.startsWith(QLatin1Char('/'))) return target.mid(1);
  return QDir::cleanPath(QStringLiteral("xl/") + target);
}

void checkXml(const QXmlStreamReader& xml, const QString& file, const QString& part) {
  if (xml.hasError())
    fail(file,
         Tr::tr("表格已损坏（%1 第 %2 行：%3）").arg(part).arg(xml.lineNumber()).arg(xml.errorString()));
}

// The text of an <si> or <is>: its <t>, or the <t> of every run; phonetic guides (<rPh>) are not text.
QString richText(QXmlStreamReader& xml) {
  QString text;
  const QString end = xml.name().toString();
  int phonetic = 0;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.name() == QLatin1String("rPh")) ++phonetic;
      if (xml.name() == QLatin1String("t") && phonetic == 0) text += xml.readElementText();
    } else if (xml.isEndElement()) {
      if (xml.name() == QLatin1String("rPh")) --phonetic;
      if (xml.name() == end) break;
    }
  }
  return text;
}

QStringList sharedStrings(const QByteArray& data, const QString& file) {
  QStringList strings;
  QXmlStreamReader xml(data);
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QLatin1String("si")) strings << richText(xml);
  }
  checkXml(xml, file, QStringLiteral("sharedStrings.xml"));
  return strings;
}

// "BC12" -> column 54 (0-based); -1 when the reference holds no letters.
int columnOf(QStringView ref) {
  int col = 0, letters = 0;
  for (QChar c : ref) {
    const char16_t u = c.toUpper().unicode();
    if (u < u'A' || u > u'Z') break;
    col = col * 26 + (u - u'A' + 1);
    if (++letters > 3) return -1;  // past XFD, the last column a spreadsheet has
  }
  return letters ? col - 1 : -1;
}

// A number as a person would have typed it: 1001, not 1001.0 or 1.001e3.
QString numberText(const QString& v) {
  bool ok = false;
  const double d = v.toDouble(&ok);
  if (!ok) return v;
  if (d == double(qint64(d)) && qAbs(d) < 1e15) return QString::number(qint64(d));
  return QString::number(d, 'g', 15);
}

QString cellValue(QXmlStreamReader& xml, const QString& type, const QStringList& shared) {
  QString value;
  bool inlineText = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.name() == QLatin1String("v")) value = xml.readElementText();
      if (xml.name() == QLatin1String("is")) {
        value = richText(xml);
        inlineText = true;
      }
    } else if (xml.isEndElement() && xml.name() == QLatin1String("c")) {
      break;
    }
  }
  if (inlineText || type == QLatin1String("str") || type == QLatin1String("inlineStr")) return value;
  if (type == QLatin1String("s")) {
    bool ok = false;
    const int i = value.toInt(&ok);
    return ok && i >= 0 && i < shared.size() ? shared[i] : QString();
  }
  if (type == QLatin1String("b"))
    return value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
  if (type == QLatin1String("e")) return {};
  return numberText(value);
}

Table sheetRows(const QByteArray& data, const QStringList& shared, const QString& file) {
  Table table;
  QXmlStreamReader xml(data);
  int rowNumber = 0;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement() || xml.name() != QLatin1String("row")) continue;
    bool ok = false;
    const int r = xml.attributes().value(QLatin1String("r")).toInt(&ok);
    rowNumber = ok && r > rowNumber ? r : rowNumber + 1;
    QStringList cells;
    while (!xml.atEnd()) {
      xml.readNext();
      if (xml.isEndElement() && xml.name() == QLatin1String("row")) break;
      if (!xml.isStartElement() || xml.name() != QLatin1String("c")) continue;
      const int col = columnOf(xml.attributes().value(QLatin1String("r")));
      const QString type = xml.attributes().value(QLatin1String("t")).toString();
      const QString value = cellValue(xml, type, shared);
      const int at = col >= 0 ? col : int(cells.size());
      // Only the first columns matter; a stray cell far to the right must not make every row huge.
      if (at >= 256) continue;
      while (cells.size() <= at) cells << QString();
      cells[at] = value;
    }
    addRow(table, rowNumber, cells);
  }
  checkXml(xml, file, Tr::tr("工作表"));
  return table;
}

// Attribute value by local name, whatever the namespace prefix.
QString attribute(const QXmlStreamReader& xml, QLatin1String name) {
  for (const QXmlStreamAttribute& a : xml.attributes())
    if (a.name() == name) return a.value().toString();
  return {};
}

}  // namespace

QString decodeCsvText(const QByteArray& bytes, const QString& file) {
  using Enc = QStringConverter::Encoding;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    QStringDecoder d(Enc::Utf8);
    const QString s = d(bytes.mid(3));
    if (d.hasError()) fail(file, Tr::tr("文件声明为 UTF-8，但内容不是有效的 UTF-8 文本"));
    return s;
  }
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    QStringDecoder d(bytes.startsWith("\xFF\xFE") ? Enc::Utf16LE : Enc::Utf16BE);
    const QString s = d(bytes.mid(2));
    if (d.hasError()) fail(file, Tr::tr("文件声明为 UTF-16，但内容不是有效的 UTF-16 文本"));
    return s;
  }
  // Text never holds NUL bytes; pictures, archives and office documents do.
  if (bytes.contains('\0')) fail(file, Tr::tr("这不是文本文件（请保存为 CSV 或 xlsx 表格）"));
  QStringDecoder utf8(Enc::Utf8);
  const QString asUtf8 = utf8(bytes);
  if (!utf8.hasError()) return asUtf8;
  QStringDecoder gb("GB18030");
  if (!gb.isValid()) fail(file, Tr::tr("文件不是 UTF-8 编码，而本机缺少 GB18030 解码器"));
  const QString asGb = gb(bytes);
  if (gb.hasError()) fail(file, Tr::tr("文件编码无法识别（既不是 UTF-8，也不是 GBK/GB18030）"));
  // GB18030 decodes almost any byte sequence; control characters betray a file that was not text.
  for (QChar c : asGb)
    if (c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\r') &&
        c != QLatin1Char('\t'))
      fail(file, Tr::tr("这不是文本文件（请保存为 CSV 或 xlsx 表格）"));
  return asGb;
}

Table parseCsv(const QString& text, const QString& file) {
  Table table;
  const QChar sep = findSeparator(text);
  QStringList cells;
  QString cell;
  int line = 1, rowLine = 1, quoteLine = 0;
  bool quoted = false, wasQuoted = false;
  const qsizetype n = text.size();
  const auto endCell = [&] {
    cells << cell;
    cell.clear();
    wasQuoted = false;
  };
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == QLatin1Char('"')) {
        if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
          cell += c;
          ++i;
        } else {
          quoted = false;
        }
      } else {
        // Inside a value too, a lone CR ends a line as it does outside one.
        if (c == QLatin1Char('\n') ||
            (c == QLatin1Char('\r') && !(i + 1 < n && text[i + 1] == QLatin1Char('\n'))))
          ++line;
        cell += c;
      }
      continue;
    }
    if (c == QLatin1Char('"') && cell.trimmed().isEmpty() && !wasQuoted) {
      cell.clear();  // blanks before an opening quote are not part of the value
      quoted = wasQuoted = true;
      quoteLine = line;
    } else if (c == sep) {
      endCell();
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ++i;
      endCell();
      addRow(table, rowLine, cells);
      cells.clear();
      rowLine = ++line;
    } else if (!(wasQuoted && c.isSpace())) {
      cell += c;  // text after a closing quote, or a quote inside a bare value, is kept as written
    }
  }
  if (quoted)
    fail(file, Tr::tr("第 %1 行的引号没有闭合（一个以 \" 开始的值直到文件末尾都没有结束）").arg(quoteLine));
  if (!cell.isEmpty() || !cells.isEmpty()) {
    endCell();
    addRow(table, rowLine, cells);
  }
  return table;
}

Table parseXlsx(const QByteArray& bytes, const QString& file) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
  if (!source) fail(file, Tr::tr("内存不足"));
  ZipArchive zip(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!zip) {
    zip_source_free(source);
    zip_error_fini(&error);
    fail(file, Tr::tr("这不是有效的 xlsx 表格（文件已损坏，或是别的格式改了扩展名）"));
  }
  zip_error_fini(&error);

  bool found = false;
  const QByteArray workbook = member(zip.get(), QStringLiteral("xl/workbook.xml"), file, &found);
  if (!found) fail(file, Tr::tr("这不是 Excel 工作簿（缺少 xl/workbook.xml）"));
  QString firstSheetId;
  {
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd() && firstSheetId.isEmpty()) {
      xml.readNext();
      if (xml.isStartElement() && xml.name() == QLatin1String("sheet"))
        firstSheetId = attribute(xml, QLatin1String("id"));
    }
    checkXml(xml, file, QStringLiteral("workbook.xml"));
  }
  if (firstSheetId.isEmpty()) fail(file, Tr::tr("工作簿里没有工作表"));

  QString sheetPath, sharedPath = QStringLiteral("xl/sharedStrings.xml");
  {
    QXmlStreamReader xml(member(zip.get(), QStringLiteral("xl/_rels/workbook.xml.rels"), file));
    while (!xml.atEnd()) {
      xml.readNext();
      if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship")) continue;
      const QString target = resolveTarget(attribute(xml, QLatin1String("Target")));
      if (attribute(xml, QLatin1String("Id")) == firstSheetId) sheetPath = target;
      if (attribute(xml, QLatin1String("Type")).endsWith(QLatin1String("/sharedStrings")))
        sharedPath = target;
    }
    checkXml(xml, file, QStringLiteral("workbook.xml.rels"));
  }
  if (sheetPath.isEmpty()) sheetPath = QStringLiteral("xl/worksheets/sheet1.xml");

  // Workbooks with inline strings only (as some tools write them) have no shared strings.
  const QByteArray sharedXml = member(zip.get(), sharedPath, file, &found);
  const QStringList shared = found ? sharedStrings(sharedXml, file) : QStringList();
  const QByteArray sheet = member(zip.get(), sheetPath, file, &found);
  if (!found) fail(file, Tr::tr("工作簿缺少第一张工作表（%1）").arg(sheetPath));
  return sheetRows(sheet, shared, file);
}

Table readTable(const QString& file) {
  const QFileInfo info(file);
  const QString suffix = info.suffix().toLower();
  if (suffix != QLatin1String("csv") && suffix != QLatin1String("xlsx"))
    throw Error(Tr::tr("不支持的名单文件 %1：只能导入 .xlsx 或 .csv 表格").arg(shown(file)));
  if (!info.exists()) fail(file, Tr::tr("文件不存在"));
  if (!info.isFile()) fail(file, Tr::tr("这不是一个文件"));
  if (info.size() > kMaxTableFileBytes)
    fail(file, Tr::tr("文件太大（%1 MB），名单文件最多 %2 MB")
                   .arg(double(info.size()) / (1024 * 1024), 0, 'f', 1)
                   .arg(kMaxTableFileBytes / (1024 * 1024)));
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) fail(file, f.errorString());
  const QByteArray bytes = f.readAll();
  if (bytes.size() != info.size()) fail(file, Tr::tr("读取不完整：%1").arg(f.errorString()));
  if (bytes.trimmed().isEmpty()) fail(file, Tr::tr("文件是空的"));
  if (suffix == QLatin1String("xlsx")) return parseXlsx(bytes, file);
  return parseCsv(decodeCsvText(bytes, file), file);
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
std::vector<bool> numericColumns(const std::vector<QStringList>& rows) {
  size_t width = 0;
  for (const QStringList& r : rows) width = std::max(width, size_t(r.size()));
  std::vector<bool> numeric(width, rows.size() > 1);
  for (size_t i = 1; i < rows.size(); ++i)
    for (size_t c = 0; c < width; ++c) {
      const QString v = c < size_t(rows[i].size()) ? rows[i][qsizetype(c)] : QString();
      bool ok = false;
      v.toInt(&ok);
      if (!ok || v != QString::number(v.toInt())) numeric[c] = false;
    }
  return numeric;
}

void writeXlsx(const QString& file, const std::vector<QStringList>& rows, const QString& sheetName) {
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
  const std::vector<bool> numeric = numericColumns(rows);
  std::vector<int> widths(numeric.size(), 6);
  lxw_error result = ws ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
  for (size_t r = 0; r < rows.size() && result == LXW_NO_ERROR; ++r) {
    for (qsizetype c = 0; c < rows[r].size() && result == LXW_NO_ERROR; ++c) {
      const QString& v = rows[r][c];
      const auto row = lxw_row_t(r);
      const auto col = lxw_col_t(c);
      if (r > 0 && numeric[size_t(c)])
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

void writeTable(const QString& file, const std::vector<QStringList>& rows, const QString& sheetName) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  if (suffix == QLatin1String("csv")) return writeCsv(file, rows);
  if (suffix == QLatin1String("xlsx")) return writeXlsx(file, rows, sheetName);
  throw Error(Tr::tr("不支持的文件类型 %1：只能导出为 .xlsx 或 .csv").arg(shown(file)));
}

}  // namespace ld
