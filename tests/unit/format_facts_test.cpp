// The keep/lose table of the file formats, held to the code: each aspect is
// saved in each format and loaded back into a new store, and what comes back
// decides whether the aspect was kept, changed or lost.
#include "persist/format_facts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "tests/e2e/temp_files.h"

namespace tessel::persist::facts {
namespace {

std::string textOf(const Cell* c) { return c == nullptr ? std::string() : std::string(c->text().view()); }

// The cell's content as bytes: its text, or a data cell's bytes up to a zero.
std::string contentOf(const Cell* c) {
  if (c == nullptr) return {};
  if (c->type() != CellType::data) return textOf(c);
  const std::string_view bytes(c->bytes(), static_cast<std::size_t>(c->length()));
  return std::string(bytes.substr(0, bytes.find('\0')));
}

bool someCellHolds(const ArrayStore& s, std::string_view part) {
  for (int32_t i = 0; i < s.size(); ++i) {
    if (contentOf(s.cellAt(i)).find(part) != std::string::npos) return true;
  }
  return false;
}

// Saves `source` in the format and loads it into a new store.
ArrayStore roundTrip(Format f, const ArrayStore& source, const std::string& file) {
  ArrayStore loaded;
  const char* name = file.c_str();
  FileHandler files;
  switch (f) {
    case Format::native:
      EXPECT_TRUE(saveToFile(source, files, name, WriteMode::replace).ok());
      EXPECT_TRUE(loadFromFile(loaded, files, name, LoadMode::replace).ok());
      break;
    case Format::hostArray:
      EXPECT_TRUE(saveAsHostArray(source, files, name, WriteMode::replace).ok());
      EXPECT_TRUE(loadFromHostArray(loaded, files, name, LoadMode::replace).ok());
      break;
    case Format::csv:
      EXPECT_TRUE(saveToCsv(source, files, name, WriteMode::replace).ok());
      EXPECT_TRUE(loadFromCsv(loaded, files, name, LoadMode::replace).ok());
      break;
    case Format::ini:
      EXPECT_TRUE(saveToIni(source, files, name, WriteMode::replace).ok());
      EXPECT_TRUE(loadFromIni(loaded, files, name, LoadMode::replace).ok());
      break;
    case Format::element:
      for (int32_t i = 0; i < source.size(); ++i) {
        EXPECT_TRUE(saveElementToFile(source, files, name, WriteMode::replace, i).ok());
        EXPECT_TRUE(appendFile(loaded, files, name).ok());
      }
      break;
  }
  return loaded;
}

struct Probe {
  const char* aspect;
  ArrayStore (*make)();
  Fate (*judge)(const ArrayStore& saved, const ArrayStore& loaded);
};

ArrayStore oneCell(const CellDescriptor& d) {
  ArrayStore s;
  s.append(d);
  return s;
}

// By whether the text comes back whole in the first cell, inside some cell, or nowhere.
Fate textFate(const ArrayStore& loaded, std::string_view text) {
  if (contentOf(loaded.cellAt(0)) == text) return Fate::kept;
  return someCellHolds(loaded, text) ? Fate::changed : Fate::lost;
}

const Probe kProbes[] = {
    {"Dimensions and boundaries",
     [] {
       ArrayStore s;
       s.dimensions().setCount(3);
       s.dimensions().setBoundary(1, 2);
       s.dimensions().setBoundary(2, 2);
       for (const char* t : {"a", "b", "c", "d", "e", "f", "g", "h"}) s.append(CellDescriptor::ofString(t));
       return s;
     },
     [](const ArrayStore& saved, const ArrayStore& loaded) {
       const Dimensions& d = loaded.dimensions();
       if (d.count() == 3 && d.boundary(1) == 2 && d.boundary(2) == 2 && loaded.size() == saved.size())
         return Fate::kept;
       return d.count() == ArrayStore().dimensions().count() ? Fate::lost : Fate::changed;
     }},
    {"Keys",
     [] {
       ArrayStore s;
       s.append(CellDescriptor::ofString("a"));
       s.append(CellDescriptor::ofValue(5));
       s.setKey(0, CellDescriptor::ofString("k"));
       s.setKey(1, CellDescriptor::ofValue(7));
       return s;
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* a = loaded.cellAt(0);
       const Cell* b = loaded.cellAt(1);
       const Cell* ka = a ? a->key() : nullptr;
       const Cell* kb = b ? b->key() : nullptr;
       if (ka && kb && ka->type() == CellType::string && textOf(ka) == "k" && kb->type() == CellType::value &&
           kb->value() == 7)
         return Fate::kept;
       return textOf(ka) == "k" || textOf(kb) == "7" ? Fate::changed : Fate::lost;
     }},
    {"Column labels",
     [] {
       ArrayStore s;
       s.dimensions().setCount(2);
       s.dimensions().setBoundary(1, 2);
       s.append(CellDescriptor::ofString("ann"));
       s.append(CellDescriptor::ofValue(30));
       recordset::setLabel(s, "name", 0);
       recordset::setLabel(s, "age", 1);
       return s;
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const char* a = loaded.labels().at(0);
       const char* b = loaded.labels().at(1);
       if (a && b && std::string(a) == "name" && std::string(b) == "age") return Fate::kept;
       return a || b ? Fate::changed : Fate::lost;
     }},
    {"Empty cells",
     [] {
       ArrayStore s;
       for (const char* t : {"a", "", "b"}) s.append(CellDescriptor::ofString(t));
       s.set(1, CellDescriptor::ofValue(0));
       s.setKey(1, CellDescriptor::ofString("e"));
       return s;
     },
     [](const ArrayStore& saved, const ArrayStore& loaded) {
       EXPECT_EQ(saved.cellAt(1)->type(), CellType::empty);
       const Cell* c = loaded.cellAt(1);
       if (c == nullptr || contentOf(loaded.cellAt(2)) != "b") return Fate::lost;
       return c->type() == CellType::empty ? Fate::kept : Fate::changed;
     }},
    {"Value cells (integers)", [] { return oneCell(CellDescriptor::ofValue(42)); },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* c = loaded.cellAt(0);
       if (c && c->type() == CellType::value && c->value() == 42) return Fate::kept;
       return contentOf(c) == "42" ? Fate::changed : Fate::lost;
     }},
    {"String cells", [] { return oneCell(CellDescriptor::ofString("hello")); },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* c = loaded.cellAt(0);
       if (c && c->type() == CellType::string && textOf(c) == "hello") return Fate::kept;
       return contentOf(c) == "hello" ? Fate::changed : Fate::lost;
     }},
    {"Data cells (raw bytes)", [] { return oneCell(CellDescriptor::ofData("x\0y", 3)); },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* c = loaded.cellAt(0);
       if (c && c->type() == CellType::data && c->length() == 3 &&
           std::string_view(c->bytes(), 3) == std::string_view("x\0y", 3))
         return Fate::kept;
       return someCellHolds(loaded, "x") ? Fate::changed : Fate::lost;
     }},
    {"Texts holding the format's separator",
     [] {
       ArrayStore s = oneCell(CellDescriptor::ofString("x,y=z"));
       s.setKey(0, CellDescriptor::ofString("k=v"));
       return s;
     },
     [](const ArrayStore&, const ArrayStore& loaded) {
       const Cell* key = loaded.cellAt(0) ? loaded.cellAt(0)->key() : nullptr;
       const Fate text = textFate(loaded, "x,y=z");
       // A format that drops keys altogether is judged by the text alone.
       return text == Fate::kept && key != nullptr && !textOf(key).empty() && textOf(key) != "k=v" ? Fate::changed
                                                                                                   : text;
     }},
    {"Texts holding line breaks", [] { return oneCell(CellDescriptor::ofString("one\r\ntwo")); },
     [](const ArrayStore&, const ArrayStore& loaded) { return textFate(loaded, "one\r\ntwo"); }},
    {"Row selection and settings",
     [] {
       ArrayStore s = oneCell(CellDescriptor::ofString("a"));
       s.setListDelimiter(";");
       s.setCaseSensitive(true);
       s.setWildcard(true);
       return s;
     },
     [](const ArrayStore& saved, const ArrayStore& loaded) {
       const bool delimiter = loaded.listDelimiter() == saved.listDelimiter();
       const bool modes = loaded.compareMode().caseSensitive && loaded.compareMode().wildcard;
       if (delimiter && modes) return Fate::kept;
       return delimiter || modes ? Fate::changed : Fate::lost;
     }},
};

TEST(FormatFacts, EveryAspectIsProbed) {
  ASSERT_EQ(std::size(kProbes), kAspectCount);
  for (std::size_t a = 0; a < kAspectCount; ++a) EXPECT_STREQ(kProbes[a].aspect, kAspects[a].name);
  for (std::size_t f = 0; f < kFormatCount; ++f) EXPECT_EQ(static_cast<std::size_t>(kFormats[f].format), f);
}

TEST(FormatFacts, TheTableSaysWhatARoundTripDoes) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (std::size_t a = 0; a < std::size(kProbes); ++a) {
    const ArrayStore saved = kProbes[a].make();
    for (std::size_t f = 0; f < kFormatCount; ++f) {
      SCOPED_TRACE(std::string(kAspects[a].name) + " in the " + kFormats[f].name);
      const ArrayStore loaded = roundTrip(kFormats[f].format, saved, dir.file("f" + std::to_string(f)));
      EXPECT_STREQ(fateName(kProbes[a].judge(saved, loaded)), fateName(kAspects[a].by[f].fate));
    }
  }
}

}  // namespace
}  // namespace tessel::persist::facts
