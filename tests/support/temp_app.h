#pragma once
// A fresh application folder per test: db/db.mdb made as eventdb makes it, zp/, system/logo.jpg.
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "data/datamodule.h"
#include "framework/dialogs.h"

namespace ld::test {

class TempApp {
 public:
  // withDatabase=false leaves db/ empty (for tests of a missing database).
  explicit TempApp(bool withDatabase = true, bool withLogo = true);
  ~TempApp();

  QString folder() const { return dir_.path() + QLatin1Char('/'); }
  QString path(const QString& relative) const { return folder() + relative; }
  QString dbPath() const { return path(QStringLiteral("db/db.mdb")); }

  // Runs a statement on a separate connection, as another program would see the file. The connection
  // stays open (opening an encrypted file is slow) and is made again when the file was moved or replaced.
  void exec(const QString& statement);
  // All rows of a query as text, fields joined by '|'.
  QStringList rows(const QString& statement);
  int count(const QString& statement) { return rows(statement).size(); }

  // Adds a participant with a photo file written under zp/ (empty zp: no photo). Returns its id.
  int addParticipant(const QString& name, const QString& department, bool withPhoto = true,
                     QColor colour = Qt::blue);
  void setPlan(int limit, int q1, int q2, int q3, int q4);

  // The scripted dialogs installed for this test (answers No / cancel unless told otherwise).
  ScriptedDialogs& dialogs() { return *dialogs_; }
  // The data module, created on first use.
  TDataModule1& dataModule();

 private:
  QTemporaryDir dir_;
  ScriptedDialogs* dialogs_;
  std::unique_ptr<Dialogs> previousDialogs_;
  std::unique_ptr<TDataModule1> dm_;
  std::unique_ptr<Connection> other_;
  Connection& other();
};

// Four flat quarters: red, green, blue and `last` (bottom right); where they end up shows how a picture
// was scaled or cropped.
QImage quarters(int width, int height, QColor last = Qt::yellow);
// A solid-colour JPEG of the given size, as bytes.
QByteArray solidJpeg(int width, int height, QColor colour);
// Writes the whole of `bytes`, making the folders on the way.
void writeFile(const QString& path, const QByteArray& bytes);
// A file's bytes, "<missing>" where there is none to read, so that a gone file never passes for an empty one.
QByteArray readFile(const QString& path);

}  // namespace ld::test
