#pragma once
// Driving the settings window in tests: opening it on a TempApp, real mouse and key events on the
// roster grid, and reading what the grid paints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <memory>
#include <ostream>

#include "settings/setting_form.h"
#include "support/printing.h"
#include "support/temp_app.h"

namespace ld::test {

// A settings window on a fresh application folder; the window goes before the folder.
class SettingsTest : public ::testing::Test {
 protected:
  TempApp app;
  std::unique_ptr<TsettingForm> form;

  void open() { form = std::make_unique<TsettingForm>(app.dataModule()); }
  ScriptedDialogs& boxes() { return app.dialogs(); }
  QStringList infos() { return app.dialogs().texts(ScriptedDialogs::Shown::Info); }
  QStringList errors() { return app.dialogs().texts(ScriptedDialogs::Shown::Error); }
  QStringList questions() { return app.dialogs().texts(ScriptedDialogs::Shown::Confirm); }

  // Puts a picture into the photo box, as an import does.
  QByteArray givePhoto(QColor colour = Qt::green) {
    const QByteArray jpeg = solidJpeg(480, 360, colour);
    form->Imagezp->loadFromData(jpeg);
    return jpeg;
  }
  void enter(const QString& department, const QString& name) {
    form->ComboBoxbm->setEditText(department);
    form->Editxm->setText(name);
  }
  void update(bool answer = true) {
    boxes().confirmAnswers = {answer};
    form->Button4->click();
  }
  QString zp(const QString& file) { return app.path(QStringLiteral("zp/") + file); }
  QStringList roster() {
    return app.rows(QStringLiteral("select xm, bm, zp, zj, zjsx from yglb order by id"));
  }
  QStringList zpEntries() {
    QStringList entries = QDir(app.path(QStringLiteral("zp")))
                              .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
  }
  RosterGrid* grid() { return form->StringGridgy; }
  // Focus set while the window is not active still names the control that will get it.
  bool focusedOn(QWidget* control) {
    QWidget* f = form->focusWidget();
    return f && (f == control || control->isAncestorOf(f));
  }
  bool entryEmpty() {
    return form->Editxm->text().isEmpty() && form->ComboBoxbm->currentText().isEmpty() &&
           form->Labelid->text().isEmpty() && form->Label1zpsy->text().isEmpty() &&
           !form->Imagezp->hasPicture();
  }
};

inline void sendMouse(QWidget* target, QEvent::Type type, QPoint at) {
  const QPointF local(at);
  const QPointF global(target->mapToGlobal(at));
  QMouseEvent event(type, local, global, Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

inline void mouseClick(QWidget* target, QPoint at) {
  sendMouse(target, QEvent::MouseButtonPress, at);
  sendMouse(target, QEvent::MouseButtonRelease, at);
}

inline void keyClick(QWidget* target, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

// The rectangle of a cell in the grid's own coordinates (row 0 is the first participant).
inline QRect cellRect(RosterGrid* grid, int row, int column) {
  const QRect r = grid->visualRect(grid->model()->index(row, column));
  return QRect(grid->viewport()->mapTo(grid, r.topLeft()), r.size());
}

// A real click on a participant row of the grid.
inline void clickRow(RosterGrid* grid, int row) {
  mouseClick(grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center());
}

// The colour the grid paints near the bottom-right corner of a cell, away from its text.
inline QColor cellBackground(RosterGrid* grid, int row, int column) {
  const QImage shot = grid->grab().toImage();
  const QRect r = cellRect(grid, row, column);
  return shot.pixelColor(r.right() - 2, r.bottom() - 2);
}

inline QStringList rowTexts(RosterGrid* grid, int row) {
  QStringList out;
  for (int c = 0; c < grid->columnCount(); ++c)
    out << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
  return out;
}

}  // namespace ld::test
