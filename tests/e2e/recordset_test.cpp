// The recordset's routes through the routine tables; the row steps themselves are held to their element
// steps below the tables.
#include <string>

#include "tests/e2e/e2e.h"

namespace tessel::testing {
namespace {

HostedObject tableOf(int32_t columns, bool autoSelect = true, int32_t dimensions = 2, int32_t y = 0) {
  TesselSetup setup = makeSetup(dimensions, columns, y);
  setup.autoSelect = autoSelect ? 1 : 0;
  return HostedObject(setup);
}

// Every cell's text, physical rows apart by "|", then the selected rows' lists.
std::string rows(HostedObject& o) {
  std::string out;
  const int32_t x = o.integer(kBoundaryX);
  for (int32_t i = 0; i < o.integer(kSize); ++i)
    out += (i == 0 ? "" : x > 0 && i % x == 0 ? "|" : ",") + o.text(kGetString, i).value_or("?");
  out += " >";
  for (int32_t r = 0; r < o.integer(kNumberOfRows); ++r) out += " " + o.text(kRowList, r).value_or("?");
  return out;
}

// The selected rows after a new WHERE (nothing selected, OR mode) and one query.
std::string where(HostedObject& o, int action, const Param& first, const Param& second = {}) {
  run(o, {{kStartNewWhere}, {action, first, second}});
  return rows(o).substr(rows(o).find('>'));
}

void playRows(HostedObject& o, std::initializer_list<Step> steps) { testing::play(o, steps, rows); }

TEST(RecordsetRoutes, ListsOfElementsKeysAndPairs) {
  HostedObject o;
  run(o, {{kAppendString, "a"}, {kAppendString, "x'y"}, {kAppendValue, 7}, {kAppendValue, 0}});  // 0: an empty cell
  run(o, {{kSetKeyString, "k", 0}, {kSetKeyValue, 2, 2}, {kSetKeyString, "z", 3}});
  const struct {
    int n;
    const char* expected;  // inner apostrophes copied as they are; one key item per element
  } cases[] = {{kElementList, "a, x'y, 7, "},  {kQuotedElementList, "'a', 'x'y', 7, "},
               {kKeyList, "k, , 2, z"},        {kQuotedKeyList, "'k', , 2, 'z'"},
               {kPairList, "k=a, 2=7"},  // only elements with a key and content
               {kQuotedPairList, "k='a', 2=7"}};
  for (const auto& c : cases) {
    const bool pairs = c.n == kPairList || c.n == kQuotedPairList;
    EXPECT_EQ(o.text(c.n, pairs ? "=" : ", ", ", "), c.expected) << c.n;
    EXPECT_EQ(HostedObject().text(c.n, ";", "="), "") << c.n;
  }
}

// Row R is at the position of the R-th selected flag: with B unselected an
// insert before row 1 goes before C. The rows' flags are held below the tables.
TEST(RecordsetRoutes, RowsFromLists) {
  HostedObject o = tableOf(3);
  playRows(o, {{{kAppendRow, "x,,z"}, "x,z, > x,z,"},  // empty items vanish, extra ones are dropped
               {{kAppendRow, "p,q,r,s"}, "x,z,|p,q,r > x,z, p,q,r"},
               {{kAppendRow, "7"}, "x,z,|p,q,r|7,, > x,z, p,q,r 7,,"},
               {{kSetDelimiter, " | "}, "x,z,|p,q,r|7,, > x | z |  p | q | r 7 |  | "},
               {{kReplaceRow, "u|v w", 1}, "x,z,|u,v,w|7,, > x | z |  u | v | w 7 |  | "}});
  EXPECT_EQ(texts(o, kColumnList, {0, 3}) + texts(o, kRowList, {3}), "x | u | 7|<none><none>");
  EXPECT_EQ(o.integer(kValueAt, 0, 2), 7);
  EXPECT_EQ(o.text(kStringAt, 4, 0), "v");  // a column past C reads the next row
  HostedObject t = tableOf(2, false);
  for (const char* row : {"A,1", "B,2", "C,3"}) run(t, {{kAppendRow, row}, {kSelectAll}});
  run(t, {{kStartNewWhere}, {kNotEqual, 1, 2}});
  playRows(t, {{{kInsertRow, "N,4", 1}, "A,1|B,2|N,4|C,3 > A,1 N,4"},
               {{kAppendRow, "E,5"}, "A,1|B,2|E,5|N,4|C,3 > A,1 E,5"},
               {{kDeleteRow, 0}, "B,2|E,5|N,4|C,3 > B,2 N,4"}});
  for (const int32_t row : {-1, 9}) run(t, {{kInsertRow, "F", row}, {kReplaceRow, "F", row}, {kDeleteRow, row}});
  EXPECT_EQ(t.integer(kSize), 8);
}

TEST(RecordsetRoutes, LabelsNameColumnsInTheSearchMode) {
  HostedObject o = tableOf(3);
  EXPECT_EQ(o.text(kLabelList), std::nullopt);  // no table yet
  run(o, {{kAppendRow, "ann,31,5"}, {kAppendRow, "bob,42,6"}, {kSetLabel, "name", 0}, {kSetLabel, "age", 1}});
  EXPECT_EQ(o.text(kLabelList).value_or("") + o.text(kLabel, 1).value_or(""), "name,age,age");
  // An unknown label is column -1, which must not reach cell -1 + C of row 1.
  EXPECT_EQ(results(o, kValueAtLabel, {"AGE", "size"}, 1) + results(o, kColumnOfLabel, {"size"}), "42 0-1");
  EXPECT_EQ(texts(o, kStringAtLabel, {"age"}, 0) + texts(o, kStringAtLabel, {"size"}, 1), "31<none>");
  o.act(kCaseSensitive);
  EXPECT_EQ(o.integer(kColumnOfLabel, "AGE"), -1);
  o.act(kWildcard);
  EXPECT_EQ(o.integer(kColumnOfLabel, "*"), 0);         // the first match wins
  run(o, {{kSetLabel, "x", 7}, {kSetBoundary, 1, 5}});  // 7 is out of range: nothing stored
  EXPECT_EQ(o.text(kLabelList), "name,age,");           // follows the columns only at the next set label
  o.act(kSetLabel, "e", 4);
  EXPECT_EQ(o.text(kLabelList), "name,age,,,e");
}

TEST(RecordsetRoutes, SelectionByColumnLabelAndMode) {
  HostedObject o = tableOf(2);
  for (const char* row : {"a,5", "b,10", "c,15", "cz,20", "Hello,25", "h*,0"}) o.act(kAppendRow, row);
  run(o, {{kSetLabel, "k", 0}, {kSetLabel, "v", 1}, {kPickColumn, 1}});
  const struct {
    int action;
    Param first, second;
    const char* expected;
  } cases[] = {
      {kLabelEqual, "v", 10, "> b,10"},
      {kLabelNotEqual, "v", 10, "> a,5 c,15 cz,20 Hello,25 h*,0"},
      {kLabelGreater, "v", 15, "> cz,20 Hello,25"},
      {kLabelLess, "v", 10, "> a,5 h*,0"},
      {kLabelGreaterOrEqual, "V", 20, "> cz,20 Hello,25"},
      {kLabelLessOrEqual, "v", 5, "> a,5 h*,0"},
      {kLabelMatching, "k", "B", "> b,10"},
      {kLabelContaining, "v", "5", "> a,5 c,15 Hello,25"},
      {kMatching, 0, "H*", "> h*,0"},  // literal mode: the star as written
      {kContaining, 0, "ELL", "> Hello,25"},
      {kBetweenValues, 10, 20, "> b,10 c,15 cz,20"},  // the picked column
      {kBetweenValues, 20, 10, ">"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(where(o, c.action, c.first, c.second), c.expected) << c.action;
    if (&c - cases < 8) {  // by label: an unknown label is column -1, nothing passes
      run(o, {{kSelectAll}, {kAndMode}, {c.action, "nope", c.second}});
      EXPECT_EQ(o.integer(kNumberOfRows), 0) << c.action;
    }
  }
  o.act(kWildcard);
  EXPECT_EQ(where(o, kMatching, 0, "H*"), "> Hello,25 h*,0");
  EXPECT_EQ(where(o, kContaining, 0, "L?O"), "> Hello,25");
  run(o, {{kPickColumn, 0}, {kSetLabel, "n", 1}});
  EXPECT_EQ(where(o, kBetweenStrings, "b", "d"), "> b,10 c,15 cz,20");
  play(o, {{{kPickLabel, "N"}, "1"}, {{kPickLabel, "size"}, "-1"}},  // an unknown label: no row passes
       [](HostedObject& h) { return std::to_string(h.record().betweenColumn); });
  run(o, {{kSelectAll}, {kAndMode}, {kBetweenStrings, "", "zzz"}, {kOrMode}, {kBetweenValues, -100, 100}});
  EXPECT_EQ(o.integer(kNumberOfRows), 0);
  // AND narrows, OR widens, a new WHERE is back in OR mode.
  run(o, {{kSelectAll}, {kAndMode}, {kGreaterOrEqual, 1, 10}, {kLess, 1, 25}, {kOrMode}, {kEqual, 1, 5}});
  EXPECT_EQ(rows(o).substr(rows(o).find('>')), "> a,5 b,10 c,15 cz,20");
  run(o, {{kAndMode}, {kStartNewWhere}, {kEqual, 1, 15}, {kGreater, 1, 15}, {kInvert}});
  EXPECT_EQ(rows(o).substr(rows(o).find('>')), "> a,5 b,10 h*,0");
  o.act(kNotEqual, 1, 10);
  EXPECT_EQ(o.integer(kNumberOfRows), 6);
}

// Each sort route by its kind and order (ties are held to the quicksort below the tables); keys travel.
TEST(RecordsetRoutes, SortsByColumnOrLabelKindAndOrder) {
  HostedObject o = tableOf(2);
  for (const char* row : {"c,1", "x,9", "a,2", "b,10"}) o.act(kAppendRow, row);
  run(o, {{kSetKeyString, "kc", 0}, {kSetKeyValue, 5, 5}, {kSetLabel, "name", 0}, {kSetLabel, "n", 1}});
  run(o, {{kAndMode}, {kNotEqual, 1, 9}});  // the key 5 is on a's number
  playRows(o, {{{kSortLabelStringAsc, "NAME"}, "a,2|x,9|b,10|c,1 > a,2 b,10 c,1"},
               {{kSortLabelValueDesc, "n"}, "b,10|x,9|a,2|c,1 > b,10 a,2 c,1"},
               {{kSortLabelStringAsc, "n"}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"},  // "10" < "2" as texts
               {{kSortLabelValueAsc, "n"}, "c,1|x,9|a,2|b,10 > c,1 a,2 b,10"},
               {{kSortLabelStringDesc, "name"}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"},
               {{kSortLabelStringAsc, "size"}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"},  // no such label
               {{kSortColumnValueAsc, 1}, "c,1|x,9|a,2|b,10 > c,1 a,2 b,10"},
               {{kSortColumnStringDesc, 0}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"},
               {{kSortColumnValueDesc, 1}, "b,10|x,9|a,2|c,1 > b,10 a,2 c,1"},
               {{kSortColumnStringAsc, 1}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"},
               {{kSortColumnStringAsc, 2}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"},  // not columns
               {{kSortColumnValueDesc, -1}, "c,1|x,9|b,10|a,2 > c,1 b,10 a,2"}});
  EXPECT_EQ(o.text(kKeyList, ","), "kc,,,,,,,5");
  EXPECT_EQ(o.text(kLabelList), "name,n");
  // Four one-cell rows' flags while the cells form two rows of two: only complete rows are sorted.
  HostedObject f = tableOf(1);
  run(f, {{kAppendRow, "d"}, {kAppendRow, "c"}, {kAppendRow, "b"}, {kAppendRow, "a"}});
  playRows(f, {{{kSetBoundary, 1, 2}, "d,c|b,a > d,c b,a"},
               {{kSortColumnStringAsc, 0}, "b,a|d,c > b,a d,c"},
               {{kSortColumnValueDesc, 1}, "d,c|b,a > d,c b,a"}});  // "a" and "c" both read 0: exchanged on the tie
}

TEST(RecordsetRoutes, AggregatesOverTheSelectedRowsWithEmptyCellsAsZero) {
  HostedObject o = tableOf(2);
  for (const char* row : {"a,-7", "b", "c,-1", "d,99"}) o.act(kAppendRow, row);
  run(o, {{kSetLabel, "v", 1}, {kAndMode}, {kLess, 1, 99}});
  // a, b, c selected; b's number is empty: max 0, min -7, sum -8, -8 / 3 toward zero -2.
  const int byColumn[] = {kColumnMax, kColumnMin, kColumnSum, kColumnAvg};
  const int byLabel[] = {kLabelMax, kLabelMin, kLabelSum, kLabelAvg};
  std::string got;  // by column 1 and -1, by the label and an unknown one
  for (int k = 0; k < 4; ++k)
    got += results(o, byColumn[k], {1, -1}) + " " + results(o, byLabel[k], {"v", "size"}) + "|";
  EXPECT_EQ(got, "0 0 0 0|-7 0 -7 0|-8 0 -8 0|-2 0 -2 0|");
  o.act(kStartNewWhere);
  for (const int n : byColumn) EXPECT_EQ(o.integer(n, 1), 0) << "no rows " << n;
  HostedObject f = tableOf(1);  // five flags, two complete rows of two and a stray cell
  for (const char* row : {"1", "2", "3", "4", "5"}) f.act(kAppendRow, row);
  f.act(kSetBoundary, 1, 2);
  EXPECT_EQ(results(f, kColumnSum, {0, 1}), "4 6");
}

// Only complete rows with a selected flag are rows. Flags past the complete rows make none and wait, as rows
// without flags do, for the next element operation or resize to run the upkeep; a resize drops rows' flags.
TEST(RecordsetRoutes, FlagsAndCompleteRowsMeetAtTheNextUpkeep) {
  for (const bool on : {true, false}) {
    HostedObject o = tableOf(2, on);
    appendStrings(o, {"d", "c", "b", "a"});
    o.act(kSelectAll);
    playRows(o, {{{kSetBoundary, 1, 1}, "d|c|b|a > d c"},
                 {{kReplaceRow, "x", 0}, on ? "x|c|b|a > x c b a" : "x|c|b|a > x c"}});
  }
  HostedObject d = tableOf(1, false);
  appendStrings(d, {"d", "c", "b", "a"});
  d.act(kSelectAll);
  playRows(d, {{{kSetBoundary, 1, 2}, "d,c|b,a > d,c b,a"},
               {{kResize, 1, 1}, "d|b > d b"},
               {{kAppendString, "x"}, "d|b|x > d b"}});  // the auto-select flag, not one left over
  // A 3D array keeps no flags; as 2D its cells form rows that have none yet.
  HostedObject o = tableOf(2, true, 3, 2);
  appendStrings(o, {"a", "b", "c", "d", "e"});
  playRows(o, {{{kUse2D}, "a,b|c,d|e >"}, {{kAppendString, "f"}, "a,b|c,d|e,f > a,b c,d e,f"}});
  o.act(kSetDimensionCount, 1);  // the flags are kept: back in 2D they still fit
  EXPECT_EQ(results(o, kNumberOfRows, {0}) + texts(o, kRowList, {0}),
            "3<none>");  // a 1D array counts the flags it kept
  playRows(o, {{{kSetDimensionCount, 2}, "a,b|c,d|e,f > a,b c,d e,f"}});
  HostedObject r = tableOf(0, true, 1);
  appendStrings(r, {"a", "b", "c", "d", "e", "f", "g"});
  r.act(kUse2D);  // X is still 0: no rows, no columns
  EXPECT_EQ(r.text(kColumnList, 0), std::nullopt);
  playRows(r, {{{kResize, 1, 3}, "a,b,c|d,e,f|g > a,b,c d,e,f"},
               {{kDeleteRow, 0}, "d,e,f|g > d,e,f"},
               {{kSetBoundary, 1, 1}, "d|e|f|g > d"},
               {{kResize, 1, 1}, "d|e|f|g > d e f g"}});  // the same boundary: the upkeep runs
}

}  // namespace
}  // namespace tessel::testing
