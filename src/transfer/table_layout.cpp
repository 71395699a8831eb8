#include "transfer/table_layout.h"

#include <QHash>

#include "framework/errors.h"
#include "framework/text.h"
#include "settings/photo_file.h"

namespace ld {

namespace {

QString normalisedWord(const QString& cell) {
  QString key = cell.toCaseFolded();
  key.remove(QLatin1Char(' '));
  key.remove(QLatin1Char('\t'));
  key.remove(QChar(0x3000));  // the full-width blank of Chinese input methods
  key.remove(QLatin1Char('_'));
  while (!key.isEmpty() && QStringLiteral(".:：。").contains(key.back())) key.chop(1);
  return key;
}

const QHash<QString, ColumnMeaning>& headerWords() {
  using M = ColumnMeaning;
  static const QHash<QString, ColumnMeaning> words = {{QStringLiteral("姓名"), M::Name},
                                                      {QStringLiteral("名字"), M::Name},
                                                      {QStringLiteral("员工姓名"), M::Name},
                                                      {QStringLiteral("name"), M::Name},
                                                      {QStringLiteral("fullname"), M::Name},
                                                      {QStringLiteral("employeename"), M::Name},
                                                      {QStringLiteral("部门"), M::Department},
                                                      {QStringLiteral("所属部门"), M::Department},
                                                      {QStringLiteral("科室"), M::Department},
                                                      {QStringLiteral("部门名称"), M::Department},
                                                      {QStringLiteral("一级部门"), M::Department},
                                                      {QStringLiteral("二级部门"), M::Department},
                                                      {QStringLiteral("三级部门"), M::Department},
                                                      {QStringLiteral("department"), M::Department},
                                                      {QStringLiteral("dept"), M::Department},
                                                      {QStringLiteral("工号"), M::EmployeeId},
                                                      {QStringLiteral("员工编号"), M::EmployeeId},
                                                      {QStringLiteral("员工号"), M::EmployeeId},
                                                      {QStringLiteral("employeeid"), M::EmployeeId},
                                                      {QStringLiteral("employeeno"), M::EmployeeId},
                                                      {QStringLiteral("id"), M::EmployeeId},
                                                      {QStringLiteral("照片"), M::Photo},
                                                      {QStringLiteral("相片"), M::Photo},
                                                      {QStringLiteral("照片文件"), M::Photo},
                                                      {QStringLiteral("照片编号"), M::Photo},
                                                      {QStringLiteral("photo"), M::Photo},
                                                      {QStringLiteral("picture"), M::Photo},
                                                      {QStringLiteral("标签"), M::Tags},
                                                      {QStringLiteral("tags"), M::Tags},
                                                      {QStringLiteral("tag"), M::Tags}};
  return words;
}

// 合计, 小计, 总计, 共计 or total, alone or followed by a number, a blank, a colon or a bracket: "总计划部"
// is a department.
bool isTotalCell(const QString& cell) {
  const QString text = cell.trimmed().toCaseFolded();
  static const QStringList words = {QStringLiteral("合计"), QStringLiteral("小计"), QStringLiteral("总计"),
                                    QStringLiteral("共计"), QStringLiteral("total")};
  for (const QString& w : words) {
    if (!text.startsWith(w)) continue;
    if (text.size() == w.size()) return true;
    const QChar next = text[w.size()];
    if (next.isDigit() || next.isSpace() || QStringLiteral(":：(（s").contains(next)) return true;
  }
  return false;
}

}  // namespace

QString meaningName(ColumnMeaning meaning) {
  switch (meaning) {
    case ColumnMeaning::Department:
      return Tr::tr("部门");
    case ColumnMeaning::Name:
      return Tr::tr("姓名");
    case ColumnMeaning::EmployeeId:
      return Tr::tr("工号");
    case ColumnMeaning::Photo:
      return Tr::tr("照片");
    case ColumnMeaning::Tags:
      return Tr::tr("标签");
    case ColumnMeaning::Ignore:
      break;
  }
  return Tr::tr("忽略");
}

ColumnMeaning headerMeaning(const QString& cell) {
  return headerWords().value(normalisedWord(cell), ColumnMeaning::Ignore);
}

std::vector<ColumnMeaning> parseColumnList(const QString& list) {
  std::vector<ColumnMeaning> out;
  const QStringList entries = QString(list).replace(QChar(0xFF0C), QLatin1Char(',')).split(QLatin1Char(','));
  for (const QString& entry : entries) {
    const QString word = entry.trimmed();
    if (word.isEmpty() || word == QLatin1String("-")) {
      out.push_back(ColumnMeaning::Ignore);
      continue;
    }
    ColumnMeaning m = headerMeaning(word);
    // The meanings as this program names them, in either language, count too.
    for (int k = 1; m == ColumnMeaning::Ignore && k < kColumnMeanings; ++k)
      if (normalisedWord(meaningName(ColumnMeaning(k))) == normalisedWord(word)) m = ColumnMeaning(k);
    if (m == ColumnMeaning::Ignore)
      throw Error(
          Tr::tr("--columns 中的“%1”不是列的含义（可用：部门、姓名、工号、照片、标签，- 或空表示忽略该列）")
              .arg(word));
    out.push_back(m);
  }
  if (std::find(out.begin(), out.end(), ColumnMeaning::Name) == out.end())
    throw Error(Tr::tr("--columns 没有说明哪一列是姓名"));
  return out;
}

std::vector<int> TableLayout::columnsMeaning(ColumnMeaning m) const {
  std::vector<int> out;
  for (size_t c = 0; c < columns.size(); ++c)
    if (columns[c] == m) out.push_back(int(c));
  return out;
}

QString TableLayout::value(const TableRow& row, ColumnMeaning m) const {
  QStringList parts;
  for (int c : columnsMeaning(m)) {
    const QString cell = c < row.cells.size() ? row.cells[c].trimmed() : QString();
    if (!cell.isEmpty()) parts << cell;
  }
  return parts.join(QLatin1Char('-'));
}

int tableWidth(const Table& table, int rows) {
  int width = 0;
  for (size_t i = 0; i < table.rows.size() && int(i) < rows; ++i)
    width = std::max(width, int(table.rows[i].cells.size()));
  return width;
}

TableLayout findTableLayout(const Table& table, const LayoutOptions& options) {
  TableLayout layout;
  const int searched = std::min(int(table.rows.size()), kHeaderSearchRows);
  int namelessHeader = -1;
  for (int i = 0; i < searched && layout.headerIndex < 0; ++i) {
    std::vector<ColumnMeaning> meanings;
    int recognised = 0;
    bool name = false;
    for (const QString& cell : table.rows[size_t(i)].cells) {
      ColumnMeaning m = headerMeaning(cell);
      // A second name, photo or number column is most likely something else (a spouse, a badge photo).
      if (m != ColumnMeaning::Department && m != ColumnMeaning::Ignore &&
          std::find(meanings.begin(), meanings.end(), m) != meanings.end())
        m = ColumnMeaning::Ignore;
      if (m != ColumnMeaning::Ignore) ++recognised;
      name = name || m == ColumnMeaning::Name;
      meanings.push_back(m);
    }
    if (name && recognised >= 2) {
      layout.headerIndex = i;
      layout.columns = std::move(meanings);
      layout.recognised = true;
    } else if (recognised >= 2 && namelessHeader < 0) {
      namelessHeader = i;
    }
  }
  if (options.columns) {
    // Stated columns win over the header's words; a header row without a name column is still no participant.
    if (layout.headerIndex < 0) layout.headerIndex = namelessHeader;
    layout.columns = *options.columns;
    layout.confirmed = true;
  } else if (layout.recognised) {
    layout.confirmed = true;
  } else if (namelessHeader >= 0) {
    throw Error(Tr::tr("表头没有姓名列（应有“姓名”或“name”）：请给姓名列加上表头，或说明每一列的含义"));
  } else {
    layout.columns = {ColumnMeaning::Department, ColumnMeaning::Name};
  }

  for (int i = 0; i < layout.headerIndex; ++i)
    layout.skipped.push_back({table.rows[size_t(i)].line, Tr::tr("表头上方的标题")});

  // Rows below the header, in blocks separated by blank lines.
  std::vector<std::vector<size_t>> blocks;
  for (size_t i = size_t(layout.headerIndex + 1); i < table.rows.size(); ++i) {
    const bool gap = blocks.empty() || table.rows[i].line > table.rows[i - 1].line + table.rows[i - 1].lines;
    if (gap) blocks.emplace_back();
    blocks.back().push_back(i);
  }
  const bool withNumber = layout.has(ColumnMeaning::EmployeeId);
  const bool withDepartment = layout.has(ColumnMeaning::Department);
  const auto looksLikeParticipant = [&](const TableRow& row) {
    const QString name = layout.value(row, ColumnMeaning::Name);
    const QString department = layout.value(row, ColumnMeaning::Department);
    if (name.isEmpty() || name.size() > 30 || name.contains(QChar(0xFF1A)) || name.contains(QLatin1Char(':')))
      return false;
    if (withDepartment && department.isEmpty()) return false;
    if (withNumber && layout.value(row, ColumnMeaning::EmployeeId).isEmpty()) return false;
    return checkPhotoName(department.isEmpty() ? QStringLiteral("x") : department, name).ok();
  };
  for (size_t b = 0; b < blocks.size(); ++b) {
    std::vector<size_t> kept;
    bool participant = false;
    for (size_t i : blocks[b]) {
      const TableRow& row = table.rows[i];
      if (row.hidden && !options.includeHidden) {
        layout.skipped.push_back({row.line, Tr::tr("隐藏的行")});
        continue;
      }
      if (std::any_of(row.cells.begin(), row.cells.end(), isTotalCell)) {
        layout.skipped.push_back({row.line, Tr::tr("合计行")});
        continue;
      }
      participant = participant || looksLikeParticipant(row);
      kept.push_back(i);
    }
    // Notes under the table ("制表人：", "注：离职人员已隐藏") come after blank rows and name nobody.
    if (b > 0 && !participant) {
      for (size_t i : kept)
        layout.skipped.push_back({table.rows[i].line, Tr::tr("表格下方空行之后的备注（没有像员工的行）")});
      continue;
    }
    layout.dataRows.insert(layout.dataRows.end(), kept.begin(), kept.end());
  }
  std::sort(layout.skipped.begin(), layout.skipped.end(),
            [](const SkippedRow& a, const SkippedRow& b) { return a.line < b.line; });
  return layout;
}

}  // namespace ld
