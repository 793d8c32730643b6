// The examples that the help texts show are lines the console reads as the
// entry they stand under.
#include <gtest/gtest.h>

#include "host/catalogue_notes.h"
#include "tools/console/console.h"

namespace tessel::console {
namespace {

TEST(HelpExamples, EachActionExampleNamesItsAction) {
  int checked = 0;
  for (const catalogue::Note& n : catalogue::kActionNotes) {
    if (*n.example == '\0') continue;
    SCOPED_TRACE(n.example);
    try {
      EXPECT_EQ(resolveAction(n.example).number, n.number);
    } catch (const UserError& e) {
      ADD_FAILURE() << e.what();
    }
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

TEST(HelpExamples, EachExpressionExampleCallsItsExpression) {
  for (const catalogue::Note& n : catalogue::kExpressionNotes) {
    if (*n.example == '\0') continue;
    SCOPED_TRACE(n.example);
    try {
      Cursor c(n.example);
      const Term t = c.term();
      EXPECT_EQ(t.expression, n.number);
      EXPECT_EQ(static_cast<int>(t.arguments.size()), catalogue::kExpressions[n.number].paramCount());
      EXPECT_TRUE(c.atEnd());
    } catch (const UserError& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

}  // namespace
}  // namespace tessel::console
