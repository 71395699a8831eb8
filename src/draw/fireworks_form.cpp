#include "draw/fireworks_form.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <random>

#include "draw/picture_loading.h"
#include "draw/window_shape.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "widgets/gif_animator.h"

namespace {

int uniformPictureNumber() {
  static std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<int>(1, 14)(generator);
}

}  // namespace

TFormyanhua::TFormyanhua(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), pickNumber(uniformPictureNumber) {
  setObjectName(QStringLiteral("Formyanhua"));
  // The draw window keeps the keyboard while the fireworks are up, and every click goes through to what
  // lies under the picture.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setWindowFlag(Qt::WindowTransparentForInput);
  setWindowTitle(ld::Tr::tr("烟花"));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setGeometry(205, 214, 862, 566);

  GIFAnimator = new TGIFAnimator(this);
  GIFAnimator->setObjectName(QStringLiteral("GIFAnimator"));
  GIFAnimator->setAutoSize(false);
  GIFAnimator->setStretch(true);
  GIFAnimator->setTransparent(true);
  GIFAnimator->setGeometry(rect());
  ld::guarded([this] { ld::loadBuiltinPicture(*GIFAnimator, ld::artwork::Builtin::Fireworks); });

  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer1.setTimerType(Qt::PreciseTimer);
  Timer1.setInterval(3000);
  connect(&Timer1, &QTimer::timeout, this, [this] { ld::guarded([this] { Timer1Timer(); }); });
  Timer1.start();
}

TFormyanhua::~TFormyanhua() = default;

void TFormyanhua::FormShow() {
  const int n = pickNumber();
  // The event's own pictures first, each one falling back to the installed one.
  const QString numbered = ld::systemPicture(QString::number(n) + QStringLiteral(".gif"));
  if (QFileInfo::exists(numbered))
    ld::loadGifFile(*GIFAnimator, numbered);
  else
    ld::loadGifFile(*GIFAnimator, ld::systemPicture(QStringLiteral("0.gif")));
  QScreen* screen = screenToCover ? screenToCover() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  setScreen(screen);
  setGeometry(screen->geometry());
  GIFAnimator->setGeometry(rect());
  if (!Timer1.isActive()) Timer1.start();
  shape_ = ld::applyColourKey(*this, Qt::black);
}

void TFormyanhua::Timer1Timer() {
  Timer1.stop();
  close();
}

void TFormyanhua::celebrate() {
  if (isVisible()) return;
  try {
    FormShow();
  } catch (const std::exception& e) {
    ld::reportException(e);
    return;
  }
  // An empty mask would be no mask at all: a black screen.
  if (shape_.isEmpty()) return;
  show();
  raise();
}

void TFormyanhua::resizeEvent(QResizeEvent* event) {
  GIFAnimator->setGeometry(rect());
  QWidget::resizeEvent(event);
}

namespace ld {

TFormyanhua* findFireworksWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName().compare(QLatin1String("formyanhua"), Qt::CaseInsensitive) != 0) continue;
    if (auto* form = qobject_cast<TFormyanhua*>(window)) return form;
  }
  return nullptr;
}

}  // namespace ld
