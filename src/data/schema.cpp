#include "data/schema.h"

#include <sqlcipher/sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <cstring>
#include <memory>
#include <vector>

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/query.h"
#include "framework/text.h"

namespace ld {

namespace {

// Text compares without regard to letter case, as the statements expect ('jx' finds "JX").
const char* const kSchema = R"sql(
create table yglb (
  id integer primary key autoincrement,
  xm text collate nocase not null default '',
  bm text collate nocase not null default '',
  zp text collate nocase not null default '',
  zj integer not null default 0,
  zjsx integer not null default 0
);
create table jcsz (xm text collate nocase primary key, sz text collate nocase not null default '');
create table sy (symc text collate nocase primary key, sz integer not null default 0);
create table jxsz (jx integer primary key, sl integer not null default 0);
insert into jcsz (xm, sz) values ('GSMC', ''), ('LXRY', ''), ('LXDH', '');
insert into sy (symc, sz) values ('JX', 1);
insert into jxsz (jx, sl) values (1, 1), (2, 2), (3, 3), (4, 5);
)sql";

}  // namespace

// Rows are only ever added: the engine itself refuses to change, delete or overwrite one, whatever statement
// asks it to.
const char* const kJournalSchema = R"sql(
create table if not exists cjrz (
  xh INTEGER PRIMARY KEY AUTOINCREMENT,
  sj TEXT NOT NULL,
  lx TEXT NOT NULL COLLATE NOCASE,
  zjsx INTEGER,
  zj INTEGER,
  ygid INTEGER,
  xm TEXT COLLATE NOCASE,
  bm TEXT COLLATE NOCASE,
  rs INTEGER
);
create trigger if not exists cjrz_no_update before update on cjrz
  begin select raise(abort, '抽奖记录只能添加，不能修改'); end;
create trigger if not exists cjrz_no_delete before delete on cjrz
  begin select raise(abort, '抽奖记录只能添加，不能删除'); end;
create trigger if not exists cjrz_no_replace before insert on cjrz
  when new.xh is not null and exists (select 1 from cjrz where xh = new.xh)
  begin select raise(abort, '抽奖记录只能添加，不能覆盖'); end;
)sql";

const char* const kJournalObjectsQuery =
    "select name from sqlite_master where (type='table' and name='cjrz') or "
    "(type='trigger' and name in ('cjrz_no_update','cjrz_no_delete','cjrz_no_replace'))";

const char* const kThemeSchema =
    "create table if not exists ztsz (xm text collate nocase primary key, sz text not null default '');";
const char* const kThemeQuery = "select name from sqlite_master where type='table' and name='ztsz'";

const char* const kSealSchema =
    "create table if not exists fcxx (xm text collate nocase primary key, sz text not null default '');";
const char* const kSealQuery = "select name from sqlite_master where type='table' and name='fcxx'";

// The winners by prize level and draw order, for the board and the next draw order: only rows with zj>0, so
// a statement is served by it when its condition says "zj>0" in so many words. The departments with their
// names, for the department list and the duplicate checks of add and update. The employee numbers and the
// phones' digests, so that a check-in and a phone's own page find their person without reading the roster.
const char* const kIndexSchema =
    "create index if not exists yglb_zj on yglb(zj, zjsx) where zj>0;"
    "create index if not exists yglb_bm on yglb(bm, xm);"
    "create index if not exists yglb_gh on yglb(gh);"
    "create index if not exists yglb_qdsb on yglb(qdsb);";
const char* const kIndexQuery =
    "select name from sqlite_master where type='index' and name in "
    "('yglb_zj','yglb_bm','yglb_gh','yglb_qdsb')";

const AddedColumn kAddedColumns[kAddedColumnCount] = {
    {"yglb", "gh", "text collate nocase not null default ''"},
    {"yglb", "bq", "text collate nocase not null default ''"},
    {"cjrz", "gh", "text collate nocase"},
    {"jxsz", "mc", "text not null default ''"},
    {"jxsz", "mcrs", "integer not null default 1"},
    {"jxsz", "sx", "integer not null default 0"},
    {"jxsz", "gz", "text not null default ''"},
    {"cjrz", "jp", "text"},
    {"cjrz", "gz", "text"},
    {"cjrz", "yy", "text"},
    {"yglb", "qd", "text not null default ''"},
    {"yglb", "qdm", "text not null default ''"},
    {"yglb", "qdsb", "text not null default ''"},
};

QByteArray addColumnStatement(const AddedColumn& column) {
  return QByteArray("alter table ") + column.table + " add column " + column.name + ' ' + column.definition +
         ';';
}

QByteArray newEventSchema() {
  QByteArray schema = QByteArray(kSchema) + kJournalSchema;
  for (const AddedColumn& column : kAddedColumns) schema += addColumnStatement(column);
  return schema + kIndexSchema + kThemeSchema + kSealSchema;
}

bool hasColumn(sqlite3* db, const char* table, const char* name) {
  // The engine resolves the column when it prepares the statement; nothing runs.
  const QByteArray probe = QByteArray("select ") + name + " from " + table + " limit 0";
  sqlite3_stmt* statement = nullptr;
  const bool present = sqlite3_prepare_v2(db, probe.constData(), -1, &statement, nullptr) == SQLITE_OK;
  sqlite3_finalize(statement);
  return present;
}

QString addedColumnOrBlank(Query& q, const char* table, const char* name) {
  return hasColumn(q.connection().handle(), table, name)
             ? QString::fromLatin1(name)
             : QStringLiteral("'' as %1").arg(QLatin1String(name));
}

namespace {

struct MasterRow {
  QString type, name, table, sql;
};

std::vector<MasterRow> masterRows(sqlite3* db) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "select type, name, tbl_name, sql from sqlite_master", -1, &raw, nullptr) !=
      SQLITE_OK)
    throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
  const auto text = [&](int column) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(raw, column));
    return bytes ? QString::fromUtf8(bytes, sqlite3_column_bytes(raw, column)) : QString();
  };
  std::vector<MasterRow> rows;
  int rc;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
    rows.push_back({text(0).toLower(), text(1).toLower(), text(2).toLower(), normalisedSql(text(3))});
  if (rc != SQLITE_DONE) throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
  return rows;
}

// What this version's statements make, run on an empty database in memory.
class KnownSchema {
 public:
  KnownSchema() {
    for (const MasterRow& row : madeBy(newEventSchema())) objects_[key(row)] = row;
    // An older table holds the columns added to it before the file was last opened: any leading part.
    QByteArray older = QByteArray(kSchema) + kJournalSchema;
    for (const MasterRow& row : madeBy(older)) olderTables_ << key(row) + row.sql;
    for (const AddedColumn& column : kAddedColumns) {
      older += addColumnStatement(column);
      for (const MasterRow& row : madeBy(older)) olderTables_ << key(row) + row.sql;
    }
  }

  QString problem(const MasterRow& row) const {
    const auto found = objects_.constFind(key(row));
    if (found == objects_.cend()) {
      if (row.type == QLatin1String("trigger")) return Tr::tr("多余的触发器 %1").arg(row.name);
      if (row.type == QLatin1String("view")) return Tr::tr("多余的视图 %1").arg(row.name);
      if (row.type == QLatin1String("index")) return Tr::tr("多余的索引 %1").arg(row.name);
      if (row.type == QLatin1String("table")) return Tr::tr("多余的表 %1").arg(row.name);
      return Tr::tr("多余的对象 %1").arg(row.name);
    }
    const bool sameSql = found->sql == row.sql ||
                         (row.type == QLatin1String("table") && olderTables_.contains(key(row) + row.sql));
    if (found->table == row.table && sameSql) return {};
    if (row.type == QLatin1String("trigger")) return Tr::tr("被改写的触发器 %1").arg(row.name);
    if (row.type == QLatin1String("index")) return Tr::tr("被改写的索引 %1").arg(row.name);
    return Tr::tr("被改写的表 %1").arg(row.name);
  }

 private:
  static QString key(const MasterRow& row) { return row.type + QLatin1Char('\n') + row.name; }

  static std::vector<MasterRow> madeBy(const QByteArray& statements) {
    sqlite3* opened = nullptr;
    sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE, nullptr);
    const DatabaseHandle db(opened);
    if (!db || sqlite3_exec(db.get(), statements.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
      qFatal("the event schema does not run: %s", db ? sqlite3_errmsg(db.get()) : "out of memory");
    return masterRows(db.get());
  }

  QHash<QString, MasterRow> objects_;
  QSet<QString> olderTables_;  // key and normalised statement
};

}  // namespace

QString normalisedSql(const QString& sql) {
  QStringList words;
  const qsizetype n = sql.size();
  qsizetype i = 0;
  const auto quoted = [&](QChar close) {
    QString text;
    ++i;
    while (i < n) {
      if (sql[i] == close) {
        if (i + 1 < n && sql[i + 1] == close && close != QLatin1Char(']')) {
          text += close;
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      text += sql[i++];
    }
    return text;
  };
  while (i < n) {
    const QChar c = sql[i];
    if (c.isSpace()) {
      ++i;
    } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
      while (i < n && sql[i] != QLatin1Char('\n')) ++i;
    } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
      const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
      i = end < 0 ? n : end + 2;
    } else if (c == QLatin1Char('\'')) {
      // A literal keeps its case: 'JX' and 'jx' are different values.
      words << QLatin1Char('\'') +
                   quoted(QLatin1Char('\'')).replace(QLatin1Char('\''), QStringLiteral("''")) +
                   QLatin1Char('\'');
    } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
      // Quotes matter only around what a bare word could not say ("text collate nocase" is one name).
      const QString name = quoted(c == QLatin1Char('[') ? QLatin1Char(']') : c).toLower();
      static const QRegularExpression bare(QStringLiteral("^[a-z_][a-z0-9_$]*$"));
      words << (bare.match(name).hasMatch() ? name : QLatin1Char('"') + name + QLatin1Char('"'));
    } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c.unicode() > 0x7f) {
      const qsizetype start = i;
      while (i < n &&
             (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_') || sql[i] == QLatin1Char('$') ||
              sql[i].unicode() > 0x7f) &&
             !sql[i].isSpace())
        ++i;
      words << sql.mid(start, i - start).toLower();
    } else {
      words << QString(c);
      ++i;
    }
  }
  for (qsizetype w = 0; w + 2 < words.size(); ++w)
    if (words[w] == QLatin1String("if") && words[w + 1] == QLatin1String("not") &&
        words[w + 2] == QLatin1String("exists"))
      words.remove(w, 3);
  return words.join(QLatin1Char(' '));
}

QString schemaProblem(sqlite3* db) {
  static const KnownSchema known;
  for (const MasterRow& row : masterRows(db))
    if (QString problem = known.problem(row); !problem.isEmpty()) return problem;
  return {};
}

void createEventDatabase(const QString& appFolder) {
  QDir folder(appFolder);
  const QString path = folder.filePath(QStringLiteral("db/db.mdb"));
  if (QFileInfo::exists(path)) throw DbError(Tr::tr("%1 已经存在，不会覆盖").arg(path));
  if (!folder.mkpath(QStringLiteral("db")) || !folder.mkpath(QStringLiteral("zp")))
    throw DbError(Tr::tr("无法在 %1 下创建 db 和 zp 文件夹").arg(appFolder));

  sqlite3* opened = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  int rc = sqlite3_open_v2(path.toUtf8().constData(), &opened, flags, nullptr);
  DatabaseHandle db(opened);
  if (rc == SQLITE_OK)
    rc = sqlite3_key(db.get(), kDatabasePassword, static_cast<int>(strlen(kDatabasePassword)));
  const QByteArray schema = "begin;" + newEventSchema() + "commit;";
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), schema.constData(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db.get()) : "out of memory");
    db.reset();
    QFile::remove(path);
    throw DbError(Tr::tr("无法创建 %1：%2").arg(path, message));
  }
}

}  // namespace ld
