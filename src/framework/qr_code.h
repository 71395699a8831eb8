#pragma once
// QR codes through libqrencode: the stage's check-in link and the invitation cards' personal links.
#include <QByteArray>
#include <QRectF>
#include <vector>

class QPainter;

namespace ld {

class QrCode {
 public:
  // Encodes `text` (8-bit, medium error correction). Throws Error when it is too long for any QR version.
  explicit QrCode(const QByteArray& text);

  // Modules per side, without the quiet zone.
  int size() const { return size_; }
  bool dark(int x, int y) const { return modules_[size_t(y * size_ + x)]; }

  // Paints the code black on white, its four-module quiet zone included, as the largest square of whole
  // pixels per module that fits `area`, centred in it.
  void paint(QPainter& painter, const QRectF& area) const;

  static constexpr int kQuietZone = 4;

 private:
  int size_ = 0;
  std::vector<bool> modules_;
};

}  // namespace ld
