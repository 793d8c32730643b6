// Helpers shared by the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "host/catalogue.h"
#include "tests/host/catalogue_numbers.h"
#include "tests/host/test_host.h"

namespace tessel::testing {

// One action call with its parameters, for running several in a row.
struct Act {
  int n;
  Param first = {}, second = {};
};
inline void run(HostedObject& o, std::initializer_list<Act> acts) {
  for (const Act& a : acts) o.act(a.n, a.first, a.second);
}

// The texts of `expression` at each index joined by "|", a missing one as `missing`, an empty one as `empty`.
inline std::string joined(HostedObject& o, int expression, const char* missing, const char* empty) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) {
    const std::string t = o.text(expression, i).value_or(missing);
    out += (i ? "|" : "") + (t.empty() ? std::string(empty) : t);
  }
  return out;
}
// The element texts, an empty text as "_"; the key texts, a missing key as "-".
inline std::string all(HostedObject& o) { return joined(o, kGetString, "<none>", "_"); }
inline std::string keys(HostedObject& o) { return joined(o, kKeyString, "-", ""); }

// One act and what `view` shows after it.
struct Step {
  Act act;
  std::string expected;
};
inline void play(HostedObject& o, std::initializer_list<Step> steps, std::string (*view)(HostedObject&) = all) {
  int n = 0;
  for (const Step& s : steps) {
    o.act(s.act.n, s.act.first, s.act.second);
    EXPECT_EQ(view(o), s.expected) << "step " << n++;
  }
}

inline void appendStrings(HostedObject& o, std::initializer_list<const char*> texts) {
  for (const char* t : texts) o.act(kAppendString, std::string(t));
}

// The integer results of `expression` for each first parameter, joined by spaces.
inline std::string results(HostedObject& o, int expression, std::initializer_list<Param> firsts,
                           const Param& second = {}) {
  std::string out;
  for (const Param& p : firsts) out += (out.empty() ? "" : " ") + std::to_string(o.integer(expression, p, second));
  return out;
}

// The text results of `expression` for each first parameter, joined by "|", a missing text as "<none>".
inline std::string texts(HostedObject& o, int expression, std::initializer_list<Param> firsts,
                         const Param& second = {}) {
  std::string out;
  for (const Param& p : firsts)
    out += (&p == firsts.begin() ? "" : "|") + o.text(expression, p, second).value_or("<none>");
  return out;
}

}  // namespace tessel::testing
