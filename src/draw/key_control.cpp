#include "draw/key_control.h"
#include "framework/text.h"

#include <algorithm>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

namespace ld {

KeyAction keyActionFor(const QKeyEvent& event) {
  // Alt+F4, Ctrl+… and the like belong to the window system and the controls.
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return KeyAction::None;
  switch (event.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_PageDown:
    case Qt::Key_Right:
    case Qt::Key_Down:
      return KeyAction::Draw;
    case Qt::Key_B:
    case Qt::Key_Period:
      return KeyAction::Blank;
    case Qt::Key_F11:
      return KeyAction::Presentation;
    case Qt::Key_F1:
    case Qt::Key_Question:
      return KeyAction::Help;
    case Qt::Key_Escape:
      return KeyAction::Dismiss;
    case Qt::Key_Backspace:
      return KeyAction::Cancel;
    case Qt::Key_Delete:
    case Qt::Key_R:
      return KeyAction::Absent;
    case Qt::Key_M:
      return KeyAction::Mute;
    case Qt::Key_S:
      return KeyAction::NextScreen;
    case Qt::Key_F10:
      return KeyAction::Stage;
    case Qt::Key_PageUp:
      return KeyAction::TurnPage;
    case Qt::Key_F9:
      return KeyAction::Panel;
    case Qt::Key_0:
      return KeyAction::UsualOrder;
    default:
      break;
  }
  if (event.key() >= Qt::Key_1 && event.key() <= Qt::Key_9)
    return static_cast<KeyAction>(static_cast<int>(KeyAction::Prize1) + (event.key() - Qt::Key_1));
  return KeyAction::None;
}

int prizeKeyNumber(KeyAction action) {
  const int number = static_cast<int>(action) - static_cast<int>(KeyAction::Prize1) + 1;
  return number >= 1 && number <= 9 ? number : 0;
}

const std::vector<KeyHelpLine>& keyHelpLines() {
  static const std::vector<KeyHelpLine> lines = {
      {Tr::tr("空格  回车  PgDn  →  ↓"), Tr::tr("开始 / 停止抽奖")},
      {QStringLiteral("Delete / R"), Tr::tr("中奖者不在场：标记缺席，下一次停止重抽同一奖项")},
      {QStringLiteral("B / ."), Tr::tr("黑屏 / 恢复")},
      {QStringLiteral("F10"), Tr::tr("舞台：观众屏幕显示全屏的抽奖画面")},
      {QStringLiteral("PgUp"), Tr::tr("舞台上的中奖名单翻到下一页")},
      {QStringLiteral("F9"), Tr::tr("抽奖控制台：选择奖项、标记缺席、作废中奖")},
      {QStringLiteral("1 … 9 / 0"), Tr::tr("下一次抽取该编号的奖项 / 恢复按顺序抽取")},
      {QStringLiteral("F11"), Tr::tr("演示模式：放大到整个屏幕")},
      {QStringLiteral("S"), Tr::tr("移到下一个屏幕")},
      {QStringLiteral("M"), Tr::tr("声音 开 / 关")},
      {QStringLiteral("F1 / ?"), Tr::tr("显示 / 隐藏本说明")},
      {QStringLiteral("Esc / Backspace"), Tr::tr("滚动中：取消本次抽奖，不抽出任何人")},
      {QStringLiteral("Esc"), Tr::tr("关闭本说明或黑屏（不会退出程序）")},
  };
  return lines;
}

bool takesText(const QWidget* widget) {
  if (!widget) return false;
  if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
      qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
      qobject_cast<const QKeySequenceEdit*>(widget))
    return true;
  const auto* combo = qobject_cast<const QComboBox*>(widget);
  return combo && combo->isEditable();
}

namespace {
// A repeat comes with the release it follows, to the millisecond; a finger takes far longer.
constexpr quint64 kReleaseToRepeat = 5;
// A held key first repeats after a delay (often 660 ms, rarely over a second), then every few tens of
// milliseconds; a key "held" longer than this without a repeat lost its release to another window.
constexpr quint64 kRepeatGap = 1200;
}  // namespace

bool KeyRepeats::isRepeat(const QKeyEvent& press) {
  if (press.isAutoRepeat()) return true;
  const quint64 now = press.timestamp();
  if (now == 0) return false;
  State& key = keys_[press.key()];
  const bool repeat = (key.down && now - key.lastPress <= kRepeatGap) ||
                      (!key.down && key.lastRelease != 0 && now - key.lastRelease <= kReleaseToRepeat);
  key.down = true;
  key.lastPress = now;
  return repeat;
}

void KeyRepeats::released(const QKeyEvent& release) {
  if (release.timestamp() == 0) return;
  State& key = keys_[release.key()];
  key.down = false;
  key.lastRelease = release.timestamp();
}

KeyControl::KeyControl(Handler handler, WindowTest drawWindow, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), drawWindow_(std::move(drawWindow)) {
  qApp->installEventFilter(this);
  // A key that changes the window in front (F11, S) has its release go to a window that is gone.
  connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { repeats_.clear(); });
}

KeyControl::~KeyControl() { qApp->removeEventFilter(this); }

bool KeyControl::applies(QObject* watched) const {
  // Only the program's own widgets, and not while a question or a menu waits for its answer.
  if (!watched->isWidgetType()) return false;
  if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
  // A key a text field leaves alone (Return in a line edit) travels up to its parents: the field with the
  // focus in the receiver's window counts too.
  const auto* widget = static_cast<const QWidget*>(watched);
  if (drawWindow_ && !drawWindow_(widget->window())) return false;
  return !takesText(widget) && !takesText(widget->window()->focusWidget()) &&
         !takesText(QApplication::focusWidget());
}

bool KeyControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ApplicationDeactivate) repeats_.clear();
  const bool press = event->type() == QEvent::KeyPress;
  if ((!press && event->type() != QEvent::KeyRelease) || !applies(watched))
    return QObject::eventFilter(watched, event);
  const auto* key = static_cast<const QKeyEvent*>(event);
  const KeyAction action = keyActionFor(*key);
  if (action == KeyAction::None) return QObject::eventFilter(watched, event);
  if (!press) {
    repeats_.released(*key);
    return QObject::eventFilter(watched, event);
  }
  // One press, one action: the repeats of a held key are swallowed.
  if (key->isAutoRepeat()) return true;
  // The same press comes by again on its way up to the control's parents; it is no repeat of itself.
  const bool again = key == lastPress_.event && key->timestamp() != 0 &&
                     key->timestamp() == lastPress_.timestamp && key->key() == lastPress_.key;
  if (!again) {
    lastPress_ = {key, key->timestamp(), key->key()};
    if (repeats_.isRepeat(*key)) return true;
  }
  return handler_(action);
}

KeyHelp::KeyHelp(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("KeyHelp"));
  setAttribute(Qt::WA_TranslucentBackground);
  QFont font(QStringLiteral("幼圆"));
  font.setPixelSize(15);
  setFont(font);
  setCursor(Qt::PointingHandCursor);
  hide();
}

void KeyHelp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath card;
  card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
  painter.fillPath(card, QColor(20, 24, 40, 248));
  painter.setPen(QColor(248, 179, 48));
  painter.drawPath(card);

  QFont title = font();
  title.setBold(true);
  title.setPixelSize(font().pixelSize() + 3);
  painter.setFont(title);
  painter.setPen(Qt::white);
  const int margin = 18;
  painter.drawText(QRect(margin, 12, width() - 2 * margin, 28), Qt::AlignLeft | Qt::AlignVCenter,
                   Tr::tr("按键"));
  painter.setFont(font());
  // The keys are short; their meanings take the rest of the room, one line each where they can.
  int keysWidth = 0;
  for (const KeyHelpLine& entry : keyHelpLines())
    keysWidth = std::max(keysWidth, painter.fontMetrics().horizontalAdvance(entry.keys));
  keysWidth = std::min(margin + keysWidth + 24, width() / 2);
  int y = 48;
  const int line = (height() - y - 12) / static_cast<int>(keyHelpLines().size());
  for (const KeyHelpLine& entry : keyHelpLines()) {
    painter.setPen(QColor(248, 179, 48));
    painter.drawText(QRect(margin, y, keysWidth - margin, line), Qt::AlignLeft | Qt::AlignVCenter,
                     entry.keys);
    painter.setPen(Qt::white);
    painter.drawText(QRect(keysWidth, y, width() - keysWidth - margin, line),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, entry.meaning);
    y += line;
  }
}

void KeyHelp::mousePressEvent(QMouseEvent*) { hide(); }

}  // namespace ld
