#pragma once
// What the operator chose for the draw window and keeps with the event: rows of table sy beside the limit
// switch, added when first chosen. A missing row, or an event that cannot be read, means nothing chosen.
#include <optional>

namespace ld {

class Query;

class DrawSettings {
 public:
  explicit DrawSettings(Query& query) : query_(query) {}

  // Row "PM": the screen the draw window shows on, 1 for the first.
  std::optional<int> screen();
  void setScreen(int number);

  // Row "ZS": the shortest roll in milliseconds; a stop pressed sooner waits for it.
  static constexpr int kDefaultMinimumRollMs = 1000;
  int minimumRollMs();
  void setMinimumRollMs(int ms);

  // Row "JY": 1 when the sound is off.
  bool muted();
  void setMuted(bool on);

  // Row "WT": 1 when the audience sees the stage rather than the handset.
  bool stageShown();
  void setStageShown(bool on);

 private:
  std::optional<int> read(const char* key);
  // Throws DbError when the event cannot be written.
  void write(const char* key, int value);
  Query& query_;
};

}  // namespace ld
