// The catalogue of actions and expressions as constant tables, for every
// part of the system that names or describes them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/tessel.h"

namespace tessel::catalogue {

enum class ParamKind : uint8_t { none, integer, text };
// A parameter's kind as the help texts name it.
constexpr const char* paramKindName(ParamKind p) { return p == ParamKind::text ? "text" : "integer"; }
enum class ResultKind : uint8_t { integer, storeText, builtText };

struct Parameter {
  ParamKind kind;
  const char* name;
};

// An entry's menu id and string id are its number past the first id of its kind.
inline constexpr int kFirstActionMenuId = 25000;
inline constexpr int kFirstExpressionMenuId = 27000;
inline constexpr int kFirstActionStringId = 28200;
inline constexpr int kFirstExpressionStringId = 28400;

struct Action {
  int number;
  const char* label;
  const char* display;
  Parameter params[2];
  const char* summary;
  const char* operation;

  constexpr int menuId() const { return kFirstActionMenuId + number; }
  // GCOVR_EXCL_START: called by the resource generator at build time; the Windows tests read its strings
  constexpr int stringId() const { return kFirstActionStringId + number; }
  // GCOVR_EXCL_STOP
  constexpr int paramCount() const { return (params[0].kind != ParamKind::none) + (params[1].kind != ParamKind::none); }
};

struct Expression {
  int number;
  const char* label;
  const char* name;
  Parameter params[2];
  ResultKind result;
  const char* summary;
  const char* operation;  // the name of the operation behind the row; rows that share one share a routine

  constexpr int menuId() const { return kFirstExpressionMenuId + number; }
  // GCOVR_EXCL_START: called by the resource generator at build time; the Windows tests read its strings
  constexpr int stringId() const { return kFirstExpressionStringId + number; }
  // GCOVR_EXCL_STOP
  constexpr int paramCount() const { return (params[0].kind != ParamKind::none) + (params[1].kind != ParamKind::none); }
  constexpr bool returnsText() const { return result != ResultKind::integer; }
};

#define TESSEL_NONE \
  Parameter { ParamKind::none, nullptr }
#define TESSEL_INT(name) \
  Parameter { ParamKind::integer, name }
#define TESSEL_TEXT(name) \
  Parameter { ParamKind::text, name }
#define TESSEL_INTEGER ResultKind::integer
#define TESSEL_STORE_TEXT ResultKind::storeText
#define TESSEL_BUILT_TEXT ResultKind::builtText

inline constexpr Action kActions[] = {
#define TESSEL_ACTION(no, label, display, p1, p2, op, summary) Action{no, label, display, {p1, p2}, summary, #op},
#include "host/catalogue.inc"
#undef TESSEL_ACTION
};

inline constexpr Expression kExpressions[] = {
#define TESSEL_EXPRESSION(no, label, name, p1, p2, result, op, summary) \
  Expression{no, label, name, {p1, p2}, result, summary, #op},
#include "host/catalogue.inc"
#undef TESSEL_EXPRESSION
};

#undef TESSEL_NONE
#undef TESSEL_INT
#undef TESSEL_TEXT
#undef TESSEL_INTEGER
#undef TESSEL_STORE_TEXT
#undef TESSEL_BUILT_TEXT

inline constexpr std::size_t kActionCount = sizeof(kActions) / sizeof(kActions[0]);
inline constexpr std::size_t kExpressionCount = sizeof(kExpressions) / sizeof(kExpressions[0]);

template <typename Entry, std::size_t N>
constexpr bool numberedInOrder(const Entry (&entries)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (entries[i].number != static_cast<int>(i)) return false;
  }
  return true;
}

// "11%s: ..." with one further %s per parameter, or "10%s: ..." without parameters.
constexpr bool displayFitsParameters(const Action& a) {
  int placeholders = 0;
  for (const char* p = a.display; *p != '\0'; ++p) placeholders += p[0] == '%' && p[1] == 's';
  return a.display[0] == '1' && a.display[1] == (a.paramCount() > 0 ? '1' : '0') && placeholders == 1 + a.paramCount();
}

constexpr bool nameEndsWithParenthesis(const Expression& e) {
  const char* p = e.name;
  while (p[1] != '\0') ++p;
  return *p == '(';
}

template <typename Entry, std::size_t N, typename Check>
constexpr bool all(const Entry (&entries)[N], Check check) {
  for (const Entry& e : entries) {
    if (!check(e)) return false;
  }
  return true;
}

constexpr bool sameText(const char* a, const char* b) {
  for (; *a != '\0' && *a == *b; ++a) ++b;
  return *a == *b;
}

template <typename Entry, std::size_t N>
constexpr int numberOf(const Entry (&entries)[N], const char* operation) {
  for (const Entry& e : entries) {
    if (sameText(e.operation, operation)) return e.number;
  }
  throw "no such operation in the catalogue";  // GCOVR_EXCL_LINE: fails the compile where a constant is asked for
}

// Catalogue numbers by operation name, for hosts and tests:
// `constexpr int kSave = actionOf("saveToCsv");`. Rows that share an
// operation give the first one's number.
constexpr int actionOf(const char* operation) { return numberOf(kActions, operation); }
constexpr int expressionOf(const char* operation) { return numberOf(kExpressions, operation); }

static_assert(all(kActions, displayFitsParameters), "display strings fit the parameters");
static_assert(all(kExpressions, nameEndsWithParenthesis), "expression names end with (");
static_assert(kActionCount == TESSEL_ACTION_COUNT && numberedInOrder(kActions), "actions are numbered from 0");
static_assert(kExpressionCount == TESSEL_EXPRESSION_COUNT && numberedInOrder(kExpressions),
              "expressions are numbered from 0");

}  // namespace tessel::catalogue
