// What hostile and damaged input meets below the exports: the one-pass label
// merge against label-by-label setting.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/label_table.h"

namespace tessel {
namespace {

std::string describe(const LabelTable& t) {
  std::string out = std::to_string(t.size()) + ":";
  for (const LabelTable::Label& l : t.held()) out += std::to_string(l.column) + "=" + l.text + ",";
  return out;
}

TEST(LabelMerge, MatchesSettingEachLabelInTurn) {
  std::minstd_rand random(7);
  for (int round = 0; round < 500; ++round) {
    const auto slots = static_cast<int32_t>(random() % 40);
    LabelTable merged;
    merged.resize(slots);
    for (int k = static_cast<int>(random() % 20); k > 0; --k) {
      merged.set(static_cast<int32_t>(random() % (slots + 1)), ("old" + std::to_string(k)).c_str());
    }
    LabelTable oneByOne = merged;
    // Rising columns, some outside the slots (negative ones never come from a file).
    std::vector<LabelTable::Label> given;
    for (int32_t c = 0; c < slots + 5; ++c) {
      if (random() % 3 == 0) given.push_back({c, "new" + std::to_string(c)});
    }
    for (const LabelTable::Label& l : given) oneByOne.set(l.column, l.text.c_str());
    merged.setAll(given);
    ASSERT_EQ(describe(merged), describe(oneByOne)) << round;
  }
}

}  // namespace
}  // namespace tessel
