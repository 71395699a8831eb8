// GIF image and picture control: pictures whose logical screen or frame would need absurd memory are
// refused before anything of that size is allocated, with a message naming the file, and the image and
// the control keep the picture they had.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QWidget>
#include <atomic>
#include <cstddef>

#include "widgets/gif_animator.h"
#include "widgets/gif_image.h"
#include "widgets/gif_test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define LD_ALLOCATION_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LD_ALLOCATION_HOOKS 1
#endif
#endif
#ifdef LD_ALLOCATION_HOOKS
// The sanitizer runtime's hook registration (GCC ships no header for it).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#else
#include <sys/resource.h>
#endif

using namespace giftest;

namespace {

// The largest single allocation while f runs (with AddressSanitizer's allocator hooks); without them, how
// far the process's peak resident size grew, which a filled canvas or decode buffer of that size raises too.
#ifdef LD_ALLOCATION_HOOKS
std::atomic<std::size_t> gLargest{0};
void onMalloc(const volatile void*, std::size_t size) {
  std::size_t seen = gLargest.load(std::memory_order_relaxed);
  while (size > seen && !gLargest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
  }
}
void onFree(const volatile void*) {}

template <class F>
std::size_t largestAllocation(F&& f) {
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
  EXPECT_TRUE(installed);
  gLargest = 0;
  f();
  return gLargest.load();
}
#else
template <class F>
std::size_t largestAllocation(F&& f) {
  auto peak = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
  };
  const std::size_t before = peak();
  f();
  return peak() - before;
}
#endif

constexpr std::size_t kSmall = std::size_t{16} << 20;

// The 35-byte picture of the report: a logical screen of w x h, a two-colour table and one frame as large
// as the screen (width and height 0 take the screen's) holding four pixels of data.
QByteArray absurdGif(int w, int h) {
  return GifBuilder()
      .header(w, h, {qRgb(0, 0, 0), qRgb(255, 255, 255)})
      .image(0, 0, 0, 0, packCodes(2, {{4, 3}, {1, 3}, {0, 3}, {1, 3}, {5, 3}}))
      .trailer()
      .bytes;
}

QByteArray smallGif(QRgb colour) {
  return GifBuilder()
      .header(6, 4, {colour, qRgb(1, 2, 3)})
      .image(0, 0, 6, 4, literalData(2, std::vector<std::uint8_t>(24, 0)))
      .trailer()
      .bytes;
}

QString refusal(const std::function<void()>& f) {
  try {
    f();
  } catch (const ld::GifCanvasTooLarge& e) {
    return e.message();
  } catch (const std::exception& e) {
    return QStringLiteral("other: ") + QString::fromUtf8(e.what());
  }
  return {};
}

}  // namespace

TEST(GifCanvas, AbsurdScreensAreRefusedWithoutABigAllocation) {
  for (int side : {20000, 65535}) {
    const QByteArray file = absurdGif(side, side);
    ASSERT_EQ(file.size(), 35);
    TGIFImage img;
    img.loadFromData(smallGif(qRgb(10, 200, 30)));
    const auto header = img.header();
    int changes = 0;
    img.OnChange = [&] { ++changes; };
    QString message;
    const std::size_t largest =
        largestAllocation([&] { message = refusal([&] { img.loadFromData(file); }); });
    EXPECT_LT(largest, kSmall) << side;
    EXPECT_TRUE(message.contains(QStringLiteral("%1 × %1").arg(side))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("已拒绝"))) << message.toStdString();
    // The picture it had stays, whole.
    EXPECT_EQ(img.header().get(), header.get());
    EXPECT_EQ(changes, 0);
    ASSERT_EQ(img.frameCount(), 1);
    EXPECT_EQ(img.currentIndex(), 0);
    EXPECT_EQ(img.screenWidth(), 6);
    EXPECT_EQ(img.frame(0).bitmap().pixel(5, 3), qRgb(10, 200, 30));
    // The same through form data.
    EXPECT_FALSE(refusal([&] { img.readFormData(QByteArray("\x23\0\0\0", 4) + file); }).isEmpty());
    EXPECT_EQ(img.header().get(), header.get());
  }
}

TEST(GifCanvas, AbsurdFrameInASmallScreenIsRefused) {
  TGIFImage img;
  const QByteArray file = GifBuilder()
                              .header(10, 10, {qRgb(0, 0, 0), qRgb(255, 255, 255)})
                              .image(0, 0, 10, 10, literalData(2, std::vector<std::uint8_t>(100, 1)))
                              .image(0, 0, 65535, 40000, packCodes(2, {{4, 3}, {1, 3}, {5, 3}}))
                              .trailer()
                              .bytes;
  QString message;
  EXPECT_LT(largestAllocation([&] { message = refusal([&] { img.loadFromData(file); }); }), kSmall);
  EXPECT_TRUE(message.contains(QStringLiteral("65535 × 40000"))) << message.toStdString();
  EXPECT_EQ(img.frameCount(), 0) << "an image that held nothing holds nothing";
}

TEST(GifCanvas, TheLimitLiesWellAboveTheShippedPictures) {
  // Pixels of the screen: 1280 x 1024 and an 8K screen load; one more row than the limit does not.
  struct Case {
    int w, h;
    bool accepted;
  };
  for (const Case& c : {Case{1280, 1024, true}, Case{7680, 4320, true}, Case{8192, 4096, true},
                        Case{8192, 4097, false}, Case{65535, 512, true}, Case{65535, 513, false}}) {
    const QByteArray file = GifBuilder()
                                .header(c.w, c.h, {qRgb(0, 0, 0), qRgb(255, 255, 255)})
                                .image(0, 0, 2, 2, literalData(2, {1, 0, 0, 1}))
                                .trailer()
                                .bytes;
    TGIFImage img;
    EXPECT_EQ(refusal([&] { img.loadFromData(file); }).isEmpty(), c.accepted) << c.w << "x" << c.h;
    EXPECT_EQ(img.screenWidth(), c.accepted ? c.w : 0) << c.w << "x" << c.h;
  }
}

TEST(GifCanvas, LoadFromFileNamesTheFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("logo.gif"));
  writeFile(path, absurdGif(20000, 20000));
  TGIFImage img;
  const QString message = refusal([&] { img.loadFromFile(path); });
  EXPECT_TRUE(message.contains(QDir::toNativeSeparators(path))) << message.toStdString();
  EXPECT_TRUE(message.contains(QStringLiteral("20000 × 20000"))) << message.toStdString();
}

TEST(GifCanvas, AssigningAnAbsurdPictureIsRefusedAndChangesNothing) {
  TGIFImage target;
  target.loadFromData(smallGif(qRgb(200, 0, 0)));
  const auto header = target.header();

  // A frame moved far out: an image made from it would need a screen of 30006 x 30004.
  TGIFImage far;
  far.loadFromData(smallGif(qRgb(0, 0, 200)));
  far.frame(0).setOrigin(QPoint(30000, 30000));
  EXPECT_TRUE(refusal([&] { target.assign(far.frame(0)); }).contains(QStringLiteral("30006 × 30004")));
  EXPECT_TRUE(
      refusal([&] { target.frame(0).assign(far.frame(0)); }).contains(QStringLiteral("30006 × 30004")));

  // A picture larger than the limit (1 bit a pixel, so the test itself stays small).
  const QImage wide(8193, 4096, QImage::Format_Mono);
  ASSERT_FALSE(wide.isNull());
  EXPECT_FALSE(refusal([&] { target.assign(wide); }).isEmpty());
  EXPECT_FALSE(refusal([&] { target.addFrame(wide); }).isEmpty());
  EXPECT_FALSE(refusal([&] { target.frame(0).assign(wide); }).isEmpty());

  EXPECT_EQ(target.header().get(), header.get());
  ASSERT_EQ(target.frameCount(), 1);
  EXPECT_EQ(target.frame(0).origin(), QPoint(0, 0));
  EXPECT_EQ(target.screenWidth(), 6);
  EXPECT_EQ(target.frame(0).bitmap().pixel(0, 0), qRgb(200, 0, 0));
}

TEST(GifCanvas, ARefusingControlKeepsItsPictureAndGoesOnWorking) {
  QWidget parent;
  parent.resize(60, 40);
  auto* control = new TGIFAnimator(&parent);
  control->move(5, 7);
  parent.show();
  QTemporaryDir dir;
  const QString good = dir.filePath(QStringLiteral("good.gif"));
  const QString absurd = dir.filePath(QStringLiteral("absurd.gif"));
  writeFile(good, smallGif(qRgb(0, 0, 255)));
  writeFile(absurd, absurdGif(20000, 20000));
  control->loadFromFile(good);
  ASSERT_EQ(control->geometry(), QRect(5, 7, 6, 4));
  int changes = 0;
  QObject::connect(control, &TGIFAnimator::OnChange, [&] { ++changes; });

  QString message;
  const std::size_t largest = largestAllocation([&] {
    message = refusal([&] { control->loadFromFile(absurd); });
    parent.grab();
  });
  EXPECT_LT(largest, kSmall);
  EXPECT_TRUE(message.contains(QDir::toNativeSeparators(absurd))) << message.toStdString();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(control->geometry(), QRect(5, 7, 6, 4)) << "no dead area over its neighbours";
  EXPECT_EQ(control->composedFrame().pixel(5, 3), qRgb(0, 0, 255));
  EXPECT_EQ(parent.grab().toImage().pixel(10, 10), qRgb(0, 0, 255)) << "shows its previous picture";

  // A sound picture is taken as usual afterwards.
  control->image().loadFromData(smallGif(qRgb(0, 255, 0)));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(parent.grab().toImage().pixel(10, 10), qRgb(0, 255, 0));
}
