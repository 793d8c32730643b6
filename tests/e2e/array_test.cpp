// The array core through the routine tables, in the comparison modes the
// actions and the setup record choose.
#include <climits>
#include <utility>
#include <vector>

#include "tests/e2e/e2e.h"

namespace tessel::testing {
namespace {

TEST(Elements, CapacityGrowsAndShrinksByTheRule) {
  HostedObject o;
  std::vector<int32_t> grown{o.integer(kCapacity)}, shrunk;
  for (int32_t i = 1; i <= 300; ++i) {
    o.act(kAppendValue, i);
    if (o.integer(kCapacity) == grown.back()) continue;
    EXPECT_EQ(i, grown.back() / 2 + 1);  // as soon as the count passes half the capacity
    grown.push_back(o.integer(kCapacity));
  }
  EXPECT_EQ(grown, (std::vector<int32_t>{25, 37, 55, 82, 123, 184, 276, 414, 621}));
  run(o, {{kDeleteAll}, {kSetValue, 1, 310}});  // one step to the first capacity past 311
  for (shrunk.push_back(o.integer(kCapacity)); o.integer(kSize) > 0;) {
    o.act(kDeleteAt, 0);
    if (o.integer(kCapacity) != shrunk.back()) shrunk.push_back(o.integer(kCapacity));
  }
  EXPECT_EQ(shrunk, (std::vector<int32_t>{931, 698, 523, 392, 294, 220, 165, 123, 92}));
  o.act(kDeleteAll);
  EXPECT_EQ(o.integer(kCapacity), 25);
}

TEST(Elements, IndexesPastTheEndOutsideOrUnrepresentable) {
  HostedObject o(makeSetup(2, 4));
  appendStrings(o, {"A", "B"});
  run(o, {{kSetKeyString, "ka", 0}, {kInsertString, "X", 0}, {kInsertValue, 7, 5}});  // past the end: like set
  EXPECT_EQ(all(o) + " " + keys(o), "X|A|B|_|_|7 -|ka|-|-|-|-");
  run(o, {{kDeleteAt, 0}, {kDeleteAt, 5}, {kSetString, "A2", 0}, {kSetString, "x", 12}});  // 5 is outside: nothing
  for (const int32_t i : {-1, INT_MAX, INT_MAX - 1, 1 << 30}) {
    run(o, {{kSetString, "y", i}, {kSetValue, 1, i}, {kInsertString, "y", i}, {kDeleteAt, i}});
    EXPECT_EQ(all(o) + " " + keys(o) + " " + results(o, kCapacity, {0}),
              "A2|B|_|_|7|_|_|_|_|_|_|_|x ka|-|-|-|-|-|-|-|-|-|-|-|- 37")
        << i;
  }
  o.act(kDeleteAll);  // the layout stays
  EXPECT_EQ(results(o, kDimensionCount, {0}) + results(o, kBoundaryX, {0}), "24");
}

TEST(Elements, ValuesStringsAndNullTexts) {
  HostedObject o;
  for (const int32_t v : {42, 0, INT_MIN}) o.act(kAppendValue, v);  // 0 stores an empty cell
  appendStrings(o, {"12abc", "4294967297"});
  run(o, {{kAppendString}, {kSetKeyString, {}, 0}});  // null texts from a faulty host: an empty cell, an empty key
  EXPECT_EQ(all(o) + " " + keys(o), "42|_|-2147483648|12abc|4294967297|_ |-|-|-|-|-");
  EXPECT_EQ(results(o, kGetValue, {2, 3, 4, 5}), "-2147483648 12 1 0");  // atol, wrapped at 32 bits
  o.act(kSetDelimiter);                                                  // a null delimiter: ignored
  EXPECT_EQ(o.text(kDelimiter), ",");
}

TEST(Dimensions, CoordinatesAndIndexes) {
  HostedObject o;
  // X is the open dimension of a list, and a list has no X boundary.
  EXPECT_EQ(results(o, kXOfIndex, {7}) + results(o, kYOfIndex, {7}), "70");
  run(o, {{kSetBoundary, 1, 4}, {kUse2D}});
  EXPECT_EQ(o.integer(kBoundaryX), 0);
  run(o, {{kSetBoundary, 1, 4}, {kSetBoundary, 1, -3}});
  // -5 truncates toward zero; dimension 3 lies beyond the count.
  EXPECT_EQ(results(o, kXOfIndex, {9, -5}) + results(o, kYOfIndex, {9}) + results(o, kCoordinate, {3}, 9) +
                results(o, kIndexOfXY, {1}, 2),
            "1 -1209");
  HostedObject d3(makeSetup(3, 4, 3));
  EXPECT_EQ(results(d3, kCoordinate, {1, 2, 3}, 29), "1 1 2");
  // X times Y wraps to -1, and the page of INT32_MIN wraps with it rather than trapping.
  HostedObject wraps(makeSetup(3, 65537, 65535));
  EXPECT_EQ(results(wraps, kCoordinate, {3}, INT32_MIN), std::to_string(INT32_MIN));
  // Split as strtok does: runs of separators count once, none at either end makes a field.
  EXPECT_EQ(results(d3, kIndexOfDimensionIndex, {"1,1,2", ",,1,,, +1x,2,", ",,,"}), "29 29 0");
  // The text follows the delimiter, every character of it, but X and Y do not.
  HostedObject g(makeSetup(2, 10));
  g.act(kSetDelimiter, ";");
  EXPECT_EQ(results(g, kIndexOfDimensionIndex, {"2;3", "2,3"}) + " " + results(g, kIndexOfXY, {2}, 3), "32 2 32");
  g.act(kSetDelimiter, ":/");
  EXPECT_EQ(g.integer(kIndexOfDimensionIndex, "2/:3"), 32);
  // The smallest boundary is one like the others; entry 0 takes a boundary too, though no layout follows from it.
  run(g, {{kSetBoundary, 1, 1}, {kSetBoundary, 0, 5}});
  EXPECT_EQ(results(g, kIndexOfXY, {2}, 3) + " " + results(g, kBoundary, {0}), "5 5");
}

TEST(Resize, GridsPadOrCutEveryCompleteRow) {
  HostedObject o(makeSetup(2, 3));
  appendStrings(o, {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
  o.act(kSetKeyString, "kb", 1);
  play(o, {{{kResize, 1, 5}, "A|B|C|_|_|D|E|F|_|_|G|H|I|_|_"},
           {{kResize, 1, 3}, "A|B|C|D|E|F|G|H|I"},
           {{kResize, 1, 2}, "A|B|D|E|G|H"},
           {{kSetBoundary, 1, 4}, "A|B|D|E|G|H"}});  // without resize the cells stay and read anew
  EXPECT_EQ(keys(o) + " " + results(o, kYOfIndex, {4}), "-|kb|-|-|-|- 1");
  HostedObject partial(makeSetup(2, 3));
  appendStrings(partial, {"A", "B", "C", "D", "E"});
  // The partial row gets no padding, but loses its surplus.
  play(partial, {{{kResize, 1, 4}, "A|B|C|_|D|E"}, {{kResize, 1, 1}, "A|D"}});
  HostedObject pages(makeSetup(3, 2, 2));
  for (int v = 1; v <= 10; ++v) pages.act(kAppendValue, v);  // pages 1 2/3 4, 5 6/7 8, partial 9 10
  pages.act(kResize, 2, 3);
  EXPECT_EQ(all(pages) + " " + results(pages, kZOfIndex, {12}), "1|2|3|4|_|_|5|6|7|8|_|_|9|10 2");
  // The last row is complete, so it is padded too.
  play(pages, {{{kResize, 2, 1}, "1|2|5|6|9|10"}, {{kResize, 1, 3}, "1|2|_|5|6|_|9|10|_"}});
}

TEST(Resize, IgnoredOpenOrTooLarge) {
  HostedObject o(makeSetup(2, 2)), open(makeSetup(2, 0));  // X never set: no rows to pad, the boundary alone is set
  for (HostedObject* i : {&o, &open}) appendStrings(*i, {"A", "B", "C"});
  for (const auto& [d, b] : {std::pair{0, 5}, {1, 0}, {1, -2}, {2, 4}, {-1, 4}}) o.act(kResize, d, b);
  EXPECT_EQ(all(o) + " " + results(o, kBoundary, {0, 1}), "A|B|C -1 2");  // dimension 0: nothing stored
  open.act(kResize, 1, 2);
  EXPECT_EQ(all(open) + " " + results(open, kBoundary, {1}), "A|B|C 2");
  for (const int cells : {6, 2}) {  // six cells: the count passes 32 bits; two: the capacity does
    HostedObject big(makeSetup(2, cells == 6 ? 2 : 1));
    for (int v = 1; v <= cells; ++v) big.act(kAppendValue, v);
    const std::string before = all(big) + " " + results(big, kBoundary, {1});
    big.act(kResize, 1, 1000000000);
    EXPECT_EQ(all(big) + " " + results(big, kBoundary, {1}), before);
    EXPECT_EQ(big.integer(kCapacity), 25);
  }
}

TEST(Keys, SettersGettersAndLookUps) {
  HostedObject o;
  const ExpressionCall none = o.call(kStringWithKeyString, "a");  // empty array
  EXPECT_EQ(none.raw + none.textFlag, 0);
  EXPECT_EQ(results(o, kIndexOfKeyString, {"a"}) + results(o, kFindString, {""}) + results(o, kContainsString, {""}),
            "-1-1-1");
  appendStrings(o, {"x", "apple", "17", "pear", "plum"});
  run(o, {{kSetKeyString, "Fruit", 1}, {kSetKeyValue, 7, 2}, {kSetKeyString, "7", 3}, {kSetKeyValue, 0, 4}});
  o.act(kSetKeyString, "far", 5);                                          // outside: nothing, the array does not grow
  EXPECT_EQ(all(o) + " " + keys(o), "x|apple|17|pear|plum -|Fruit|7|7|");  // value 0 sets an empty key
  // The element, case-insensitive.
  EXPECT_EQ(texts(o, kStringWithKeyString, {"FRUIT"}) + "|" + texts(o, kStringWithKeyValue, {7, 8}), "apple|17|<none>");
  EXPECT_EQ(results(o, kKeyValue, {2, -1}) + " " + results(o, kValueWithKeyString, {"fruit"}), "7 0 0");
  // A value descriptor meets a value key and a string key "7" alike: the first wins. Value 0
  // meets empty and non-numeric keys ("Fruit" reads 0); cells without a key are skipped.
  EXPECT_EQ(results(o, kIndexOfKeyValue, {7, 0}) + " " + results(o, kValueWithKeyValue, {7}), "2 1 17");
  EXPECT_EQ(results(o, kIndexOfKeyString, {"7", ""}), "2 4");  // a value key by its text
}

TEST(Find, MatchingAndContaining) {
  HostedObject o;
  o.act(kAppendValue, 12);
  appendStrings(o, {"Abc", "", "x", "abbbc", "ac"});
  // A value is found by its decimal text; "Abc" has the value 0; in literal mode * is a character.
  EXPECT_EQ(results(o, kFindString, {"abc", "12", "", "a*c"}, 0), "1 0 2 -1");
  EXPECT_EQ(results(o, kFindValue, {0, 13}, 0), "1 -1");
  EXPECT_EQ(results(o, kFindString, {"x"}, -1) + results(o, kFindString, {"x"}, 99), "33");  // ignored
  o.act(kWildcard);
  EXPECT_EQ(results(o, kFindString, {"A*C", "a?c", "a?b*", "ac", "***"}), "1 1 4 5 0");

  HostedObject c;
  appendStrings(c, {"", "xyz", "abc", "xbcx", "x23"});
  c.act(kAppendValue, 1234);
  // "abcd" is longer than every text.
  EXPECT_EQ(results(c, kContainsString, {"bc", "BCX", "", "abcd"}, 7), "2 3 0 -1");
  EXPECT_EQ(results(c, kContainsValue, {23, 1234}), "4 5");
  c.act(kWildcard);  // each window is as long as the pattern
  EXPECT_EQ(results(c, kContainsString, {"*", "b?x", "????", "?????"}), "1 3 3 -1");
}

// Each sort route by its kind and order; the orders themselves are held below the tables.
TEST(Sort, EachRouteByItsKindAndOrder) {
  HostedObject o;
  run(o, {{kAppendValue, 10}, {kAppendValue, 9}, {kAppendString, "8"}, {kAppendValue, 0}});  // 0: an empty cell
  play(o, {{{kSortStringsUp}, "_|10|8|9"}, {{kSortValuesDown}, "10|9|8|_"}, {{kSortValuesUp}, "_|8|9|10"}});
}

TEST(Totals, MaximumMinimumSumAverage) {
  HostedObject o;
  const auto totals = [&o] {
    std::string out;
    for (const int total : {kMaximum, kMinimum, kSum, kAverage}) out += std::to_string(o.integer(total)) + " ";
    return out;
  };
  EXPECT_EQ(totals(), "0 0 0 0 ");
  run(o, {{kAppendValue, -5}, {kAppendValue, 0}});  // empty, counts as 0; the average truncates toward zero
  EXPECT_EQ(totals(), "0 -5 -5 -2 ");
  o.act(kSetString, "7x", 1);
  EXPECT_EQ(totals(), "7 -5 2 1 ");
  run(o, {{kSetValue, INT_MAX, 0}, {kSetValue, 1, 1}});
  EXPECT_EQ(totals(), "2147483647 1 -2147483648 -1073741824 ");  // the wrapped sum, halved
}

}  // namespace
}  // namespace tessel::testing
