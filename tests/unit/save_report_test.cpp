// The save report held to what a round trip really does: random arrays (1D,
// 2D, 3D; every cell and key type; labels) are saved in every whole-array
// format and loaded back, the difference between the two arrays is counted
// here, element by element, and the report must name exactly that. Texts that
// break a format's syntax (separators, line breaks, INI key syntax) are put
// into a twin of each array, whose report must count them and otherwise say
// what the clean array's says, while its round trip must show a real loss.
#include "persist/save_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "persist/csv_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"
#include "recordset/labels.h"
#include "tests/e2e/temp_files.h"
#include "tests/unit/stores.h"

namespace tessel::persist {
namespace {

enum class Fmt { native, host, csv, ini };
const struct {
  Fmt format;
  const char* name;
  Status (*save)(const ArrayStore&, FileHandler&, const char*, WriteMode, SaveReport*);
  Status (*load)(ArrayStore&, const FileHandler&, const char*, LoadMode);
} kFormats[] = {
    {Fmt::native, "native", saveToFile, loadFromFile},
    {Fmt::host, "host", saveAsHostArray, loadFromHostArray},
    {Fmt::csv, "csv", saveToCsv, loadFromCsv},
    {Fmt::ini, "ini", saveToIni, loadFromIni},
};

// How a text of the messy twin breaks a format.
enum class Mess { none, comma, lineBreak, quotes, keyEquals, keyBlank, keyComment, keySection };

// CSV writes no keys; INI breaks at a line break in a text or key and at
// its key syntax.
bool messAffects(Mess m, bool inKey, Fmt f) {
  if (f == Fmt::csv) return !inKey && (m == Mess::comma || m == Mess::lineBreak || m == Mess::quotes);
  if (f == Fmt::ini) return m != Mess::none && m != Mess::comma && m != Mess::quotes;
  return false;
}

struct Content {
  CellType type = CellType::empty;
  int32_t value = 0;
  std::string bytes;  // a string's text or a data cell's bytes
};

struct CellPlan {
  Content cell;
  std::optional<Content> key;
  std::string messyText;  // the twin's text, when it differs
  Mess mess = Mess::none;
  bool messInKey = false;
};

struct ArrayPlan {
  int32_t dims = 1;
  int32_t x = 0;
  int32_t y = 0;
  std::vector<CellPlan> cells;
  std::vector<std::string> labels;  // one per column of a 2D array; empty for none
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}

  ArrayPlan array() {
    ArrayPlan a;
    a.dims = pick(1, 3);
    if (a.dims >= 2) a.x = pick(1, 4);
    if (a.dims == 3) a.y = pick(1, 3);
    const int count = pick(0, 3) == 0 ? pick(0, 2) : pick(0, 20);
    for (int i = 0; i < count; ++i) a.cells.push_back(cell());
    if (a.dims == 2 && pick(0, 1) == 1) {
      for (int c = 0; c < a.x; ++c) a.labels.push_back(pick(0, 2) == 0 ? "" : text(kKeyChars, 1));
    }
    return a;
  }

 private:
  static constexpr const char* kTextChars = "abcXYZ019 \"=[]\t\xc3\xa9";
  static constexpr const char* kKeyChars = "kKey279_\"\xc3\xa9";

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  std::string text(const char* chars, int least) {
    const std::string alphabet(chars);
    std::string t;
    do {
      t.clear();
      for (int n = pick(least, 6); n > 0; --n)
        t += alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
    } while (t == "\"\"");  // the one text CSV reads back otherwise
    return t;
  }

  Content content(bool isKey) {
    Content c;
    switch (pick(0, 3)) {
      case 0: break;
      case 1:
        c.type = CellType::value;
        c.value = pick(-1000, 1000);
        if (c.value == 0) c.value = 7;  // 0 makes an empty cell
        break;
      case 2:
        c.type = CellType::string;
        c.bytes = pick(0, 4) == 0 ? "" : text(isKey ? kKeyChars : kTextChars, 1);
        break;
      default:
        c.type = CellType::data;
        for (int n = pick(1, 5); n > 0; --n) c.bytes += static_cast<char>(pick(0, 255));
    }
    return c;
  }

  CellPlan cell() {
    CellPlan s;
    s.cell = content(false);
    if (pick(0, 4) < 2) s.key = content(true);
    // The twin breaks one text or key of about one element in six.
    const bool text = s.cell.type == CellType::string && !s.cell.bytes.empty();
    const bool key = s.key && s.key->type == CellType::string && !s.key->bytes.empty();
    if (pick(0, 5) != 0 || (!text && !key)) return s;
    s.messInKey = key && (!text || pick(0, 1) == 1);
    const std::string& clean = s.messInKey ? s.key->bytes : s.cell.bytes;
    const std::size_t middle = clean.size() / 2;
    static constexpr Mess kTextMesses[] = {Mess::comma, Mess::lineBreak, Mess::quotes};
    static constexpr Mess kKeyMesses[] = {Mess::lineBreak, Mess::keyEquals, Mess::keyBlank, Mess::keyComment,
                                          Mess::keySection};
    s.mess = s.messInKey ? kKeyMesses[pick(0, 4)] : kTextMesses[pick(0, 2)];
    switch (s.mess) {
      case Mess::comma: s.messyText = clean.substr(0, middle) + "," + clean.substr(middle); break;
      case Mess::lineBreak:
        s.messyText = clean.substr(0, middle) + (pick(0, 1) ? "\n" : "\r") + clean.substr(middle);
        break;
      case Mess::quotes: s.messyText = "\"\""; break;
      case Mess::keyEquals: s.messyText = clean.substr(0, middle) + "=" + clean.substr(middle); break;
      case Mess::keyBlank: s.messyText = " " + clean; break;
      case Mess::keyComment: s.messyText = "//" + clean; break;
      default: s.messyText = "[" + clean + "]";
    }
    return s;
  }

  std::mt19937 random_;
};

CellDescriptor descriptor(const Content& c) {
  switch (c.type) {
    case CellType::value: return CellDescriptor::ofValue(c.value);
    case CellType::string: return CellDescriptor::ofText(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
    case CellType::data: return CellDescriptor::ofData(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
    default: return {};
  }
}

ArrayStore build(const ArrayPlan& a, bool messy) {
  ArrayStore s;
  s.dimensions().setCount(a.dims);
  s.dimensions().setBoundary(1, a.x);
  s.dimensions().setBoundary(2, a.y);
  for (const CellPlan& c : a.cells) {
    Content cell = c.cell;
    std::optional<Content> key = c.key;
    if (messy && c.mess != Mess::none) (c.messInKey ? key->bytes : cell.bytes) = c.messyText;
    const int32_t at = s.size();
    s.append(descriptor(cell));
    if (key) s.setKey(at, descriptor(*key));
  }
  for (std::size_t c = 0; c < a.labels.size(); ++c) {
    if (!a.labels[c].empty()) recordset::setLabel(s, a.labels[c].c_str(), static_cast<int32_t>(c));
  }
  return s;
}

// ---- The difference between an array and the array a load gave back.

std::string textOf(const Cell& c) { return std::string(c.text().view()); }
bool readsEmpty(const Cell& c) {
  return c.type() == CellType::empty || (c.type() == CellType::string && textOf(c).empty());
}
bool same(const Cell& a, const Cell& b) {
  if (readsEmpty(a) && readsEmpty(b)) return true;  // both read "" and 0
  if (a.type() != b.type()) return false;
  if (a.type() == CellType::data) return std::string(a.bytes(), a.length()) == std::string(b.bytes(), b.length());
  return textOf(a) == textOf(b);
}

struct Difference {
  SaveReport counted;
  int32_t loadedDimensions = 0;
  bool shapeDiffers = false;
  std::vector<std::string> unexplained;  // differences no kind of the report stands for
};

// How loaded element `l` differs from original `o`, counted into d; false
// when it is not that element come back at all.
bool compareCell(const Cell& o, const Cell& l, Difference& d, bool commit) {
  SaveReport& r = d.counted;
  int64_t values = 0, data = 0, dropped = 0, texts = 0;
  if (!same(o, l)) {
    if (o.type() == CellType::value && l.type() == CellType::string && textOf(l) == textOf(o)) {
      values = 1;
    } else if (o.type() == CellType::data && readsEmpty(l)) {
      data = 1;
    } else {
      return false;
    }
  }
  // An empty key reads as none.
  const Cell* ok = o.key() != nullptr && o.key()->type() != CellType::empty ? o.key() : nullptr;
  const Cell* lk = l.key();
  if (ok == nullptr) {
    if (lk != nullptr && !readsEmpty(*lk)) return false;  // a missing key may come back empty, nothing more
  } else if (lk == nullptr) {
    dropped = 1;
  } else if (!(ok->type() == lk->type() && same(*ok, *lk))) {
    if (lk->type() != CellType::string || textOf(*lk) != textOf(*ok)) return false;
    texts = 1;
  }
  if (commit) {
    r.valuesBecomeTexts += values;
    r.dataWrittenEmpty += data;
    r.keysDropped += dropped;
    r.keysBecomeTexts += texts;
  }
  return true;
}

Difference differenceOf(const ArrayStore& original, const ArrayStore& loaded) {
  Difference d;
  d.loadedDimensions = loaded.dimensions().count();
  const Dimensions& od = original.dimensions();
  const Dimensions& ld = loaded.dimensions();
  d.shapeDiffers = od.count() != ld.count() || od.boundary(1) != ld.boundary(1) || od.boundary(2) != ld.boundary(2);
  // Elements in order; an original that the loaded one at its place is not is dropped.
  int32_t j = 0;
  for (int32_t i = 0; i < original.size(); ++i) {
    const Cell& o = *original.cellAt(i);
    Difference trial = d;
    if (j < loaded.size() && compareCell(o, *loaded.cellAt(j), trial, false)) {
      compareCell(o, *loaded.cellAt(j++), d, true);
      continue;
    }
    if (textOf(o).empty() && (o.key() == nullptr || textOf(*o.key()).empty())) {
      ++d.counted.emptyCellsDropped;
    } else {
      d.unexplained.push_back("element " + std::to_string(i) + " (\"" + textOf(o) + "\") does not come back");
      return d;
    }
  }
  for (; j < loaded.size(); ++j) {
    if (!readsEmpty(*loaded.cellAt(j)) || (loaded.cellAt(j)->key() && !readsEmpty(*loaded.cellAt(j)->key()))) {
      d.unexplained.push_back("element " + std::to_string(j) + " (\"" + textOf(*loaded.cellAt(j)) + "\") is new");
      return d;
    }
    ++d.counted.elementsAdded;
  }
  if (od.count() == 2) {
    for (int32_t c = 0; c < od.boundary(1); ++c) {
      const char* was = recordset::label(original, c);
      const char* now = recordset::label(loaded, c);
      if (was != nullptr && *was != '\0' && (now == nullptr || std::string(now) != was)) ++d.counted.labelsDropped;
    }
  }
  return d;
}

// What the report says about the shape: a load of the file gives another.
bool shapeReported(const SaveReport& r) {
  return r.dimensionsAfter == 0 ? r.dimensionsBefore >= 2 : r.dimensionsAfter != r.dimensionsBefore;
}

// Every count of the record, in its order: the shape's two first.
using Counts = std::vector<int32_t>;
Counts counts(const TesselSaveReport& r) {
  Counts out(sizeof r / sizeof(int32_t));
  std::memcpy(out.data(), &r, sizeof r);
  return out;
}
Counts withoutShape(const TesselSaveReport& r) {
  Counts all = counts(r);
  return Counts(all.begin() + 2, all.end());
}

// The counts the twin's breaking texts add, by the format they break.
SaveReport messCounts(const ArrayPlan& a, Fmt f) {
  SaveReport r;
  for (const CellPlan& c : a.cells) {
    if (!messAffects(c.mess, c.messInKey, f)) continue;
    if (c.mess == Mess::comma) ++r.splitAtSeparator;
    if (c.mess == Mess::lineBreak) ++r.splitAtLineBreak;
    if (c.mess == Mess::quotes) ++r.textsEmptied;
    if (c.mess >= Mess::keyEquals) ++r.keysChanged;
  }
  return r;
}

// Files that are never synced to the disk: thousands of round trips stay quick.
struct Unsynced final : FileSystem {
  bool flush(std::FILE* f) const override { return std::fflush(f) == 0; }
};

TEST(SaveReport, NamesEveryLossOfARoundTripWithItsCountAndNothingElse) {
  testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const Unsynced system;
  FileHandler files(system);
  const std::string file = dir.file("round-trip");
  const char* name = file.c_str();
  Generator generate(20261207);
  int messyLosses = 0;
  for (int round = 0; round < 150; ++round) {
    const ArrayPlan plan = generate.array();
    for (const auto& f : kFormats) {
      SCOPED_TRACE("round " + std::to_string(round) + ", " + f.name);
      // The clean array: the report is the difference, exactly.
      const ArrayStore clean = build(plan, false);
      SaveReport report;
      ArrayStore back;
      ASSERT_TRUE(f.save(clean, files, name, WriteMode::replace, &report).ok());
      ASSERT_TRUE(f.load(back, files, name, LoadMode::replace).ok());
      const Difference d = differenceOf(clean, back);
      ASSERT_TRUE(d.unexplained.empty()) << d.unexplained.front() << "\n"
                                         << testing::describe(clean) << "\n"
                                         << testing::describe(back);
      EXPECT_EQ(withoutShape(report), withoutShape(d.counted));
      EXPECT_EQ(report.dimensionsBefore, clean.dimensions().count());
      EXPECT_EQ(shapeReported(report), d.shapeDiffers);
      EXPECT_EQ(report.dimensionsAfter, report.dimensionsAfter != 0 ? d.loadedDimensions : 0);

      // The twin with texts that break the format: counted on top of the
      // clean array's report, and really not given back.
      const ArrayStore messy = build(plan, true);
      SaveReport messyReport;
      ArrayStore messyBack;
      ASSERT_TRUE(f.save(messy, files, name, WriteMode::replace, &messyReport).ok());
      ASSERT_TRUE(f.load(messyBack, files, name, LoadMode::replace).ok());
      Counts expected = counts(report);
      const Counts extra = counts(messCounts(plan, f.format));
      for (std::size_t i = 0; i < expected.size(); ++i) expected[i] += extra[i];
      EXPECT_EQ(counts(messyReport), expected);
      const Difference md = differenceOf(messy, messyBack);
      if (extra != counts(SaveReport())) {
        // Something no other kind explains went wrong, or the counts moved.
        EXPECT_TRUE(!md.unexplained.empty() || counts(md.counted) != counts(d.counted));
        ++messyLosses;
      } else {
        EXPECT_TRUE(md.unexplained.empty()) << md.unexplained.front();
      }
    }
  }
  EXPECT_GT(messyLosses, 30);  // the twins did break the formats
}

}  // namespace
}  // namespace tessel::persist
