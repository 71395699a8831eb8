// Peak memory of reading crafted and full-size tables: each file is read by a fresh child process (this
// program again, with --read), and its peak resident size is printed beside the outcome. Every file must
// stay at or below 256 MB, refused or accepted; build in Release to measure what operators get.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/errors.h"
#include "transfer/table_file.h"

namespace {

constexpr long kBudgetKb = 256 * 1024;

// A member of HEAD followed by UNIT repeated up to TOTAL bytes, produced as libzip compresses it, so that
// a member of gigabytes needs no memory here.
struct Repeat {
  QByteArray head, unit;
  qint64 total = 0, pos = 0;
};

zip_int64_t repeatSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* r = static_cast<Repeat*>(state);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      r->pos = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      auto* out = static_cast<char*>(data);
      zip_uint64_t n = 0;
      while (n < len && r->pos < r->total) {
        const qint64 p = r->pos;
        out[n++] = p < r->head.size() ? r->head[p] : r->unit[(p - r->head.size()) % r->unit.size()];
        ++r->pos;
      }
      return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->size = zip_uint64_t(r->total);
      st->valid |= ZIP_STAT_SIZE;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
      return 2 * sizeof(int);
    case ZIP_SOURCE_FREE:
      delete r;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      return -1;
  }
}

const QByteArray kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

QByteArray book() {
  return "<workbook " + kNs +
         " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
         "<sheet name=\"s\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
}
const QByteArray kRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\"/></"
    "Relationships>";

// PARTS as (name, head, unit, total bytes); a total of 0 is the head alone.
void writeZip(const QString& file,
              const std::vector<std::tuple<const char*, QByteArray, QByteArray, qint64>>& parts) {
  int error = 0;
  zip_t* z = zip_open(QFile::encodeName(file).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) std::abort();
  for (const auto& [name, head, unit, total] : parts) {
    auto* r = new Repeat{head, unit.isEmpty() ? QByteArray(" ") : unit, total ? total : head.size(), 0};
    zip_source_t* s = zip_source_function(z, repeatSource, r);
    if (zip_file_add(z, name, s, 0) < 0) std::abort();
  }
  if (zip_close(z) != 0) std::abort();
}

QByteArray sheet(const QByteArray& rows) {
  return "<worksheet " + kNs + "><sheetData>" + rows + "</sheetData></worksheet>";
}

int readOne(const char* file) {
  QElapsedTimer t;
  t.start();
  try {
    const ld::Table table = ld::readTable(QString::fromLocal8Bit(file));
    std::printf("accepted, %zu rows", table.rows.size());
  } catch (const ld::Error& e) {
    std::printf("refused: %s", e.message().toUtf8().constData());
  }
  std::printf(" (%lld ms)", static_cast<long long>(t.elapsed()));
  std::fflush(stdout);
  return 0;
}

// Writes the files to DIR and returns their names in the order they are measured.
std::vector<QString> generate(const QString& dirPath) {
  const auto path = [&](const char* name) { return dirPath + QLatin1Char('/') + QLatin1String(name); };
  std::vector<QString> files;

  // One cell at the last column, then 100,000 short rows: refused by the column limit; the same with the far
  // cell empty (a format only) is read without widening any row.
  for (const char* far : {"<is><t>x</t></is>", ""}) {
    const QString f = path(*far ? "far-cell.xlsx" : "far-format.xlsx");
    QByteArray rows = "<row r=\"1\"><c r=\"XFD1\" t=\"inlineStr\">" + QByteArray(far) + "</c></row>";
    for (int i = 2; i < 100000; ++i)
      rows += "<row><c t=\"inlineStr\"><is><t>n" + QByteArray::number(i % 97) + "</t></is></c></row>";
    writeZip(f, {{"xl/workbook.xml", book(), {}, 0},
                 {"xl/_rels/workbook.xml.rels", kRels, {}, 0},
                 {"xl/worksheets/sheet1.xml", sheet(rows), {}, 0}});
    files.push_back(f);
  }
  // Ten million shared strings in a few hundred kilobytes.
  files.push_back(path("shared.xlsx"));
  writeZip(files.back(),
           {{"xl/workbook.xml", book(), {}, 0},
            {"xl/_rels/workbook.xml.rels", kRels, {}, 0},
            {"xl/sharedStrings.xml", "<sst " + kNs + ">", "<si><t>a</t></si>", 10'000'000LL * 17},
            {"xl/worksheets/sheet1.xml", sheet({}), {}, 0}});
  // Four members of 500 MB each.
  files.push_back(path("four-members.xlsx"));
  const qint64 big = 500LL * 1024 * 1024;
  writeZip(files.back(),
           {{"xl/workbook.xml", "<workbook " + kNs + ">", "<x/>", big},
            {"xl/_rels/workbook.xml.rels", "<Relationships>", "<x/>", big},
            {"xl/sharedStrings.xml", "<sst>", "<si><t>a</t></si>", big},
            {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>", "<row><c><v>1</v></c></row>", big}});
  // The same with a small workbook: the shared strings and the sheet are unpacked until their limit.
  files.push_back(path("big-parts.xlsx"));
  writeZip(files.back(),
           {{"xl/workbook.xml", book(), {}, 0},
            {"xl/_rels/workbook.xml.rels", kRels, {}, 0},
            {"xl/sharedStrings.xml", "<sst>", "<si><t>a</t></si>", big},
            {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>", "<row><c><v>1</v></c></row>", big}});
  // 49 MB of separators.
  {
    files.push_back(path("separators.csv"));
    QFile f(files.back());
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    const QByteArray mb(1024 * 1024, ',');
    for (int i = 0; i < 49; ++i) f.write(mb);
  }
  // Full-size rosters: 100,000 people, as an export writes them.
  {
    std::vector<QStringList> rows = {{"部门", "姓名", "照片", "工号", "手机", "标签"}};
    for (int i = 0; i < 100000; ++i)
      rows.push_back({QStringLiteral("部门%1").arg(i % 300), QStringLiteral("员工%1").arg(i),
                      QStringLiteral("p%1.jpg").arg(i), QString::number(100000 + i),
                      QStringLiteral("1380000%1").arg(i, 4, 10, QLatin1Char('0')),
                      QStringLiteral("标签%1").arg(i % 7)});
    for (const char* name : {"roster.xlsx", "roster.csv"}) {
      files.push_back(path(name));
      ld::writeTable(files.back(), rows, QStringLiteral("名单"));
    }
  }
  // Just under the limits: cells and text of a text file; rows; shared strings, each referred to.
  const auto textFile = [&](const char* name, const QByteArray& line, int count) {
    files.push_back(path(name));
    QFile f(files.back());
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    for (int i = 0; i < count; ++i) f.write(line);
  };
  textFile("cells-and-text.csv", "abcdefghijklm,nopqrstuvwxyz,0123456789ab,cdefghijklmno,pqrstuvwxyzab\n",
           399'000);
  textFile("rows.csv", "a,b\n", 999'000);
  {
    files.push_back(path("shared-full.xlsx"));
    QByteArray shared = "<sst " + kNs + ">";
    for (int i = 0; i < 999'000; ++i)
      shared += "<si><t>s" + QByteArray::number(i).rightJustified(14, '0') + "</t></si>";
    QByteArray rows;
    for (int i = 0; i < 980'000; ++i)
      rows += "<row><c t=\"s\"><v>" + QByteArray::number(i) + "</v></c><c t=\"s\"><v>" +
              QByteArray::number((i + 7) % 999'000) + "</v></c></row>";
    writeZip(files.back(), {{"xl/workbook.xml", book(), {}, 0},
                            {"xl/_rels/workbook.xml.rels", kRels, {}, 0},
                            {"xl/sharedStrings.xml", shared + "</sst>", {}, 0},
                            {"xl/worksheets/sheet1.xml", sheet(rows), {}, 0}});
  }
  return files;
}

pid_t run(const char* self, const char* what, const QString& arg) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    execl(self, self, what, QFile::encodeName(arg).constData(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--read") == 0) return readOne(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--generate") == 0) {
    for (const QString& f : generate(QString::fromLocal8Bit(argv[2])))
      std::printf("%s\n", QFile::encodeName(f).constData());
    return 0;
  }
  // The files are made by another process, so that each reader starts from this small one.
  QTemporaryDir dir;
  const QString list = dir.path() + QStringLiteral("/files");
  {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      if (!std::freopen(QFile::encodeName(list).constData(), "w", stdout)) _exit(127);
      execl(argv[0], argv[0], "--generate", QFile::encodeName(dir.path()).constData(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "making the files failed\n");
      return 1;
    }
  }
  QFile names(list);
  if (!names.open(QIODevice::ReadOnly)) return 1;
  bool over = false;
  for (const QByteArray& line : names.readAll().split('\n')) {
    if (line.isEmpty()) continue;
    const QString f = QFile::decodeName(line);
    std::printf("%-20s %6.1f MB  ", QFileInfo(f).fileName().toUtf8().constData(),
                double(QFileInfo(f).size()) / (1 << 20));
    const pid_t child = run(argv[0], "--read", f);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("  child failed\n");
      over = true;
      continue;
    }
    std::printf("  peak %ld MB\n", usage.ru_maxrss / 1024);
    over = over || usage.ru_maxrss > kBudgetKb;
  }
  std::printf(over ? "OVER the 256 MB budget\n" : "all within 256 MB\n");
  return over ? 1 : 0;
}
