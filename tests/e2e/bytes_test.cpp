// Actions on bytes a tool holds (TesselActOnBytes) do what they do on a file of
// those bytes; the tool's CSV reading (no byte order mark, a label row) is a copy without them.
#include <filesystem>
#include <random>

#include "tests/e2e/e2e.h"
#include "tests/e2e/temp_files.h"

namespace tessel::testing {
namespace {

using ActOnBytes = int32_t(TESSEL_CALL*)(TesselRunObject*, int32_t, const char*, int32_t, const char*, intptr_t,
                                         int32_t);

// Everything a load leaves: the outcome, the shape, each cell and the labels.
std::string state(HostedObject& o) {
  const HostedObject::Outcome outcome = o.lastOutcome();
  std::string out = std::to_string(outcome.code) + " " + outcome.text + "\n" +
                    std::to_string(o.integer(kDimensionCount)) + ":" + std::to_string(o.integer(kBoundary, 1)) + "\n";
  for (int32_t i = 0; i < o.integer(kSize); ++i) {
    const auto facts = o.describeCell(i);
    out += std::to_string(facts ? facts->type : -2) + "/" + std::to_string(facts ? facts->length : -2) + "=" +
           o.text(kGetString, i).value_or("<none>") + "|";
  }
  for (int32_t c = 0; c < o.integer(kBoundary, 1); ++c) out += "\n" + o.text(kLabel, c).value_or("<none>");
  return out;
}

// CSV-like bytes, now and then with a zero byte or a byte order mark.
std::string randomText(std::mt19937& random, bool zeroBytes) {
  static const char* const kPieces[] = {"a", "17", "-4", "\"\"", ",", ",", "\r\n", "\n", "\r", "x y", "\xef\xbb\xbf"};
  std::string out = random() % 3 == 0 ? "\xef\xbb\xbf" : "";
  for (int n = static_cast<int>(random() % 40); n > 0; --n) out += kPieces[random() % std::size(kPieces)];
  if (zeroBytes && random() % 4 == 0) out.insert(random() % (out.size() + 1), 1, '\0');
  return out;
}

// A tool without bytes may pass no buffer at all: that is an empty file (but not bytes it lacks). On random bytes each
// reading action gives what it gives on a file of them; the tool's CSV reading gives a load of a copy without the mark
// and the first line, then a label set per field of that line.
TEST(ActOnBytes, GivesWhatTheActionGivesOnAFileOfTheBytes) {
  const auto act = builtModule().entry<ActOnBytes>("TesselActOnBytes");
  HostedObject empty, none;
  for (HostedObject* o : {&empty, &none}) appendStrings(*o, {"old", "cells"});
  EXPECT_TRUE(empty.actOnBytes(kLoadCsv, "given.csv", ""));
  EXPECT_EQ(act(&none.record(), kLoadCsv, "given.csv", 0, nullptr, 0, 0), 0);
  EXPECT_EQ(state(none), state(empty));
  EXPECT_EQ(act(&none.record(), kLoadCsv, "given.csv", 0, nullptr, 1, 0), -1);

  TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::mt19937 random(29);
  const std::string name = dir.file("given.csv");
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const std::string bytes = randomText(random, true);
    writeBytes(name, bytes);
    for (const int action : {kLoadCsv, kAppendCsv, kLoadIni, kLoadNative, kSetFileAt, kInsertFileAt, kAppendFile}) {
      HostedObject fromFile, fromBytes;
      for (HostedObject* o : {&fromFile, &fromBytes}) appendStrings(*o, {"old", "cells"});
      fromFile.act(action, name, 1);
      ASSERT_TRUE(fromBytes.actOnBytes(action, name, bytes, 1));
      EXPECT_EQ(state(fromBytes), state(fromFile)) << action;
    }
    std::string text = randomText(random, false);
    const bool header = round % 2 == 0;
    HostedObject model, tool;
    for (HostedObject* o : {&model, &tool}) run(*o, {{kSetDimensionCount, 2}, {kSetBoundary, 1, 2}});
    if (text.rfind("\xef\xbb\xbf", 0) == 0) text.erase(0, 3);
    text.erase(0, text.find_first_not_of("\r\n") == std::string::npos ? text.size() : text.find_first_not_of("\r\n"));
    const std::string firstLine = text.substr(0, text.find_first_of("\r\n"));
    writeBytes(name, header ? text.substr(firstLine.size()) : text);
    model.act(kLoadCsv, name);
    const HostedObject::Outcome loaded = model.lastOutcome();
    for (std::size_t c = 0, at = 0; header && !text.empty() && at <= firstLine.size(); ++c) {
      const std::size_t comma = std::min(firstLine.find(',', at), firstLine.size());
      const std::string field = firstLine.substr(at, comma - at);
      model.act(kSetLabel, field == "\"\"" ? "" : field, static_cast<int32_t>(c));
      at = comma + 1;
    }
    const int32_t flags = TESSEL_READ_SKIP_BOM | (header ? TESSEL_READ_LABEL_ROW : 0);
    ASSERT_TRUE(tool.actOnBytes(kLoadCsv, name, "\xef\xbb\xbf" + text, 0, flags));
    EXPECT_EQ(std::to_string(tool.lastOutcome().code) + tool.lastOutcome().text,
              std::to_string(loaded.code) + loaded.text);
    EXPECT_EQ(state(tool).substr(state(tool).find('\n')), state(model).substr(state(model).find('\n')));
  }
  // The bytes stood in for the file: it was neither read nor written.
  std::filesystem::remove(name);
  HostedObject o;
  EXPECT_TRUE(o.actOnBytes(kLoadCsv, name, "a,b\n"));
  EXPECT_EQ(all(o), "a|b");
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(ActOnBytes, ToolReadingKeepsTheLoadRules) {
  HostedObject o;
  // A damage offset counts in the bytes given, the mark and the labels included.
  ASSERT_TRUE(o.actOnBytes(kAppendCsv, "t.csv", std::string("\xef\xbb\xbfname,hp\r\nann,5\0x", 19), 0,
                           TESSEL_READ_SKIP_BOM | TESSEL_READ_LABEL_ROW));
  EXPECT_EQ(o.lastOutcome().text,
            "damaged: t.csv: a zero byte at offset 17 ends the text; the 1 bytes after it are not read");
  EXPECT_EQ(all(o) + " " + texts(o, kLabel, {0, 1}), "ann|5 name|hp");
  // A load refused by the memory rule changes nothing, the labels neither.
  std::string huge = "name,hp\n";
  for (int i = 0; i < 3000; ++i) huge += i == 0 ? std::string(100000, ',') + "\n" : "x\n";
  ASSERT_TRUE(o.actOnBytes(kLoadCsv, "big.csv", huge, 0, TESSEL_READ_LABEL_ROW));
  EXPECT_EQ(o.lastOutcome().code, TESSEL_OUTCOME_TOO_LARGE);
  EXPECT_EQ(all(o) + " " + texts(o, kLabel, {0}), "ann|5 name");
  // Only the actions that read a file run on bytes; the tool's CSV reading
  // is for CSV loads alone.
  const auto act = builtModule().entry<ActOnBytes>("TesselActOnBytes");
  for (const auto& [action, flags] : {std::pair{kSaveCsv, 0}, {kLoadNative, TESSEL_READ_SKIP_BOM}, {kLoadCsv, 4}})
    EXPECT_EQ(act(&o.record(), action, "never.csv", 0, "x", 1, flags), -1) << action;
  EXPECT_FALSE(std::filesystem::exists("never.csv"));
  EXPECT_EQ(all(o), "ann|5");
  // A flagged load replaces what the array holds.
  ASSERT_TRUE(o.actOnBytes(kLoadCsv, "new.csv", "id\n9\n", 0, TESSEL_READ_LABEL_ROW));
  EXPECT_EQ(all(o) + " " + texts(o, kLabel, {0}), "9 id");
}

}  // namespace
}  // namespace tessel::testing
