// The two languages: which one speaks, switching between them, and the English texts themselves.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>

#include "framework/application.h"
#include "framework/errors.h"
#include "framework/text.h"

using namespace ld;

TEST(Language, TheOptionIsTakenOutWhereverItStands) {
  const struct {
    QStringList args, left;
    QString value;
  } cases[] = {
      {{"import", "--lang", "en", "x.csv"}, {"import", "x.csv"}, "en"},
      {{"import", "x.csv", "--lang=zh"}, {"import", "x.csv"}, "zh"},
      {{"import", "--lang"}, {"import"}, "?"},  // a missing value is refused by chooseLanguage
      {{"import", "x.csv"}, {"import", "x.csv"}, ""},
  };
  for (const auto& c : cases) {
    QStringList args = c.args;
    EXPECT_EQ(takeLanguageOption(args), c.value) << c.args.join(' ').toStdString();
    EXPECT_EQ(args, c.left);
  }
}

TEST(Language, TheOptionWinsThenAnEnglishSystemLocaleThenChinese) {
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  const struct {
    const char* option;
    QLocale system;
    Language expected;
  } cases[] = {
      {"", english, Language::English},        {"", chinese, Language::Chinese},
      {"", QLocale::c(), Language::Chinese},   {"", QLocale(QLocale::German), Language::Chinese},
      {"en", chinese, Language::English},      {"zh", english, Language::Chinese},
      {"en", QLocale::c(), Language::English},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.system.name().toStdString());
    EXPECT_EQ(chooseLanguage(QString::fromLatin1(c.option), c.system), c.expected);
  }
  for (const char* bad : {"EN", "fr", "?", "english"})
    EXPECT_THROW(chooseLanguage(QString::fromLatin1(bad), english), Error) << bad;
}

TEST(Language, SwitchesTheProgramsTextsQtsDialogsAndTheLocaleBothWays) {
  auto* app = QCoreApplication::instance();
  const QString chineseYes = QCoreApplication::translate("QPlatformTheme", "&Yes");
  ASSERT_TRUE(setLanguage(*app, Language::English));
  EXPECT_EQ(Tr::tr("提示"), QStringLiteral("Notice"));
  EXPECT_EQ(Tr::tr("无法锁定活动文件夹 %1：%2").arg(QStringLiteral("/e"), QStringLiteral("x")),
            QStringLiteral("Cannot lock the event folder /e: x"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"))
      << "Qt's Chinese dialogs are gone";
  EXPECT_EQ(QLocale().language(), QLocale::English);
  // Switching again does not stack translators.
  ASSERT_TRUE(setLanguage(*app, Language::English));
  EXPECT_EQ(app->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly).size(), 1);

  setLanguage(*app, Language::Chinese);
  EXPECT_EQ(Tr::tr("提示"), QStringLiteral("提示"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), chineseYes);
  EXPECT_EQ(QLocale().language(), QLocale::Chinese);
}

namespace {

struct Message {
  QString source;
  QString translation;
  bool finished = false;
};

QList<Message> englishMessages() {
  QFile file(QStringLiteral(LUCKYDRAW_TEST_DATA "/../../translations/luckydraw_en.ts"));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
  QList<Message> messages;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("message")) {
      messages.append(Message{});
    } else if (xml.name() == QLatin1String("source")) {
      messages.back().source = xml.readElementText();
    } else if (xml.name() == QLatin1String("translation")) {
      messages.back().finished = xml.attributes().value(QLatin1String("type")).isEmpty();
      messages.back().translation = xml.readElementText();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return messages;
}

QStringList placeholders(const QString& text) {
  QStringList found;
  for (const auto& m : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text)) found << m.captured();
  found.sort();
  return found;
}

}  // namespace

// A translation that drops or adds a %n breaks the message it is put into; one that drops a line break runs
// two sentences together where the program joins texts.
TEST(EnglishTexts, EveryTextIsTranslatedWithItsPlaceholdersAndLineBreaks) {
  const QList<Message> messages = englishMessages();
  ASSERT_GT(messages.size(), 100);
  for (const Message& m : messages) {
    SCOPED_TRACE(m.source.toStdString());
    EXPECT_TRUE(m.finished && !m.translation.isEmpty());
    EXPECT_EQ(placeholders(m.translation), placeholders(m.source));
    EXPECT_EQ(m.translation.count(QLatin1Char('\n')), m.source.count(QLatin1Char('\n')));
    EXPECT_EQ(m.translation.endsWith(QLatin1Char('\n')), m.source.endsWith(QLatin1Char('\n')));
    EXPECT_FALSE(m.translation.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))))
        << m.translation.toStdString();
  }
}
