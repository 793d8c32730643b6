// Routes of the actions and expressions that reach the lists and the
// recordset: rows, columns, labels, selection, row sorting and aggregates.
#include <optional>
#include <string>

#include "core/array_store.h"
#include "host/operations.h"
#include "persist/save_size.h"
#include "recordset/aggregates.h"
#include "recordset/labels.h"
#include "recordset/lists.h"
#include "recordset/row_sort.h"
#include "recordset/rows.h"
#include "recordset/selection.h"

namespace tessel {

namespace rs = recordset;

namespace actions {

void pickBetweenColumn(Instance& o, const Arguments& a) { o.setBetweenColumn(a.integer(0)); }
void pickBetweenLabel(Instance& o, const Arguments& a) { o.setBetweenColumn(rs::columnOfLabel(o.store(), a.text(0))); }
void selectBetweenValues(Instance& o, const Arguments& a) {
  rs::whereBetweenValues(o.store(), o.betweenColumn(), a.integer(0), a.integer(1));
}
void selectBetweenStrings(Instance& o, const Arguments& a) {
  rs::whereBetweenStrings(o.store(), o.betweenColumn(), a.text(0), a.text(1));
}

void insertRowFromList(Instance& o, const Arguments& a) { rs::insertRowFromList(o.store(), a.text(0), a.integer(1)); }
void appendRowFromList(Instance& o, const Arguments& a) { rs::appendRowFromList(o.store(), a.text(0)); }
void replaceRowWithList(Instance& o, const Arguments& a) { rs::replaceRowWithList(o.store(), a.text(0), a.integer(1)); }
void deleteRow(Instance& o, const Arguments& a) { rs::deleteRow(o.store(), a.integer(0)); }
void setLabel(Instance& o, const Arguments& a) { rs::setLabel(o.store(), a.text(0), a.integer(1)); }

void sortRowsByColumnValueAscending(Instance& o, const Arguments& a) {
  rs::sortRowsByColumn(o.store(), a.integer(0), kSortByValue, SortOrder::ascending);
}
void sortRowsByColumnValueDescending(Instance& o, const Arguments& a) {
  rs::sortRowsByColumn(o.store(), a.integer(0), kSortByValue, SortOrder::descending);
}
void sortRowsByColumnStringAscending(Instance& o, const Arguments& a) {
  rs::sortRowsByColumn(o.store(), a.integer(0), kSortByString, SortOrder::ascending);
}
void sortRowsByColumnStringDescending(Instance& o, const Arguments& a) {
  rs::sortRowsByColumn(o.store(), a.integer(0), kSortByString, SortOrder::descending);
}
void sortRowsByLabelValueAscending(Instance& o, const Arguments& a) {
  rs::sortRowsByLabel(o.store(), a.text(0), kSortByValue, SortOrder::ascending);
}
void sortRowsByLabelValueDescending(Instance& o, const Arguments& a) {
  rs::sortRowsByLabel(o.store(), a.text(0), kSortByValue, SortOrder::descending);
}
void sortRowsByLabelStringAscending(Instance& o, const Arguments& a) {
  rs::sortRowsByLabel(o.store(), a.text(0), kSortByString, SortOrder::ascending);
}
void sortRowsByLabelStringDescending(Instance& o, const Arguments& a) {
  rs::sortRowsByLabel(o.store(), a.text(0), kSortByString, SortOrder::descending);
}

void useAndMode(Instance& o, const Arguments&) { rs::useAndMode(o.store()); }
void useOrMode(Instance& o, const Arguments&) { rs::useOrMode(o.store()); }
void selectAllRows(Instance& o, const Arguments&) { rs::selectAllRows(o.store()); }
void invertSelection(Instance& o, const Arguments&) { rs::invertSelection(o.store()); }
void startNewWhere(Instance& o, const Arguments&) { rs::startNewWhere(o.store()); }

void selectColumnMatching(Instance& o, const Arguments& a) { rs::whereMatching(o.store(), a.integer(0), a.text(1)); }
void selectColumnContaining(Instance& o, const Arguments& a) {
  rs::whereContaining(o.store(), a.integer(0), a.text(1));
}
void selectColumnEqual(Instance& o, const Arguments& a) { rs::whereEqual(o.store(), a.integer(0), a.integer(1)); }
void selectColumnNotEqual(Instance& o, const Arguments& a) { rs::whereNotEqual(o.store(), a.integer(0), a.integer(1)); }
void selectColumnGreater(Instance& o, const Arguments& a) { rs::whereGreater(o.store(), a.integer(0), a.integer(1)); }
void selectColumnGreaterOrEqual(Instance& o, const Arguments& a) {
  rs::whereGreaterOrEqual(o.store(), a.integer(0), a.integer(1));
}
void selectColumnLess(Instance& o, const Arguments& a) { rs::whereLess(o.store(), a.integer(0), a.integer(1)); }
void selectColumnLessOrEqual(Instance& o, const Arguments& a) {
  rs::whereLessOrEqual(o.store(), a.integer(0), a.integer(1));
}

namespace {

// The label forms hand the label's column on unchecked: -1 makes every row fail.
int32_t labelColumn(Instance& o, const Arguments& a) { return rs::columnOfLabel(o.store(), a.text(0)); }

}  // namespace

void selectLabelMatching(Instance& o, const Arguments& a) {
  rs::whereMatching(o.store(), labelColumn(o, a), a.text(1));
}
void selectLabelContaining(Instance& o, const Arguments& a) {
  rs::whereContaining(o.store(), labelColumn(o, a), a.text(1));
}
void selectLabelEqual(Instance& o, const Arguments& a) { rs::whereEqual(o.store(), labelColumn(o, a), a.integer(1)); }
void selectLabelNotEqual(Instance& o, const Arguments& a) {
  rs::whereNotEqual(o.store(), labelColumn(o, a), a.integer(1));
}
void selectLabelGreater(Instance& o, const Arguments& a) {
  rs::whereGreater(o.store(), labelColumn(o, a), a.integer(1));
}
void selectLabelGreaterOrEqual(Instance& o, const Arguments& a) {
  rs::whereGreaterOrEqual(o.store(), labelColumn(o, a), a.integer(1));
}
void selectLabelLess(Instance& o, const Arguments& a) { rs::whereLess(o.store(), labelColumn(o, a), a.integer(1)); }
void selectLabelLessOrEqual(Instance& o, const Arguments& a) {
  rs::whereLessOrEqual(o.store(), labelColumn(o, a), a.integer(1));
}

}  // namespace actions

namespace expressions {

using rs::Aggregate;

namespace {

Result builtOrNone(std::optional<std::string> text) {
  return text ? Result::built(std::move(*text)) : Result::noText();
}
Result cellOrNone(const std::optional<CellText>& text) { return text ? Result::text(*text) : Result::noText(); }

}  // namespace

// Built texts stop where saves stop: a list longer than a save of the array
// could write gives no text. An obvious fault mended: a list of billions of
// empty columns was built, however long it took and whatever it cost.
constexpr rs::TextBound kTextBound = &persist::withinSaveSize;

Result elementList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::elementList(o.store(), a.text(0), kTextBound));
}
Result quotedElementList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::quotedElementList(o.store(), a.text(0), kTextBound));
}
Result keyList(Instance& o, const Arguments& a) { return builtOrNone(rs::keyList(o.store(), a.text(0), kTextBound)); }
Result quotedKeyList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::quotedKeyList(o.store(), a.text(0), kTextBound));
}
Result pairList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::pairList(o.store(), a.text(0), a.text(1), kTextBound));
}
Result quotedPairList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::quotedPairList(o.store(), a.text(0), a.text(1), kTextBound));
}

Result numberOfRows(Instance& o, const Arguments&) { return Result::integer(rs::rowCount(o.store())); }
Result numberOfColumns(Instance& o, const Arguments&) { return Result::integer(rs::columnCount(o.store())); }
Result rowList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::rowList(o.store(), a.integer(0), kTextBound));
}
Result columnList(Instance& o, const Arguments& a) {
  return builtOrNone(rs::columnList(o.store(), a.integer(0), kTextBound));
}
Result label(Instance& o, const Arguments& a) { return Result::text(rs::label(o.store(), a.integer(0))); }
Result labelList(Instance& o, const Arguments&) { return builtOrNone(rs::labelList(o.store(), kTextBound)); }
Result columnOfLabel(Instance& o, const Arguments& a) {
  return Result::integer(rs::columnOfLabel(o.store(), a.text(0)));
}

Result valueAtColumnRow(Instance& o, const Arguments& a) {
  return Result::integer(rs::valueAtColumnRow(o.store(), a.integer(0), a.integer(1)));
}
Result stringAtColumnRow(Instance& o, const Arguments& a) {
  return cellOrNone(rs::stringAtColumnRow(o.store(), a.integer(0), a.integer(1)));
}
Result valueAtLabelRow(Instance& o, const Arguments& a) {
  return Result::integer(rs::valueAtLabelRow(o.store(), a.text(0), a.integer(1)));
}
Result stringAtLabelRow(Instance& o, const Arguments& a) {
  return cellOrNone(rs::stringAtLabelRow(o.store(), a.text(0), a.integer(1)));
}

Result columnMaximum(Instance& o, const Arguments& a) {
  return Result::integer(rs::columnAggregate(o.store(), a.integer(0), Aggregate::maximum));
}
Result columnMinimum(Instance& o, const Arguments& a) {
  return Result::integer(rs::columnAggregate(o.store(), a.integer(0), Aggregate::minimum));
}
Result columnSum(Instance& o, const Arguments& a) {
  return Result::integer(rs::columnAggregate(o.store(), a.integer(0), Aggregate::sum));
}
Result columnAverage(Instance& o, const Arguments& a) {
  return Result::integer(rs::columnAggregate(o.store(), a.integer(0), Aggregate::average));
}
Result labelMaximum(Instance& o, const Arguments& a) {
  return Result::integer(rs::labelAggregate(o.store(), a.text(0), Aggregate::maximum));
}
Result labelMinimum(Instance& o, const Arguments& a) {
  return Result::integer(rs::labelAggregate(o.store(), a.text(0), Aggregate::minimum));
}
Result labelSum(Instance& o, const Arguments& a) {
  return Result::integer(rs::labelAggregate(o.store(), a.text(0), Aggregate::sum));
}
Result labelAverage(Instance& o, const Arguments& a) {
  return Result::integer(rs::labelAggregate(o.store(), a.text(0), Aggregate::average));
}

}  // namespace expressions

}  // namespace tessel
