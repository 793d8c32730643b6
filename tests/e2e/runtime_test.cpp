// The run-time entry points, the records and the routine protocol, seen from a host.
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "tests/e2e/e2e.h"

namespace tessel::testing {
namespace {

using EntryObject = short(TESSEL_CALL*)(TesselRunObject*);

// The record's layout is proven where it is declared; here, that every field is filled but the host's byte.
TEST(EntryPoints, ConstantResultsAndTheInfosRecord) {
  Module& m = builtModule();
  auto dataSize = m.entry<short(TESSEL_CALL*)(intptr_t, intptr_t)>("GetRunObjectDataSize");
  EXPECT_EQ(dataSize(0, 0), static_cast<short>(156 + sizeof(void*)));
  EXPECT_EQ(dataSize(-1, 12345), dataSize(0, 0));
  HostedObject o;
  EXPECT_EQ(m.entry<EntryObject>("HandleRunObject")(&o.record()), 1);
  for (const char* name : {"DisplayRunObject", "ReInitRunObject", "PauseRunObject", "ContinueRunObject"})
    EXPECT_EQ(m.entry<EntryObject>(name)(&o.record()), 0) << name;
  EXPECT_EQ(o.integer(kSize), 0);  // the stubs changed nothing
  auto getInfos = m.entry<short(TESSEL_CALL*)(intptr_t, TesselRunInfos*)>("GetRunObjectInfos");
  TesselRunInfos infos;
  std::memset(&infos, 0xAB, sizeof infos);
  EXPECT_EQ(getInfos(0, &infos), 1);
  EXPECT_EQ(infos.conditionCount | infos.reserved0 | infos.reserved1 | infos.reserved2, 0);
  EXPECT_EQ(std::to_string(infos.setupSize) + " " + std::to_string(infos.hostByte) + " " +
                std::to_string(infos.untouched) + " " + std::string(infos.identifier, 4),
            std::to_string(TESSEL_SETUP_SIZE) + " 10 171 TSL7");
  EXPECT_EQ(static_cast<const void* const*>(infos.conditions)[0], nullptr);
  // Each table ends with its one null entry.
  EXPECT_EQ(std::find(infos.actions, infos.actions + TESSEL_ACTION_COUNT + 1, nullptr) - infos.actions,
            TESSEL_ACTION_COUNT);
  EXPECT_EQ(std::find(infos.expressions, infos.expressions + TESSEL_EXPRESSION_COUNT + 1, nullptr) - infos.expressions,
            TESSEL_EXPRESSION_COUNT);
  for (int n = 31; n <= 33; ++n) EXPECT_EQ(infos.expressions[n], infos.expressions[n - 3]) << n;
  EXPECT_NE(infos.expressions[28], infos.expressions[29]);
}

#if defined(TESSEL_ROGUE_PROTOCOL)
// What a call or a load throws, or "" when it does not.
std::string failure(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// Each check of the host kit, against a module that breaks its rule.
TEST(HostKit, EachProtocolCheckFires) {
  Module rogue(TESSEL_ROGUE_PROTOCOL);
  HostedObject o(makeSetup(), rogue);
  const char* const broken[] = {"first parameter fetched twice", "foreign raw parameter",
                                "string space requested twice", "parameter fetched after string space"};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(failure([&] { o.integer(n); }), std::string("the module broke the host protocol in ") +
                                                  catalogue::kExpressions[n].name + ": " + broken[n]);
  }
  EXPECT_EQ(failure([&] { o.integer(4); }), "key$( returned a text where an integer was due");
  EXPECT_EQ(failure([&] { o.text(5); }), "key( returned an integer where a text was due");
  EXPECT_EQ(failure([&] { o.lastOutcome(); }), "the module does not export TesselLastOutcome");
  EXPECT_EQ(failure([] {
              Module small(TESSEL_ROGUE_SMALL);
              HostedObject tooSmall(makeSetup(), small);
            }),
            "the module's run-time object is too small");
  EXPECT_EQ(failure([] { Module tables(TESSEL_ROGUE_TABLES); }),
            std::string(TESSEL_ROGUE_TABLES) + " does not offer the expected routine tables");
  EXPECT_EQ(failure([] { Module none("/nonexistent/module.so"); }).rfind("cannot load the module: ", 0), 0u);
}
#endif

// Counts other than 2 and 3 mean 1D; 2D takes only X; a boundary below 1 keeps 0; auto-select is on only
// for 1; the delimiter is copied, read only within its field.
TEST(Setup, RecordFieldsReachTheStore) {
  struct Row {
    int32_t dims, x, y, autoSelect;
    const char* expected;  // dimensions, boundaries X Y 0, rows of 9 and of 8 cells
  };
  const Row kRows[] = {{0, 3, 5, 0, "1 0 0 -1 0 0"}, {4, 3, 5, 0, "1 0 0 -1 0 0"},  {2, 3, 5, 1, "2 3 0 -1 3 2"},
                       {2, 3, 5, 2, "2 3 0 -1 0 0"}, {2, 3, 5, -1, "2 3 0 -1 0 0"}, {3, 3, 5, 0, "3 3 5 -1 0 0"},
                       {2, 0, 0, 1, "2 0 0 -1 0 0"}, {3, -3, 2, 1, "3 0 2 -1 0 0"}};
  for (const Row& r : kRows) {
    TesselSetup setup = makeSetup(r.dims, r.x, r.y);
    setup.autoSelect = r.autoSelect;
    HostedObject o(setup);
    std::string got;
    for (const int n : {kDimensionCount, kBoundaryX, kBoundaryY}) got += std::to_string(o.integer(n)) + " ";
    got += results(o, kBoundary, {0});
    for (const Act& a : {Act{kSetValue, 1, 8}, Act{kDeleteAt, 0}}) {
      o.act(a.n, a.first, a.second);
      got += " " + std::to_string(o.integer(kNumberOfRows));
    }
    EXPECT_EQ(got, r.expected) << r.dims << " " << r.autoSelect;
  }
  TesselSetup flags = makeSetup();
  flags.wildcard = 3;  // any non-zero flag: wildcard mode, case-sensitive
  flags.caseSensitive = 5;
  HostedObject w(flags);
  w.act(kAppendString, std::string("AbX"));
  EXPECT_EQ(results(w, kFindString, {"Ab*", "ab*"}), "0 -1");
  TesselSetup setup = makeSetup(1, 0, 0, ";");
  HostedObject semicolon(setup), none(makeSetup(1, 0, 0, ""));
  std::strcpy(setup.listDelimiter, "|");  // later changes to the record do not reach the store
  EXPECT_EQ(texts(semicolon, kDelimiter, {{}}) + texts(none, kDelimiter, {{}}), ";,");
  std::memset(setup.listDelimiter, 'x', sizeof setup.listDelimiter);  // no terminator at all
  EXPECT_EQ(HostedObject(setup).text(kDelimiter), std::string(1026, 'x'));
}

// Every expression fetches exactly its declared parameters, in order and by type, before anything else; a
// text result asks string space once; an integer result or a missing text asks none.
TEST(Protocol, EveryExpressionFollowsTheParameterAndResultRules) {
  HostedObject o(makeSetup(2, 2));
  o.act(kAppendString, "a");  // one element, so get$(0) has a text
  for (const catalogue::Expression& e : catalogue::kExpressions) {
    SCOPED_TRACE(e.name);
    std::vector<int> declared;
    Param params[2];
    for (int i = 0; i < e.paramCount(); ++i) {
      const bool text = e.params[i].kind == catalogue::ParamKind::text;
      declared.push_back(text ? TESSEL_PARAM_TEXT : TESSEL_PARAM_INTEGER);
      params[i] = text ? Param(std::string("a")) : Param(int32_t{0});
    }
    const ExpressionCall c = o.call(e.number, params[0], params[1]);
    EXPECT_EQ(c.protocolError, "");
    EXPECT_EQ(c.fetchedTypes, declared);
    if (!e.returnsText() || !c.textFlag) {
      EXPECT_TRUE(c.spaceSizes.empty());
      EXPECT_TRUE(!e.returnsText() || c.raw == 0);  // a missing text is a null pointer
      continue;
    }
    ASSERT_TRUE(c.text.has_value());
    EXPECT_EQ(c.spaceSizes, (std::vector<intptr_t>{static_cast<intptr_t>(c.text->size() + 1)}));
  }
}

TEST(Protocol, FlagWordTextSpaceAndActionResults) {
  HostedObject o;
  o.act(kAppendValue, 42);
  auto& routine = builtModule().infos().expressions;
  // Called directly, so the host's own bits are not cleared first. A text result: delimiter$(
  o.record().resultFlags = 0x0123;
  EXPECT_STREQ(reinterpret_cast<const char*>(routine[51](&o.record(), 0)), ",");
  EXPECT_EQ(o.record().resultFlags, 0x0123 | TESSEL_TEXT_FLAG);
  // An integer result leaves the word alone: size(
  o.record().resultFlags = 0x0123;
  EXPECT_EQ(routine[0](&o.record(), 0), 1);
  EXPECT_EQ(o.record().resultFlags, 0x0123);
  // An empty text still asks for one byte; each call gets its own space (a copy of the store's delimiter).
  o.act(kSetDelimiter, "");
  const ExpressionCall first = o.call(kDelimiter), second = o.call(kDelimiter);
  EXPECT_EQ(first.text.value_or("?") + second.text.value_or("?"), "");
  EXPECT_EQ(first.spaceSizes, (std::vector<intptr_t>{1}));
  EXPECT_NE(first.raw, second.raw);
  HostedObject t(makeSetup(2, 3));
  for (int n = 0; n < TESSEL_ACTION_COUNT; ++n) {
    // Harmless parameters for every kind: an unusable file name, index 0.
    EXPECT_EQ(t.act(n, std::string("/nonexistent/dir/file"), 0), 0) << n;
  }
}

}  // namespace
}  // namespace tessel::testing
