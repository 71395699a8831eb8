// GIF image: inputs kept from fuzzing (tests/data/gif/), replayed through the same checks as the
// fuzz harness (tests/fuzz/gif_fuzz_checks.h): no crash, and the save-and-reload and encode properties.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "fuzz/gif_fuzz_checks.h"
#include "widgets/gif_test_util.h"

namespace {

void replay(const QByteArray& input) {
  gif_fuzz::onFailure = [](const char* what) { throw std::runtime_error(what); };
  gif_fuzz::runOne(reinterpret_cast<const std::uint8_t*>(input.constData()),
                   static_cast<std::size_t>(input.size()));
}

}  // namespace

TEST(GifFuzzRegression, KeptInputsPassTheHarnessChecks) {
  const QDir dir(QStringLiteral(LUCKYDRAW_TEST_DATA "/gif"));
  const QStringList files = dir.entryList(QDir::Files, QDir::Name);
  ASSERT_FALSE(files.isEmpty());
  for (const QString& name : files) {
    const QByteArray input = giftest::readFile(dir.filePath(name));
    for (std::uint8_t mode :
         {std::uint8_t(0), std::uint8_t(1), std::uint8_t(2), std::uint8_t(4), std::uint8_t(4 | 8 | 16)}) {
      QByteArray withMode = input;
      withMode[0] = static_cast<char>(mode);
      EXPECT_NO_THROW(replay(withMode)) << name.toStdString() << " mode " << int(mode);
    }
  }
  EXPECT_TRUE(ld::gifLoadCorrupted());
}

// Found by the fuzzer: a comment sub-block whose length byte is the last byte of the data gave an empty
// comment line, which cannot be written back (a zero length ends the sub-blocks).
TEST(GifFuzzRegression, CommentBlockCutAtTheEndAddsNoEmptyLine) {
  QByteArray file = giftest::GifBuilder().header(8, 8, {qRgb(0, 0, 0), qRgb(255, 255, 255)}).bytes;
  file.append(
      "\x21\xFE\x03"
      "abc"
      "\x3B",
      7);  // the length 0x3B has no bytes after it
  TGIFImage img;
  img.loadFromData(file);
  EXPECT_EQ(img.comment(), QList<QByteArray>{"abc"});
  TGIFImage back;
  back.loadFromData(img.saveToData());
  EXPECT_EQ(back.comment(), img.comment());
}

// Found by the fuzzer: a logical screen of 0 x 0 was written as the frames' extent, so it did not load back.
TEST(GifFuzzRegression, ZeroScreenIsWrittenAsStored) {
  QByteArray file = giftest::GifBuilder()
                        .header(0, 0, {qRgb(0, 0, 0), qRgb(255, 255, 255)})
                        .image(3, 4, 2, 1, giftest::literalData(2, {1, 0}))
                        .trailer()
                        .bytes;
  TGIFImage img;
  img.loadFromData(file);
  EXPECT_EQ(img.screenWidth(), 0);
  TGIFImage back;
  back.loadFromData(img.saveToData());
  EXPECT_EQ(back.screenWidth(), 0);
  EXPECT_EQ(back.screenHeight(), 0);
  EXPECT_EQ(back.frame(0).origin(), QPoint(3, 4));
  EXPECT_EQ(back.saveToData(), img.saveToData());
}
