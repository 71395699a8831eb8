#include "draw/lucky_draw.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

#include "data/datamodule.h"
#include "draw/fireworks_form.h"
#include "draw/key_control.h"
#include "draw/presentation.h"
#include "draw/veltrax_form.h"
#include "framework/errors.h"
#include "settings/setting_form.h"

namespace ld {

LuckyDraw::LuckyDraw()
    : data_(std::make_unique<TDataModule1>()), drawWindow_(std::make_unique<TVELTRAXForm>(*data_)) {
  connect(drawWindow_.get(), &TVELTRAXForm::settingsRequested, this, [this] {
    // The draw window goes on whatever happens to a settings window.
    silently("opening a settings window", [this] { openSettingsWindow(); });
  });
  connect(drawWindow_.get(), &TVELTRAXForm::levelCompleted, this, &LuckyDraw::celebrate);
  keys_ = std::make_unique<KeyControl>([this](KeyAction action) { return handleKey(action); });
#if QT_CONFIG(sessionmanager)
  // A session that ends while the draw runs asks the operator first, like every other close; the logout
  // is called off, and the operator answers the question on the handset.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (!manager.allowsInteraction()) return;
    manager.cancel();
    drawWindow_->askToSwitchOff();
    manager.release();
  });
#endif
}

// Settings and fireworks windows go before the draw window, the data module last.
LuckyDraw::~LuckyDraw() {
  keys_.reset();
  blank_.reset();
  settingsWindows_.clear();
  fireworks_.reset();
  drawWindow_.reset();
}

TsettingForm* LuckyDraw::openSettingsWindow() {
  auto form = std::make_unique<TsettingForm>(*data_);
  form->installEventFilter(this);
  form->show();
  settingsWindows_.push_back(std::move(form));
  return settingsWindows_.back().get();
}

void LuckyDraw::celebrate() {
  TFormyanhua* form = findFireworksWindow();
  if (!form) {
    fireworks_ = std::make_unique<TFormyanhua>();
    form = fireworks_.get();
  }
  form->celebrate();
}

bool LuckyDraw::handleKey(KeyAction action) {
  if (blanked()) {
    toggleBlank();
    return true;
  }
  switch (action) {
    case KeyAction::Draw:
      return drawWindow_->drawKey();
    case KeyAction::Blank:
      toggleBlank();
      return true;
    case KeyAction::Help:
      return drawWindow_->toggleKeyHelp();
    case KeyAction::Dismiss:
      return drawWindow_->dismissKeyHelp();
    case KeyAction::Absent:
      return drawWindow_->absentKey();
    case KeyAction::Presentation:
    case KeyAction::Mute:
    case KeyAction::NextScreen:
    case KeyAction::None:
      return false;
  }
  return false;
}

bool LuckyDraw::blanked() const { return blank_ && blank_->isVisible(); }

void LuckyDraw::toggleBlank() {
  if (blanked()) {
    blank_->hide();
    return;
  }
  if (!blank_) blank_ = std::make_unique<BlankScreen>();
  blank_->cover(drawWindow_->screen());
}

bool LuckyDraw::eventFilter(QObject* watched, QEvent* event) {
  // A settings window that was closed (not minimised) is dropped once its events are done.
  if (event->type() == QEvent::Hide && !event->spontaneous()) {
    QMetaObject::invokeMethod(
        this,
        [this, watched] {
          std::erase_if(settingsWindows_,
                        [watched](const auto& form) { return form.get() == watched && !form->isVisible(); });
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ld
