#include "framework/qr_code.h"

#include <qrencode.h>

#include <QPainter>
#include <cmath>
#include <memory>

#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

QrCode::QrCode(const QByteArray& text) {
  const std::unique_ptr<QRcode, void (*)(QRcode*)> code(
      QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), QRcode_free);
  if (!code) throw Error(Tr::tr("无法生成二维码：内容太长（%1 字节）").arg(text.size()));
  size_ = code->width;
  modules_.resize(size_t(size_) * size_t(size_));
  // The lowest bit of each byte is the module's colour; the others say what the module is part of.
  for (size_t i = 0; i < modules_.size(); ++i) modules_[i] = (code->data[i] & 1) != 0;
}

void QrCode::paint(QPainter& painter, const QRectF& area) const {
  const int sideModules = size_ + 2 * kQuietZone;
  // Whole pixels per module keep every module the same size, which scanners need; a page (PDF) has no
  // pixels, so there any size goes.
  double module = std::min(area.width(), area.height()) / sideModules;
  if (module >= 1.0 && painter.device() && painter.device()->devType() != QInternal::Printer &&
      painter.device()->devType() != QInternal::Picture)
    module = std::floor(module);
  const double side = module * sideModules;
  const QPointF origin(area.center().x() - side / 2, area.center().y() - side / 2);
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRectF(origin, QSizeF(side, side)), Qt::white);
  painter.setBrush(Qt::black);
  for (int y = 0; y < size_; ++y)
    for (int x = 0; x < size_; ++x)
      if (dark(x, y))
        painter.drawRect(QRectF(origin.x() + (x + kQuietZone) * module,
                                origin.y() + (y + kQuietZone) * module, module, module));
  painter.restore();
}

}  // namespace ld
