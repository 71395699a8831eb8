// The sealed generator and its text on their own: rejection of the uneven top of the range, the press that
// removes each winner from the pool, fairness over many presses, and the sealed text read back as written.
#include <gtest/gtest.h>

#include <QStringList>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "framework/errors.h"
#include "proof/seal_serialization.h"
#include "proof/sealed_generator.h"

using namespace ld;

namespace {

constexpr uint64_t kTop = ~uint64_t(0);  // 2^64 - 1

// An attempt function that plays back `values` and records the counters asked for.
struct Scripted {
  std::vector<uint64_t> values;
  std::vector<uint64_t> asked;
  SealedGenerator::Attempt attempt() {
    return [this](uint64_t counter) {
      asked.push_back(counter);
      return values.at(asked.size() - 1);
    };
  }
};

struct RejectionCase {
  const char* name;
  uint64_t n;
  std::vector<uint64_t> values;  // the attempts' values, in order
  uint64_t index;                // the index given
  size_t attempts;               // attempts it took
};

TEST(SealedGenerator, ValuesInTheUnevenTopOfTheRangeAreRejected) {
  // 2^64 mod 3 = 1, so only 2^64 - 1 is rejected; 2^64 mod 10 = 6, so the top six are.
  const RejectionCase cases[] = {
      {"n = 3, top value", 3, {kTop, 5}, 2, 2},
      {"n = 3, just below the limit", 3, {kTop - 1}, (kTop - 1) % 3, 1},
      {"n = 10, the six top values", 10, {kTop, kTop - 5, kTop - 6}, (kTop - 6) % 10, 3},
      {"n = 8 divides 2^64: nothing rejected", 8, {kTop}, 7, 1},
      {"n = 1", 1, {kTop}, 0, 1},
  };
  for (const RejectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scripted script{c.values, {}};
    SealedGenerator generator(script.attempt(), 40);
    EXPECT_EQ(generator.index(c.n), c.index);
    ASSERT_EQ(script.asked.size(), c.attempts);
    for (size_t i = 0; i < c.attempts; ++i) EXPECT_EQ(script.asked[i], 40 + i) << "every attempt advances";
    EXPECT_EQ(generator.counter(), 40 + c.attempts);
  }
}

TEST(SealedGenerator, APressTakesFromThePoolAsItStandsAndAnEmptyPoolTakesNoAttempt) {
  // Values 1, 4, 6 give indices 1 (of 4), 1 (of 3), 0 (of 2): 20, then 30 from [10, 30, 40], then 10.
  Scripted script{{1, 4, 6}, {}};
  SealedGenerator generator(script.attempt(), 0);
  EXPECT_EQ(sealedPress({10, 20, 30, 40}, 3, generator), (std::vector<int>{20, 30, 10}));
  EXPECT_EQ(sealedPress({}, 3, generator), std::vector<int>{});
  EXPECT_EQ(generator.counter(), 3u);
  // More places than people: everybody, once.
  Scripted more{{0, 0, 0}, {}};
  SealedGenerator g2(more.attempt(), 0);
  EXPECT_EQ(sealedPress({7, 8}, 5, g2), (std::vector<int>{7, 8}));
  EXPECT_EQ(g2.counter(), 2u);
}

TEST(SealedGenerator, TheSeedAndTheCounterDecideEveryAttempt) {
  const QByteArray secret(32, '\x01'), seal(32, '\x02');
  const QByteArray seed = sealedSeed(secret, seal, QStringLiteral("号码 1 2 3"));
  EXPECT_EQ(seed.size(), 32);
  EXPECT_NE(seed, sealedSeed(secret, seal, QStringLiteral("号码 1 2 4")));
  EXPECT_NE(seed, sealedSeed(secret, QByteArray(32, '\x03'), QStringLiteral("号码 1 2 3")));
  // A generator resumed at a stored counter goes on exactly where the first left off.
  SealedGenerator first(seed, 0);
  for (int i = 0; i < 5; ++i) first.index(1000);
  SealedGenerator resumed(seed, first.counter());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(first.index(997), resumed.index(997));
  EXPECT_NE(sealedAttempt(seed, 0), sealedAttempt(seed, 1));
}

double chiSquare(const std::map<int, int>& counts, int categories, int samples) {
  const double expected = double(samples) / categories;
  double sum = (categories - int(counts.size())) * expected;
  for (const auto& [key, n] : counts) sum += (n - expected) * (n - expected) / expected;
  return sum;
}

TEST(SealedGenerator, EveryPlaceOfASealedPressIsEquallyLikely) {
  // The 99.9th percentile of chi-square with 6 degrees of freedom (7 people at one place).
  constexpr double kChiSquare6At001 = 22.46;
  const std::vector<int> pool{11, 12, 13, 14, 15, 16, 17};
  SealedGenerator generator(sealedSeed(QByteArray(32, 'k'), QByteArray(32, 's'), QStringLiteral("e")), 0);
  const int presses = 60000;
  std::array<std::map<int, int>, 3> atPlace;
  for (int i = 0; i < presses; ++i) {
    const std::vector<int> picked = sealedPress(pool, 3, generator);
    ASSERT_EQ(std::set<int>(picked.begin(), picked.end()).size(), 3u) << "nobody twice";
    for (size_t place = 0; place < 3; ++place) ++atPlace[place][picked[place]];
  }
  for (size_t place = 0; place < 3; ++place) {
    const double chi2 = chiSquare(atPlace[place], 7, presses);
    std::printf("sealed press of 3 from 7: chi-square %.2f at place %zu\n", chi2, place + 1);
    EXPECT_EQ(atPlace[place].size(), 7u);
    EXPECT_LT(chi2, kChiSquare6At001) << "place " << place + 1;
  }
}

TEST(SealedText, EscapedFieldsReadBackAsWritten) {
  SealedEvent event;
  event.company = QStringLiteral("公司\\名\t甲");
  event.title = QStringLiteral("年会\r\n2024");
  event.participants = {
      {1, QStringLiteral("研发\\部"), QStringLiteral("张\t三"), QStringLiteral("a,b"), true, true},
      {5, QStringLiteral("行政"), QStringLiteral("李\n四\\t"), QString(), false, false}};
  event.prizes = {{1, 4, QStringLiteral("幸运奖"), 5, 2, {1, 5}},
                  {2, 100, QStringLiteral("特\\别奖"), 1, 1, {}}};
  event.commitment = QStringLiteral("ab").repeated(32);
  const QByteArray text = serializedEvent(event);
  EXPECT_TRUE(text.contains("participant\t1\t研发\\\\部\t张\\t三\ta,b\t1\t1\n"));
  EXPECT_TRUE(text.contains("participant\t5\t行政\t李\\n四\\\\t\t\t0\t0\n"));
  const SealedEvent back = parseSerializedEvent(text);
  EXPECT_EQ(back.company, event.company);
  EXPECT_EQ(back.title, event.title);
  ASSERT_EQ(back.participants.size(), 2u);
  EXPECT_EQ(back.participants[1].name, event.participants[1].name);
  EXPECT_EQ(back.participants[0].department, event.participants[0].department);
  EXPECT_EQ(back.prizes[0].admitted, (std::vector<int>{1, 5}));
  EXPECT_EQ(back.prizes[1].name, event.prizes[1].name);
  EXPECT_EQ(serializedEvent(back), text) << "one text for one event";

  // A text this program never writes is refused, not read as something else.
  const QByteArray bad[] = {
      "luckydraw-seal 2\nevent\t\t\ncommitment\tx\n",
      "luckydraw-seal "
      "1\nevent\t\t\nparticipant\t2\ta\tb\t\t0\t1\nparticipant\t1\ta\tc\t\t0\t1\ncommitment\tx\n",
      "luckydraw-seal 1\nevent\ta\\qb\t\ncommitment\tx\n",
      "luckydraw-seal 1\nevent\t\t\nprize\t1\t4\tx\t5\t1\t1,,2\ncommitment\tx\n",
      "luckydraw-seal 1\nevent\t\t\n",
      "luckydraw-seal 1\nevent\t\t\ncommitment\tx",
  };
  for (const QByteArray& b : bad) EXPECT_THROW(parseSerializedEvent(b), Error) << b.constData();
}

}  // namespace
