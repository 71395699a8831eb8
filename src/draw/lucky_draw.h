#pragma once
// The program's one owner: the data module and every window, made and torn down in one place.
#include <QObject>
#include <memory>
#include <vector>

class TVELTRAXForm;
class TFormyanhua;

namespace ld {

class BlankScreen;
class KeyControl;
class TDataModule1;
class TsettingForm;
enum class KeyAction;

class LuckyDraw : public QObject {
  Q_OBJECT
 public:
  // The data module first (its creation opens the event database), then the draw window, not yet shown.
  LuckyDraw();
  ~LuckyDraw() override;

  TDataModule1& data() { return *data_; }
  TVELTRAXForm& drawWindow() { return *drawWindow_; }

  // A further settings window, shown without making it modal; closing it gives its memory back.
  TsettingForm* openSettingsWindow();
  const std::vector<std::unique_ptr<TsettingForm>>& settingsWindows() const { return settingsWindows_; }

  // The fireworks window, found by its name or made on the first completed level, then shown.
  void celebrate();
  TFormyanhua* fireworksWindow() const { return fireworks_.get(); }

  // What a key of the keyboard or a presentation clicker does, whichever of the program's windows is in
  // front: true when it acted. While the screen is black the next key only brings the picture back.
  bool handleKey(KeyAction action);
  // Black screen over the draw window's screen, or the picture back.
  void toggleBlank();
  bool blanked() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<TDataModule1> data_;
  std::unique_ptr<TVELTRAXForm> drawWindow_;
  std::unique_ptr<TFormyanhua> fireworks_;
  std::vector<std::unique_ptr<TsettingForm>> settingsWindows_;
  std::unique_ptr<BlankScreen> blank_;
  std::unique_ptr<KeyControl> keys_;
};

}  // namespace ld
