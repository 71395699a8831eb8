#include "transfer/invitation_cards.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QUrl>

#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/qr_code.h"
#include "framework/text.h"

namespace ld {

namespace {

constexpr int kResolution = 300;  // dots per inch of the page's coordinates

// The cards are printed for the event, like an exported table: their words do not follow the language the
// tool happens to speak.
const QString kCodeLabel = QStringLiteral("签到码");
const QString kEmployeeIdLabel = QStringLiteral("工号");
const QString kScanLabel = QStringLiteral("扫码签到");

QFont cardFont(qreal points, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                    QStringLiteral("Droid Sans Fallback")});
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QFont codeFont(qreal points) {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setPointSizeF(points);
  font.setBold(true);
  font.setLetterSpacing(QFont::PercentageSpacing, 115);
  return font;
}

// One line of text in `box`, the font made smaller until it fits: a long name is never cut.
void fittedLine(QPainter& p, const QRectF& box, const QString& text, QFont font, Qt::Alignment align) {
  while (font.pointSizeF() > 5 && QFontMetricsF(font, p.device()).horizontalAdvance(text) > box.width())
    font.setPointSizeF(font.pointSizeF() * 0.9);
  p.setFont(font);
  p.drawText(box, int(align | Qt::AlignVCenter) | Qt::TextSingleLine, text);
}

void paintCard(QPainter& p, const QRectF& card, const PersonalCode& person, const QStringList& heading,
               const QString& baseUrl) {
  // A thin dashed edge to cut along.
  p.setPen(QPen(QColor(0x99, 0x99, 0x99), 2, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(card);
  const qreal pad = card.height() * 0.07;
  const QRectF inner = card.adjusted(pad, pad, -pad, -pad);
  const qreal qrSide = std::min(inner.height() * 0.78, inner.width() * 0.42);
  const QRectF qr(inner.right() - qrSide, inner.top(), qrSide, qrSide);
  QrCode(checkInLink(baseUrl, person.employeeId, person.code).toUtf8()).paint(p, qr);
  p.setPen(QColor(0x55, 0x55, 0x55));
  fittedLine(p, QRectF(qr.left(), qr.bottom(), qrSide, inner.height() * 0.1), kScanLabel, cardFont(8),
             Qt::AlignHCenter);

  const qreal left = inner.left();
  const qreal width = qr.left() - pad - left;
  qreal y = inner.top();
  const auto line = [&](const QString& text, const QFont& font, qreal share, const QColor& colour) {
    const QRectF box(left, y, width, inner.height() * share);
    p.setPen(colour);
    fittedLine(p, box, text, font, Qt::AlignLeft);
    y += box.height();
  };
  const QString top = heading.join(QStringLiteral("  "));
  if (!top.isEmpty()) line(top, cardFont(8), 0.14, QColor(0x80, 0x1F, 0x1F));
  line(person.name, cardFont(20, true), 0.24, Qt::black);
  line(person.department, cardFont(11), 0.14, QColor(0x33, 0x33, 0x33));
  if (!person.employeeId.isEmpty())
    line(kEmployeeIdLabel + QStringLiteral("  ") + person.employeeId, cardFont(10), 0.12,
         QColor(0x33, 0x33, 0x33));
  y = std::max(y, inner.top() + inner.height() * 0.62);
  line(kCodeLabel, cardFont(8), 0.1, QColor(0x55, 0x55, 0x55));
  // The code takes what is left, in letters as large as fit: it is typed from the card.
  p.setPen(Qt::black);
  fittedLine(p, QRectF(left, y, width, inner.bottom() - y), person.code, codeFont(24), Qt::AlignLeft);
}

}  // namespace

QString checkInBaseProblem(const QString& baseUrl) {
  const QUrl url(baseUrl.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
      url.host().isEmpty())
    return Tr::tr("签到网址应以 http:// 或 https:// 开头并带有主机名：%1").arg(baseUrl);
  if (url.hasQuery() || url.hasFragment())
    return Tr::tr("签到网址不能带有 ? 或 # 后面的部分：%1").arg(baseUrl);
  return {};
}

QString checkInLink(const QString& baseUrl, const QString& employeeId, const QString& code) {
  QString base = baseUrl.trimmed();
  while (base.endsWith(QLatin1Char('/'))) base.chop(1);
  return base + QStringLiteral("/checkin?gh=") + QString::fromLatin1(QUrl::toPercentEncoding(employeeId)) +
         QStringLiteral("&code=") + QString::fromLatin1(QUrl::toPercentEncoding(code));
}

int writeInvitationCards(const QString& file, const std::vector<PersonalCode>& people,
                         const QStringList& heading, const QString& baseUrl) {
  if (const QString problem = checkInBaseProblem(baseUrl); !problem.isEmpty()) throw Error(problem);
  if (people.empty()) throw Error(Tr::tr("名单中没有参与者，没有邀请卡可写"));
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly))
    throw Error(Tr::tr("无法写入文件 %1：%2").arg(shown(file), out.errorString()));
  QPdfWriter pdf(&out);
  pdf.setResolution(kResolution);
  pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(8, 8, 8, 8),
                                QPageLayout::Millimeter));
  pdf.setTitle(QStringLiteral("签到邀请卡"));
  pdf.setCreator(QStringLiteral("eventdb"));
  QPainter p;
  if (!p.begin(&pdf)) throw Error(Tr::tr("无法写入文件 %1：%2").arg(shown(file), out.errorString()));
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF page(QPointF(0, 0), QSizeF(pdf.pageLayout().paintRectPixels(kResolution).size()));
  const QSizeF cell(page.width() / kCardColumns, page.height() / kCardRows);
  const qreal gap = cell.height() * 0.03;
  int pages = 1;
  for (size_t i = 0; i < people.size(); ++i) {
    const int slot = int(i % kCardsPerPage);
    if (i > 0 && slot == 0) {
      pdf.newPage();
      ++pages;
    }
    const QRectF card(QPointF((slot % kCardColumns) * cell.width(), (slot / kCardColumns) * cell.height()),
                      cell);
    paintCard(p, card.adjusted(gap, gap, -gap, -gap), people[i], heading, baseUrl);
  }
  if (!p.end() || !out.commit())
    throw Error(Tr::tr("无法写入文件 %1：%2").arg(shown(file), out.errorString()));
  return pages;
}

}  // namespace ld
