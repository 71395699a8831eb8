#include "settings/theme_group.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "artwork/builtin.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

// The stage is 16:9; the sketch keeps its shape.
constexpr QSize kPreviewSize(320, 180);

QImage filled(const QImage& picture, QSize size) {
  const QSize cover = picture.size().scaled(size, Qt::KeepAspectRatioByExpanding);
  return picture.scaled(cover, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .copy((cover.width() - size.width()) / 2, (cover.height() - size.height()) / 2, size.width(),
            size.height());
}

// Decoded once, at the sketch's size: the full picture is 2560 x 1440.
const QImage& builtinSketchBackground() {
  static const QImage sketch = [] {
    QImage picture;
    silently("reading the built-in stage background", [&] { picture = artwork::stageBackground(); });
    return picture.isNull() ? picture : filled(picture, kPreviewSize * 2);
  }();
  return sketch;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

QString colourTitle(int which) {
  switch (which) {
    case 0:
      return Tr::tr("底色");
    case 1:
      return Tr::tr("强调色");
    default:
      return Tr::tr("文字颜色");
  }
}

QColor defaultColour(int which) {
  switch (which) {
    case 0:
      return defaultThemeBase();
    case 1:
      return defaultThemeAccent();
    default:
      return defaultThemeText();
  }
}

}  // namespace

ThemePreview::ThemePreview(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Panelyl"));
  setFixedSize(kPreviewSize);
}

void ThemePreview::setTheme(const stage::Theme& theme) {
  theme_ = theme;
  scaledBackground_ =
      theme.background.isNull() ? builtinSketchBackground() : filled(theme.background, size() * 2);
  update();
}

void ThemePreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const QRectF all = rect();
  p.fillRect(all, theme_.base);
  if (!scaledBackground_.isNull()) p.drawImage(all, scaledBackground_);
  const qreal h = height(), w = width();
  if (!theme_.logo.isNull()) {
    const QSizeF logo = QSizeF(theme_.logo.size()).scaled(QSizeF(h * 0.18, h * 0.14), Qt::KeepAspectRatio);
    p.drawImage(QRectF(QPointF(h * 0.04, h * 0.04), logo), theme_.logo);
  }
  QFont font = this->font();
  const auto line = [&](const QString& text, qreal top, qreal size, const QColor& colour) {
    font.setPixelSize(qMax(6, int(h * size)));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0, h * top, w, h * size * 1.5), Qt::AlignHCenter | Qt::AlignVCenter, text);
  };
  line(theme_.title.isEmpty() ? Tr::tr("活动标题") : theme_.title, 0.05, 0.08, theme_.text);
  line(Tr::tr("一等奖  1 / 3"), 0.19, 0.08, theme_.accent);
  p.setPen(QPen(theme_.accent, 1.5));
  p.setBrush(QColor(255, 255, 255, 40));
  const qreal side = h * 0.38;
  p.drawRect(QRectF((w - side * 4 / 3) / 2, h * 0.34, side * 4 / 3, side));
  line(Tr::tr("张三"), 0.75, 0.11, theme_.text);
}

ThemeGroup::ThemeGroup(Query& query, const QString& eventFolder, QWidget* parent)
    : QGroupBox(Tr::tr("舞台外观"), parent), store_(query, eventFolder) {
  setObjectName(QStringLiteral("GroupBoxwtwg"));
  Editbt = new QLineEdit(this);
  Editbt->setObjectName(QStringLiteral("Editbt"));
  Buttonbjtp = button("Buttonbjtp", Tr::tr("背景图片…"), this);
  Buttonqcbj = button("Buttonqcbj", Tr::tr("清除"), this);
  Buttonbz = button("Buttonbz", Tr::tr("标志…"), this);
  Buttonqcbz = button("Buttonqcbz", Tr::tr("清除"), this);
  Buttonds = button("Buttonds", colourTitle(0), this);
  Buttonqs = button("Buttonqs", colourTitle(1), this);
  Buttonwz = button("Buttonwz", colourTitle(2), this);
  Buttonhfmr = button("Buttonhfmr", Tr::tr("恢复默认"), this);
  Buttongxwg = button("Buttongxwg", Tr::tr("更新"), this);
  Buttonhywg = button("Buttonhywg", Tr::tr("还原"), this);
  Panelyl = new ThemePreview(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(Tr::tr("标题："), this), 0, 0);
  grid->addWidget(Editbt, 0, 1, 1, 2);
  grid->addWidget(Buttonbjtp, 1, 1);
  grid->addWidget(Buttonqcbj, 1, 2);
  grid->addWidget(Buttonbz, 2, 1);
  grid->addWidget(Buttonqcbz, 2, 2);
  grid->addWidget(Buttonds, 3, 1);
  grid->addWidget(Buttonqs, 3, 2);
  grid->addWidget(Buttonwz, 4, 1);
  grid->addWidget(Buttonhfmr, 4, 2);
  grid->addWidget(Buttongxwg, 5, 1);
  grid->addWidget(Buttonhywg, 5, 2);
  grid->addWidget(Panelyl, 0, 3, 6, 1);

  const auto on = [this](QPushButton* b, auto handler) {
    connect(b, &QPushButton::clicked, this, [this, handler] { guarded([&] { handler(); }); });
  };
  on(Buttonbjtp, [this] { chooseBackground(); });
  on(Buttonqcbj, [this] { clearBackground(); });
  on(Buttonbz, [this] { chooseLogo(); });
  on(Buttonqcbz, [this] { clearLogo(); });
  on(Buttonds, [this] { chooseColour(0); });
  on(Buttonqs, [this] { chooseColour(1); });
  on(Buttonwz, [this] { chooseColour(2); });
  on(Buttonhfmr, [this] { restoreDefaults(); });
  on(Buttongxwg, [this] { save(); });
  on(Buttonhywg, [this] { reload(); });
  connect(Editbt, &QLineEdit::textChanged, this, [this] { refreshPreview(); });
}

stage::Theme ThemeGroup::shown() const {
  stage::Theme theme;
  theme.title = Editbt->text().trimmed();
  theme.background = background_;
  theme.logo = logo_;
  theme.base = colours_[0].isValid() ? colours_[0] : defaultColour(0);
  theme.accent = colours_[1].isValid() ? colours_[1] : defaultColour(1);
  theme.text = colours_[2].isValid() ? colours_[2] : defaultColour(2);
  return theme;
}

void ThemeGroup::refreshPreview() {
  const stage::Theme theme = shown();
  const QColor colours[] = {theme.base, theme.accent, theme.text};
  QPushButton* buttons[] = {Buttonds, Buttonqs, Buttonwz};
  for (int i = 0; i < 3; ++i) {
    QPixmap swatch(14, 14);
    swatch.fill(colours[i]);
    buttons[i]->setIcon(QIcon(swatch));
    buttons[i]->setToolTip(colours[i].name());
  }
  Buttonqcbj->setEnabled(!background_.isNull());
  Buttonqcbz->setEnabled(!logo_.isNull());
  Panelyl->setTheme(theme);
}

void ThemeGroup::reload() {
  QStringList problems;
  const stage::Theme kept = store_.stored(&problems);
  Editbt->setText(kept.title);
  colours_[0] = kept.base;
  colours_[1] = kept.accent;
  colours_[2] = kept.text;
  background_ = kept.background;
  logo_ = kept.logo;
  backgroundChange_.reset();
  logoChange_.reset();
  refreshPreview();
  if (!problems.isEmpty())
    dialogs().info(
        Tr::tr("舞台外观中有无法读取的内容，已改用默认：\n%1").arg(problems.join(QLatin1Char('\n'))));
}

void ThemeGroup::save() {
  ThemeChange change;
  change.title = Editbt->text().trimmed();
  change.base = colours_[0];
  change.accent = colours_[1];
  change.text = colours_[2];
  change.background = backgroundChange_;
  change.logo = logoChange_;
  store_.save(change);
  backgroundChange_.reset();
  logoChange_.reset();
  dialogs().info(Tr::tr("更新完成"));
  emit saved();
}

void ThemeGroup::choosePicture(ThemePictureKind kind) {
  const QString file = dialogs().openFile(Tr::tr("图片文件(*.jpg *.jpeg *.png)"), QString());
  if (file.isEmpty()) return;
  ThemePicture picture;
  try {
    picture = themePictureFromFile(kind, file);
  } catch (const Error& e) {
    // What is shown stays as it was.
    dialogs().info(e.message());
    return;
  }
  (kind == ThemePictureKind::Background ? background_ : logo_) = picture.image;
  (kind == ThemePictureKind::Background ? backgroundChange_ : logoChange_) = picture.bytes;
  refreshPreview();
}

void ThemeGroup::clearPicture(ThemePictureKind kind) {
  (kind == ThemePictureKind::Background ? background_ : logo_) = QImage();
  (kind == ThemePictureKind::Background ? backgroundChange_ : logoChange_) = QByteArray();
  refreshPreview();
}

void ThemeGroup::chooseBackground() { choosePicture(ThemePictureKind::Background); }
void ThemeGroup::clearBackground() { clearPicture(ThemePictureKind::Background); }
void ThemeGroup::chooseLogo() { choosePicture(ThemePictureKind::Logo); }
void ThemeGroup::clearLogo() { clearPicture(ThemePictureKind::Logo); }

void ThemeGroup::chooseColour(int which) {
  const QColor current = colours_[which].isValid() ? colours_[which] : defaultColour(which);
  const QColor chosen = dialogs().chooseColour(current, colourTitle(which));
  if (!chosen.isValid()) return;
  colours_[which] = chosen;
  refreshPreview();
}

void ThemeGroup::restoreDefaults() {
  for (QColor& c : colours_) c = QColor();
  clearPicture(ThemePictureKind::Background);
  clearPicture(ThemePictureKind::Logo);
}

}  // namespace ld
