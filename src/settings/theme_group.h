#pragma once
// The settings window's "舞台外观": the event's title, background, logo and colours for the audience screen,
// with a small sketch of how they look together. Like the window's other groups it writes only when
// "更新" is pressed and "还原" reads back what is kept.
#include <QGroupBox>
#include <optional>

#include "settings/theme_picture.h"
#include "settings/theme_store.h"
#include "stage/stage_content.h"

class QLineEdit;
class QPushButton;

namespace ld {

class Query;

// The sketch: the look scaled down, with a title, a name in the text colour and a prize in the accent.
class ThemePreview : public QWidget {
 public:
  explicit ThemePreview(QWidget* parent = nullptr);
  // `theme` with its colours as the stage would show them; a null background shows the built-in one.
  void setTheme(const stage::Theme& theme);
  const stage::Theme& theme() const { return theme_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  stage::Theme theme_;
  QImage scaledBackground_;
};

class ThemeGroup : public QGroupBox {
  Q_OBJECT
 public:
  // Reads nothing yet: reload() fills it.
  ThemeGroup(Query& query, const QString& eventFolder, QWidget* parent = nullptr);

  // Shows what the event keeps; what cannot be read is named in an information box.
  void reload();
  // Saves every value shown; "更新完成" afterwards. A failure goes to the caller (the default error handler).
  void save();
  void chooseBackground();
  void clearBackground();
  void chooseLogo();
  void clearLogo();
  // Which: 0 base, 1 accent, 2 text.
  void chooseColour(int which);
  // The built-in look: default colours, no pictures of the event's own. The title stays.
  void restoreDefaults();

  QLineEdit* Editbt;
  QPushButton* Buttonbjtp;  // "背景图片…"
  QPushButton* Buttonqcbj;  // "清除" the background
  QPushButton* Buttonbz;    // "标志…"
  QPushButton* Buttonqcbz;  // "清除" the logo
  QPushButton* Buttonds;    // 底色
  QPushButton* Buttonqs;    // 强调色
  QPushButton* Buttonwz;    // 文字颜色
  QPushButton* Buttonhfmr;  // "恢复默认"
  QPushButton* Buttongxwg;  // "更新"
  QPushButton* Buttonhywg;  // "还原"
  ThemePreview* Panelyl;

 signals:
  void saved();

 private:
  void choosePicture(ThemePictureKind kind);
  void clearPicture(ThemePictureKind kind);
  void refreshPreview();
  stage::Theme shown() const;

  ThemeStore store_;
  QColor colours_[3];         // invalid: the default
  QImage background_, logo_;  // null: none of the event's own
  std::optional<QByteArray> backgroundChange_, logoChange_;
};

}  // namespace ld
