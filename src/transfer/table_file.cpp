#include "transfer/table_file.h"

#include <xlsxwriter.h>
#include <zip.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "framework/file_safety.h"
#include "framework/scratch_files.h"
#include "framework/zip_handles.h"
#include "transfer/table_reading.h"

namespace ld {

using namespace tables;

void tables::fail(const QString& file, const QString& why) {
  throw Error(Tr::tr("无法读取名单文件 %1：%2").arg(shown(file), why));
}

QString tables::amount(qint64 n) {
  return n % 10000 == 0 ? Tr::tr("%1 万").arg(n / 10000) : QString::number(n);
}

bool tables::blank(QStringView s) {
  for (QChar c : s)
    if (!c.isSpace()) return false;
  return true;
}

void tables::oldExcel(const QString& file) {
  fail(file, Tr::tr("这是旧版 Excel 表格（.xls），请在 Excel 中另存为 .xlsx 后再导入"));
}

bool tables::isOleFile(const QByteArray& head) { return head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"); }

bool tables::formulaStart(QChar c) {
  return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('@') ||
         c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

bool tables::formulaGuarded(QStringView cell) {
  qsizetype n = 0;
  while (n < cell.size() && cell[n] == QLatin1Char('\'')) ++n;
  return n > 0 && n < cell.size() && formulaStart(cell[n]);
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
      if (!c.isEmpty() && (formulaStart(c.front()) || formulaGuarded(c))) c.prepend(QLatin1Char('\''));
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
