#include "data/schema.h"

#include <sqlcipher/sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <cstring>

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

// The winners by prize level and draw order, for the board and the next draw order: only rows with zj>0, so
// a statement is served by it when its condition says "zj>0" in so many words. The departments with their
// names, for the department list and the duplicate checks of add and update.
const char* const kIndexSchema =
    "create index if not exists yglb_zj on yglb(zj, zjsx) where zj>0;"
    "create index if not exists yglb_bm on yglb(bm, xm);";
const char* const kIndexQuery =
    "select name from sqlite_master where type='index' and name in ('yglb_zj','yglb_bm')";

const AddedColumn kAddedColumns[3] = {
    {"yglb", "gh", "text collate nocase not null default ''"},
    {"yglb", "bq", "text collate nocase not null default ''"},
    {"cjrz", "gh", "text collate nocase"},
};

QByteArray addColumnStatement(const AddedColumn& column) {
  return QByteArray("alter table ") + column.table + " add column " + column.name + ' ' + column.definition +
         ';';
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
  QByteArray schema = QByteArray("begin;") + kSchema + kJournalSchema;
  for (const AddedColumn& column : kAddedColumns) schema += addColumnStatement(column);
  schema += QByteArray(kIndexSchema) + "commit;";
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), schema.constData(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db.get()) : "out of memory");
    db.reset();
    QFile::remove(path);
    throw DbError(Tr::tr("无法创建 %1：%2").arg(path, message));
  }
}

}  // namespace ld
