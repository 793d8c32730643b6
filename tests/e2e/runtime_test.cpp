// The run-time entry points, the records and the routine protocol, seen
// from a host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/host/test_host.h"

namespace tessel::testing {
namespace {

using EntryObject = short(TESSEL_CALL*)(TesselRunObject*);

TEST(EntryPoints, ConstantResults) {
  Module& m = builtModule();
  auto dataSize = m.entry<short(TESSEL_CALL*)(intptr_t, intptr_t)>("GetRunObjectDataSize");
  EXPECT_EQ(dataSize(0, 0), static_cast<short>(156 + sizeof(void*)));
  EXPECT_EQ(dataSize(-1, 12345), dataSize(0, 0));
  Instance o;
  EXPECT_EQ(m.entry<EntryObject>("HandleRunObject")(&o.record()), 1);
  const char* stubs[] = {"DisplayRunObject", "ReInitRunObject", "PauseRunObject", "ContinueRunObject"};
  for (const char* name : stubs) {
    EXPECT_EQ(m.entry<EntryObject>(name)(&o.record()), 0) << name;
    EXPECT_EQ(m.entry<EntryObject>(name), m.entry<EntryObject>(stubs[0])) << name << " is the same routine";
  }
  EXPECT_EQ(o.integer(0), 0);  // the stubs changed nothing
}

TEST(EntryPoints, InfosRecordIsFilledAsTheHostExpects) {
  auto getInfos = builtModule().entry<short(TESSEL_CALL*)(intptr_t, TesselRunInfos*)>("GetRunObjectInfos");
  TesselRunInfos infos;
  std::memset(&infos, 0xAB, sizeof infos);
  EXPECT_EQ(getInfos(0, &infos), 1);
  EXPECT_EQ(infos.conditionCount, 0);
  EXPECT_EQ(infos.actionCount, 79);
  EXPECT_EQ(infos.expressionCount, 60);
  EXPECT_EQ(infos.setupSize, 1062);
  EXPECT_EQ(infos.reserved0, 0);
  EXPECT_EQ(infos.hostByte, 10);
  EXPECT_EQ(infos.untouched, 0xAB);
  EXPECT_EQ(infos.reserved1, 0);
  EXPECT_EQ(std::string(infos.identifier, 4), "TSL7");
  EXPECT_EQ(infos.reserved2, 0);
  EXPECT_EQ(static_cast<const void* const*>(infos.conditions)[0], nullptr);
  for (int n = 0; n < 79; ++n) EXPECT_NE(infos.actions[n], nullptr) << n;
  EXPECT_EQ(infos.actions[79], nullptr);
  for (int n = 0; n < 60; ++n) EXPECT_NE(infos.expressions[n], nullptr) << n;
  EXPECT_EQ(infos.expressions[60], nullptr);
  for (int n = 31; n <= 33; ++n) EXPECT_EQ(infos.expressions[n], infos.expressions[n - 3]) << n;
  EXPECT_NE(infos.expressions[28], infos.expressions[29]);
}

TEST(Setup, DimensionCountOtherThanTwoOrThreeIsOne) {
  for (int32_t dims : {0, 4, -1, 1}) {
    Instance o(makeSetup(dims, 7, 5));
    EXPECT_EQ(o.integer(26), 1) << dims;     // dim(
    EXPECT_EQ(o.integer(27, 1), 0) << dims;  // boundary( 1: the open dimension of 1D
  }
}

TEST(Setup, TwoDimensionsTakeOnlyXAndThreeTakeBoth) {
  Instance two(makeSetup(2, 7, 5));
  EXPECT_EQ(two.integer(26), 2);
  EXPECT_EQ(two.integer(28), 7);  // boundaryX(
  EXPECT_EQ(two.integer(29), 0);  // boundaryY( is the open dimension
  Instance three(makeSetup(3, 7, 5));
  EXPECT_EQ(three.integer(26), 3);
  EXPECT_EQ(three.integer(28), 7);
  EXPECT_EQ(three.integer(29), 5);
  EXPECT_EQ(three.integer(27, 0), -1);  // entry 0 is stored as -1
  Instance unset(makeSetup(2, 0, 0));
  EXPECT_EQ(unset.integer(28), 0);  // a boundary below 1 keeps the default
  Instance negative(makeSetup(3, -3, 2));
  EXPECT_EQ(negative.integer(28), 0);
  EXPECT_EQ(negative.integer(29), 2);
}

TEST(Setup, DelimiterIsCopiedAndReadOnlyWithinItsField) {
  Instance empty(makeSetup(1, 0, 0, ""));
  EXPECT_EQ(empty.text(51), ",");
  TesselSetup setup = makeSetup(1, 0, 0, ";");
  Instance semicolon(setup);
  std::strcpy(setup.listDelimiter, "|");  // later changes to the record do not reach the store
  EXPECT_EQ(semicolon.text(51), ";");
  std::memset(setup.listDelimiter, 'x', sizeof setup.listDelimiter);  // no terminator at all
  Instance unterminated(setup);
  EXPECT_EQ(unterminated.text(51), std::string(1026, 'x'));
}

TEST(Setup, AutoSelectIsOnOnlyForOne) {
  for (int32_t flag : {1, 2, 0, -1}) {
    TesselSetup setup = makeSetup(2, 2, 0);
    setup.autoSelect = flag;
    Instance o(setup);
    for (int i = 0; i < 4; ++i) o.act(9, 1);              // Append value: two rows of two
    EXPECT_EQ(o.integer(40), flag == 1 ? 2 : 0) << flag;  // numberOfRows(
  }
}

TEST(Protocol, TextResultsSetOnlyTheTextFlag) {
  Instance o;
  o.act(9, 42);                        // Append value 42
  ExpressionCall text = o.call(2, 0);  // get$(0)
  EXPECT_TRUE(text.textFlag);
  EXPECT_EQ(text.text, "42");
  EXPECT_EQ(text.spaceSizes, (std::vector<intptr_t>{3}));
  EXPECT_EQ(text.fetchedTypes, (std::vector<int>{TESSEL_PARAM_INTEGER}));
}

TEST(Protocol, FlagWordKeepsTheHostsBits) {
  Instance o;
  o.act(9, 42);
  auto& routine = builtModule().infos().expressions;
  // Called directly, so the host's own bits are not cleared first. A text result: delimiter$(
  o.record().resultFlags = 0x0123;
  const intptr_t address = routine[51](&o.record(), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(address), ",");
  EXPECT_EQ(o.record().resultFlags, 0x0123 | TESSEL_TEXT_FLAG);
  // An integer result leaves the word alone: size(
  o.record().resultFlags = 0x0123;
  EXPECT_EQ(routine[0](&o.record(), 0), 1);
  EXPECT_EQ(o.record().resultFlags, 0x0123);
}

TEST(Protocol, MissingTextLeavesTheFlagAndAsksNoSpace) {
  Instance o;
  const ExpressionCall none = o.call(2, 5);  // get$(5) of an empty array
  EXPECT_EQ(none.raw, 0);
  EXPECT_FALSE(none.textFlag);
  EXPECT_TRUE(none.spaceSizes.empty());
  EXPECT_EQ(none.protocolError, "");
}

TEST(Protocol, EmptyTextStillAsksForOneByte) {
  Instance o;
  o.act(57, std::string());  // Set list delimiter to the empty text
  const ExpressionCall c = o.call(51);
  EXPECT_TRUE(c.textFlag);
  EXPECT_EQ(c.text, "");
  EXPECT_EQ(c.spaceSizes, (std::vector<intptr_t>{1}));
  EXPECT_TRUE(c.fetchedTypes.empty());
}

TEST(Protocol, StoresTextsAreCopiedNotHandedOver) {
  Instance o;
  o.act(57, std::string(";"));
  EXPECT_EQ(o.text(51), ";");
  EXPECT_EQ(o.text(51), ";");
  o.act(8, std::string("abc"));
  const ExpressionCall first = o.call(2, 0);
  const ExpressionCall second = o.call(2, 0);
  EXPECT_NE(first.raw, second.raw);  // each call gets its own string space
  EXPECT_EQ(second.text, "abc");
}

TEST(Protocol, ParametersAreFetchedInDeclaredOrderAndTypes) {
  Instance o;
  const ExpressionCall twoIntegers = o.call(39, 2, 3);  // indexOfXY(
  EXPECT_EQ(twoIntegers.fetchedTypes, (std::vector<int>{0, 0}));
  const ExpressionCall textAndInteger = o.call(50, std::string("label"), 0);  // getFromLabelRow$(
  EXPECT_EQ(textAndInteger.fetchedTypes, (std::vector<int>{1, 0}));
  const ExpressionCall twoTexts = o.call(20, std::string("="), std::string(";"));  // pairList$(
  EXPECT_EQ(twoTexts.fetchedTypes, (std::vector<int>{1, 1}));
  const ExpressionCall none = o.call(0);
  EXPECT_TRUE(none.fetchedTypes.empty());
  for (const ExpressionCall* c : {&twoIntegers, &textAndInteger, &twoTexts, &none}) EXPECT_EQ(c->protocolError, "");
}

TEST(Protocol, EveryActionReturnsZero) {
  Instance o(makeSetup(2, 3));
  for (int n = 0; n < 79; ++n) {
    // Harmless parameters for every kind: an unusable file name, index 0.
    EXPECT_EQ(o.act(n, std::string("/nonexistent/dir/file"), 0), 0) << n;
  }
}

}  // namespace
}  // namespace tessel::testing
