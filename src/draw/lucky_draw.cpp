#include "draw/lucky_draw.h"

#include <QEvent>

#include "data/datamodule.h"
#include "draw/fireworks_form.h"
#include "draw/veltrax_form.h"
#include "framework/errors.h"
#include "settings/setting_form.h"
#include "transfer/import_dialog.h"

namespace ld {

LuckyDraw::LuckyDraw()
    : data_(std::make_unique<TDataModule1>()), drawWindow_(std::make_unique<TVELTRAXForm>(*data_)) {
  connect(drawWindow_.get(), &TVELTRAXForm::settingsRequested, this, [this] {
    // The draw window goes on whatever happens to a settings window.
    silently("opening a settings window", [this] { openSettingsWindow(); });
  });
  connect(drawWindow_.get(), &TVELTRAXForm::levelCompleted, this, &LuckyDraw::celebrate);
}

// Settings and fireworks windows go before the draw window, the data module last.
LuckyDraw::~LuckyDraw() {
  settingsWindows_.clear();
  fireworks_.reset();
  drawWindow_.reset();
}

TsettingForm* LuckyDraw::openSettingsWindow() {
  auto form = std::make_unique<TsettingForm>(*data_);
  form->installEventFilter(this);
  TsettingForm* window = form.get();
  connect(window, &TsettingForm::rosterImportRequested, this, [this, window] {
    guarded([&] {
      if (!runRosterImport(window, data_->ADOQuerysetting)) return;
      window->showStringGridgy();
      window->showComboBoxbm();
    });
  });
  connect(window, &TsettingForm::resultsExportRequested, this,
          [this, window] { guarded([&] { runResultsExport(window, data_->ADOQuerysetting); }); });
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
