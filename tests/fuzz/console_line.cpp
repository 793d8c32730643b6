// The console's line language: any line either names one action, with
// parameters of the kinds it takes, or is a mistake the console can print;
// and reading a parameter never goes past the line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/fuzz_support.h"
#include "tools/console/console.h"

namespace tessel::fuzz {
namespace {

void checkTerm(const console::Term& t) {
  if (t.expression < 0) return;
  TESSEL_FUZZ_CHECK(static_cast<std::size_t>(t.expression) < catalogue::kExpressionCount);
  const auto& e = catalogue::kExpressions[t.expression];
  TESSEL_FUZZ_CHECK(static_cast<int>(t.arguments.size()) == e.paramCount());
  for (int i = 0; i < e.paramCount(); ++i) {
    TESSEL_FUZZ_CHECK(t.arguments[static_cast<std::size_t>(i)].kind == e.params[i].kind);
    checkTerm(t.arguments[static_cast<std::size_t>(i)]);
  }
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tessel;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const console::LoopNames loops{{"i", 1}, {"row", 2}};
  try {
    const console::ActionCall call = console::resolveAction(line, &loops);
    TESSEL_FUZZ_CHECK(call.number >= 0 && static_cast<std::size_t>(call.number) < catalogue::kActionCount);
    const auto& a = catalogue::kActions[call.number];
    TESSEL_FUZZ_CHECK(static_cast<int>(call.params.size()) == a.paramCount());
    for (int i = 0; i < a.paramCount(); ++i) {
      TESSEL_FUZZ_CHECK(call.params[static_cast<std::size_t>(i)].kind == a.params[i].kind);
      fuzz::checkTerm(call.params[static_cast<std::size_t>(i)]);
    }
  } catch (const console::UserError& e) {
    TESSEL_FUZZ_CHECK(*e.what() != '\0');
  }
  try {
    console::Cursor c(line, &loops);
    fuzz::checkTerm(c.term());
    TESSEL_FUZZ_CHECK(c.position() <= line.size());
  } catch (const console::UserError&) {
  }
  return 0;
}
