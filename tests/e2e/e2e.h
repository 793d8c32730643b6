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

// The element texts joined by "|", an empty text as "_".
inline std::string all(HostedObject& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) {
    const std::string t = o.text(kGetString, i).value_or("<none>");
    out += (i ? "|" : "") + (t.empty() ? std::string("_") : t);
  }
  return out;
}

// The key texts joined by "|", a missing key as "-".
inline std::string keys(HostedObject& o) {
  std::string out;
  for (int32_t i = 0; i < o.integer(kSize); ++i) out += (i ? "|" : "") + o.text(kKeyString, i).value_or("-");
  return out;
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

}  // namespace tessel::testing
