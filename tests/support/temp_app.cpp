#include "support/temp_app.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>

#include "data/schema.h"
#include "framework/app_folder.h"
#include "framework/jpeg.h"

namespace ld::test {

TempApp::TempApp(bool withDatabase, bool withLogo) {
  EXPECT_TRUE(dir_.isValid());
  QDir(dir_.path()).mkpath(QStringLiteral("system"));
  QDir(dir_.path()).mkpath(QStringLiteral("zp"));
  QDir(dir_.path()).mkpath(QStringLiteral("db"));
  if (withDatabase) createEventDatabase(dir_.path());
  if (withLogo) writeFile(path(QStringLiteral("system/logo.jpg")), solidJpeg(480, 360, Qt::gray));
  setAppFolder(dir_.path());
  auto d = std::make_unique<ScriptedDialogs>();
  dialogs_ = d.get();
  previousDialogs_ = setDialogs(std::move(d));
}

TempApp::~TempApp() {
  other_.reset();
  dm_.reset();
  setDialogs(std::move(previousDialogs_));
  setAppFolder(QString());
}

TDataModule1& TempApp::dataModule() {
  if (!dm_) dm_ = std::make_unique<TDataModule1>();
  return *dm_;
}

Connection& TempApp::other() {
  if (!other_ || other_->fileMovedOrReplaced()) {
    other_ = std::make_unique<Connection>();
    other_->setConnectionString(TDataModule1::connectionStringFor(folder()));
  }
  return *other_;
}

void TempApp::exec(const QString& statement) {
  Query q(other());
  q.execSql(statement);
}

QStringList TempApp::rows(const QString& statement) {
  Query q(other());
  q.openSql(statement);
  QStringList out;
  q.first();
  for (int r = 0; r < q.recordCount(); ++r, q.next()) {
    QStringList fields;
    // NULL reads as empty, as a NULL check-in time should not stop a whole row being read.
    for (const QString& name : q.columnNames()) {
      const Field field = q.fieldByName(name);
      fields << (field.isNull() ? QString() : field.asString());
    }
    out << fields.join(QLatin1Char('|'));
  }
  return out;
}

int TempApp::addParticipant(const QString& name, const QString& department, bool withPhoto, QColor colour) {
  QString zp;
  if (withPhoto) {
    zp = QStringLiteral("zp\\") + department + QLatin1Char('_') + name + QStringLiteral(".jpg");
    writeFile(appPath(zp), solidJpeg(480, 360, colour));
  }
  exec(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '%1', '%2','%3' )")
           .arg(sqlEscape(name), sqlEscape(department), sqlEscape(zp)));
  return rows(QStringLiteral("select max(id) from yglb")).value(0).toInt();
}

void TempApp::setPlan(int limit, int q1, int q2, int q3, int q4) {
  exec(QStringLiteral("update sy set sz=%1 where symc='JX'").arg(limit));
  const int q[] = {q1, q2, q3, q4};
  for (int k = 1; k <= 4; ++k) exec(QStringLiteral("update jxsz set sl=%1 where jx=%2").arg(q[k - 1]).arg(k));
}

QImage quarters(int width, int height, QColor last) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(0, 0, width / 2, height / 2, Qt::red);
  p.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
  p.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
  p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, last);
  return image;
}

QByteArray solidJpeg(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return encodeJpeg(image, 90);
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace ld::test
