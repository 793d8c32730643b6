// The save report, format by format, on arrays that meet each of its rules at
// its limits: what it counts of each kind, and the shape before and after.
#include "persist/save_report.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "persist/csv_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "tests/e2e/temp_files.h"
#include "tests/unit/stores.h"

namespace tessel::persist {
namespace {

using D = CellDescriptor;
using testing::array;

// "before>after" and every count that is not 0, by name.
std::string describe(const TesselSaveReport& r) {
#define COUNT(field) std::make_pair(#field, r.field)
  const std::pair<const char*, int32_t> kCounts[] = {
      COUNT(keysDropped),       COUNT(keysBecomeTexts),  COUNT(keysChanged),       COUNT(labelsDropped),
      COUNT(valuesBecomeTexts), COUNT(dataWrittenEmpty), COUNT(emptyCellsDropped), COUNT(elementsAdded),
      COUNT(splitAtSeparator),  COUNT(splitAtLineBreak), COUNT(textsEmptied)};
#undef COUNT
  std::string out = std::to_string(r.dimensionsBefore) + ">" + std::to_string(r.dimensionsAfter);
  for (const auto& [name, count] : kCounts) {
    if (count != 0) out += " " + std::string(name) + " " + std::to_string(count);
  }
  return out;
}

TEST(SaveReport, CountsWhatEachFormatCannotKeep) {
  // Every kind of cell and key; texts that break CSV and INI lines.
  const ArrayStore mixed = array(1, 0, 0,
                                 {{D::ofValue(5), D::ofValue(7)},
                                  {D::ofData("\0x", 2)},
                                  {D::ofString("a,b"), D::ofString("k=1")},
                                  {D::ofString("l\nm")},
                                  {D::ofString("\"\""), D::ofString("//")},
                                  {D::ofString("\"\"\"")},
                                  {D::ofString("c\rd"), D::ofValue(0)},
                                  {D::ofData("y", 1), D::ofString("k")},
                                  {D{}}});
  // String keys an INI line reads back otherwise, and near misses.
  const ArrayStore keys = array(1, 0, 0,
                                {{D::ofString("x"), D::ofString(" a")},
                                 {D::ofString("x"), D::ofString("\tb")},
                                 {D::ofString("x]"), D::ofString("[s")},
                                 {D::ofString("x"), D::ofString("[s]")},
                                 {D::ofString("x"), D::ofString("[s")},
                                 {D::ofString("x"), D::ofString("/")},
                                 {D::ofString("x"), D::ofString("/a/")},
                                 {D::ofString("x"), D::ofString("=\n")},
                                 {D::ofString("x"), D::ofString("")},
                                 {D::ofString(""), D::ofString("k")},
                                 {D{}, D::ofData("z", 1)},
                                 {D::ofString("")}});
  // A table whose last row is short, with a label, an empty one and one past its columns.
  ArrayStore table = array(2, 2, 0, {{D::ofValue(1)}, {D::ofString("x")}, {D::ofValue(2)}});
  recordset::setLabel(table, "name", 0);
  recordset::setLabel(table, "", 1);
  table.dimensions().setBoundary(1, 3);
  recordset::setLabel(table, "past", 2);
  table.dimensions().setBoundary(1, 2);
  // Pages, which keep no labels.
  ArrayStore pages = array(
      3, 2, 2, {{D::ofString("a")}, {D::ofString("b")}, {D::ofString("c")}, {D::ofString("d")}, {D::ofString("e")}});
  const ArrayStore none = array(2, 3, 0, {});

  using Save = Status (*)(const ArrayStore&, FileHandler&, const char*, WriteMode, SaveReport*);
  const struct {
    const ArrayStore& store;
    Save save;
    const char* report;
  } kRows[] = {
      {mixed, saveToFile, "1>1"},
      {mixed, saveAsHostArray, "1>1 keysDropped 4 valuesBecomeTexts 1 dataWrittenEmpty 2 elementsAdded 1"},
      {mixed, saveToCsv,
       "1>2 keysDropped 4 valuesBecomeTexts 1 dataWrittenEmpty 2 splitAtSeparator 1 splitAtLineBreak 2 "
       "textsEmptied 1"},
      {mixed, saveToIni,
       "1>0 keysBecomeTexts 1 keysChanged 2 valuesBecomeTexts 1 dataWrittenEmpty 1 emptyCellsDropped 2 "
       "splitAtLineBreak 2"},
      {keys, saveToIni, "1>0 keysChanged 4 emptyCellsDropped 2 splitAtLineBreak 1"},
      {table, saveToFile, "2>2"},
      {table, saveAsHostArray, "2>2 labelsDropped 1 valuesBecomeTexts 2 elementsAdded 1"},
      {table, saveToCsv, "2>2 labelsDropped 1 valuesBecomeTexts 2 elementsAdded 1"},
      {table, saveToIni, "2>0 labelsDropped 1 valuesBecomeTexts 2"},
      {pages, saveAsHostArray, "3>3 elementsAdded 3"},
      {pages, saveToCsv, "3>2 elementsAdded 1"},
      {none, saveToCsv, "2>0"},
  };
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  FileHandler files;
  for (const auto& row : kRows) {
    SCOPED_TRACE(&row - kRows);
    SaveReport report;
    ASSERT_TRUE(row.save(row.store, files, dir.file("f").c_str(), WriteMode::replace, &report).ok());
    EXPECT_EQ(describe(report), row.report);
  }
}

}  // namespace
}  // namespace tessel::persist
