#include "framework/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/application.h"
#include "framework/text.h"

namespace ld {

namespace {
QString caption() { return Tr::tr("提示"); }

// The next scripted answer; No or cancel once the script has run out.
template <class T>
T nextAnswer(std::deque<T>& answers) {
  if (answers.empty()) return T{};
  T answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

DialogPlacement& placement() {
  static DialogPlacement p;
  return p;
}

// A box that opens on the operator's screen, clear of what the audience watches. Placed once its own show
// has given it its final size, before it is mapped, so it never flashes anywhere else.
class PlacedBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    const DialogPlacement& where = placement();
    QScreen* screen = where.screen ? where.screen() : nullptr;
    if (!screen) return;
    const QRect clear = where.keepClear ? where.keepClear() : QRect();
    const QSize frame = frameGeometry().size().expandedTo(size());
    move(placeClearOf(frame, screen->availableGeometry(), clear));
  }
};

// The keyboard goes back to the window that had it: without a window manager nobody else gives it back,
// and a clicker would go dead.
int execPlaced(QMessageBox& box) {
  QPointer<QWidget> previous = QApplication::activeWindow();
  const int answer = box.exec();
  if (previous && previous->isVisible()) previous->activateWindow();
  if (placement().afterwards) placement().afterwards(previous);
  return answer;
}

std::unique_ptr<Dialogs>& current() {
  static std::unique_ptr<Dialogs> d;
  return d;
}
}  // namespace

Dialogs& dialogs() {
  auto& d = current();
  if (!d) d = std::make_unique<QtDialogs>();
  return *d;
}

void setDialogPlacement(DialogPlacement p) { placement() = std::move(p); }
const DialogPlacement& dialogPlacement() { return placement(); }

QPoint placeClearOf(QSize box, const QRect& screen, const QRect& keepClear) {
  const auto inside = [&](QPoint at) {
    const QRect r(at, box);
    const int x = std::clamp(r.x(), screen.left(), std::max(screen.left(), screen.right() - box.width() + 1));
    const int y = std::clamp(r.y(), screen.top(), std::max(screen.top(), screen.bottom() - box.height() + 1));
    return QPoint(x, y);
  };
  const QPoint centred = inside(screen.center() - QPoint(box.width() / 2, box.height() / 2));
  const QRect clear = keepClear.intersected(screen);
  if (clear.isEmpty() || !QRect(centred, box).intersects(clear)) return centred;
  // Room left of, right of, above and below the rectangle; the box goes where it fits, most room first.
  struct Side {
    int room;
    QPoint at;
  };
  const int midX = clear.center().x() - box.width() / 2;
  const int midY = clear.center().y() - box.height() / 2;
  Side sides[] = {
      {clear.top() - screen.top(), inside({midX, clear.top() - box.height()})},
      {screen.bottom() - clear.bottom(), inside({midX, clear.bottom() + 1})},
      {clear.left() - screen.left(), inside({clear.left() - box.width(), midY})},
      {screen.right() - clear.right(), inside({clear.right() + 1, midY})},
  };
  std::stable_sort(std::begin(sides), std::end(sides),
                   [](const Side& a, const Side& b) { return a.room > b.room; });
  for (const Side& side : sides)
    if (!QRect(side.at, box).intersects(clear)) return side.at;
  // Nowhere clear: the corner farthest from the rectangle covers least of it.
  const QPoint corners[] = {inside(screen.topLeft()), inside({screen.right(), screen.top()}),
                            inside({screen.left(), screen.bottom()}), inside(screen.bottomRight())};
  const auto covered = [&](QPoint at) {
    const QRect overlap = QRect(at, box).intersected(clear);
    return qint64(overlap.width()) * overlap.height();
  };
  return *std::min_element(std::begin(corners), std::end(corners),
                           [&](QPoint a, QPoint b) { return covered(a) < covered(b); });
}

std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> d) {
  auto previous = std::move(current());
  current() = std::move(d);
  return previous;
}

void QtDialogs::info(const QString& text) {
  PlacedBox box(QMessageBox::NoIcon, caption(), text, QMessageBox::Ok, QApplication::activeWindow());
  execPlaced(box);
}

bool QtDialogs::confirm(const QString& text) {
  PlacedBox box(QMessageBox::Warning, caption(), text, QMessageBox::Yes | QMessageBox::No,
                QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::No);
  return execPlaced(box) == QMessageBox::Yes;
}

void QtDialogs::error(const QString& text) {
  PlacedBox box(QMessageBox::Critical, Tr::tr(kApplicationTitle), text, QMessageBox::Ok,
                QApplication::activeWindow());
  execPlaced(box);
}

QString QtDialogs::openFile(const QString& filter, const QString& folder) {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), folder, filter);
}

QString Dialogs::saveFile(const QString&) { return {}; }

QColor Dialogs::chooseColour(const QColor&, const QString&) { return {}; }

QColor QtDialogs::chooseColour(const QColor& initial, const QString& title) {
  return QColorDialog::getColor(initial, QApplication::activeWindow(), title);
}

QString QtDialogs::saveFile(const QString& filter) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), QString(), filter);
}

void StderrDialogs::print(const QString& text) {
  std::fprintf(stderr, "%s: %s\n", program_.toLocal8Bit().constData(), text.toLocal8Bit().constData());
  if (fatal_) std::exit(1);
}

bool ScriptedDialogs::confirm(const QString& text) {
  shown.push_back({Shown::Confirm, text});
  return nextAnswer(confirmAnswers);
}

QString ScriptedDialogs::openFile(const QString& filter, const QString& folder) {
  shown.push_back({Shown::OpenFile, filter});
  openFolders << folder;
  return nextAnswer(fileAnswers);
}

QString ScriptedDialogs::saveFile(const QString& filter) {
  shown.push_back({Shown::SaveFile, filter});
  return nextAnswer(fileAnswers);
}

QColor ScriptedDialogs::chooseColour(const QColor&, const QString& title) {
  shown.push_back({Shown::Colour, title});
  return nextAnswer(colourAnswers);
}

QStringList ScriptedDialogs::texts(Shown::Kind kind) const {
  QStringList out;
  for (const auto& s : shown)
    if (s.kind == kind) out << s.text;
  return out;
}

}  // namespace ld
