// The recordset against an in-memory SQLite database, the peer a game creator
// would otherwise pick, on the same table: a name text and two integer
// columns, at 1,000, 10,000 and 100,000 rows. Each benchmark times the
// module's operation and the database's, one after the other in every
// iteration, in this thread's CPU time (the machine may be shared), and
// reports both per row (`ours_ns`, `sqlite_ns`) and their ratio (`ratio`,
// the median of the iterations' ratios). The benchmark's own time column is
// both together, with the untimed setup between them.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/lean_host.h"
#include "tests/host/catalogue_numbers.h"

namespace tessel::testing {
namespace {

constexpr int kSelectStartNew = catalogue::actionOf("startNewWhere");
constexpr int kSelectGreater = catalogue::actionOf("selectColumnGreater");
constexpr int kSetLabel = catalogue::actionOf("setLabel");
constexpr int kSortLabelText = catalogue::actionOf("sortRowsByLabelStringAscending");
constexpr int kRowCount = catalogue::expressionOf("numberOfRows");
constexpr int kColumnAverage = catalogue::expressionOf("columnAverage");
constexpr int kColumnMinimum = catalogue::expressionOf("columnMinimum");
constexpr int kColumnMaximum = catalogue::expressionOf("columnMaximum");

// The table's rows as a game would append them: "name,value,group". Values
// are spread over 0 to 1,000,002 in no order; names sort in another order.
struct Rows {
  std::vector<std::string> lists, names;
  std::vector<int32_t> values, groups;
};

Rows rowsOf(int64_t n) {
  Rows r;
  for (int64_t k = 0; k < n; ++k) {
    r.names.push_back("player" + std::to_string(k * 4649 % 1000003));
    r.values.push_back(static_cast<int32_t>(k * 7919 % 1000003));
    r.groups.push_back(static_cast<int32_t>(k % 100));
    r.lists.push_back(r.names.back() + "," + std::to_string(r.values.back()) + "," + std::to_string(r.groups.back()));
  }
  return r;
}

// About half the rows have a value above it.
constexpr int32_t kThreshold = 500000;

int64_t cpuNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

class Database {
 public:
  Database() {
    if (sqlite3_open(":memory:", &db_) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
  }
  ~Database() { sqlite3_close(db_); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string message = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(sql + ": " + message);
    }
  }
  // Runs a query and returns the first column of its one row.
  int64_t integer(const std::string& sql) {
    sqlite3_stmt* s = prepare(sql);
    int64_t result = -1;
    if (sqlite3_step(s) == SQLITE_ROW) result = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return result;
  }
  // The table, row by row through one prepared statement in one transaction.
  void fill(const Rows& rows) {
    exec("CREATE TABLE t(name TEXT, value INTEGER, grp INTEGER)");
    exec("BEGIN");
    sqlite3_stmt* insert = prepare("INSERT INTO t VALUES(?, ?, ?)");
    for (std::size_t k = 0; k < rows.values.size(); ++k) {
      sqlite3_bind_text(insert, 1, rows.names[k].c_str(), static_cast<int>(rows.names[k].size()), SQLITE_STATIC);
      sqlite3_bind_int(insert, 2, rows.values[k]);
      sqlite3_bind_int(insert, 3, rows.groups[k]);
      if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error("insert");
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec("COMMIT");
  }

 private:
  sqlite3_stmt* prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) throw std::runtime_error(sql);
    return s;
  }

  sqlite3* db_ = nullptr;
};

TesselSetup tableSetup() {
  TesselSetup setup = makeSetup(2, 3);
  setup.autoSelect = 1;
  return setup;
}

void fill(LeanObject& o, const Rows& rows) {
  for (const std::string& list : rows.lists) o.act(kAppendRow, list.c_str());
  o.act(kSetLabel, "name", 0);
  o.act(kSetLabel, "value", 1);
  o.act(kSetLabel, "group", 2);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One comparison: each iteration runs `prepare` (untimed), then `ours` and
// `theirs`, each timed. The figures are medians over the iterations.
struct Timed {
  std::function<void()> ours, theirs;
};

void compare(benchmark::State& state, const std::function<Timed()>& prepare) {
  const auto n = static_cast<double>(state.range(0));
  std::vector<double> ours, theirs, ratios;
  for (auto _ : state) {
    Timed t = prepare();
    int64_t start = cpuNanoseconds();
    t.ours();
    const auto a = static_cast<double>(cpuNanoseconds() - start);
    start = cpuNanoseconds();
    t.theirs();
    const auto b = static_cast<double>(cpuNanoseconds() - start);
    ours.push_back(a / n);
    theirs.push_back(b / n);
    ratios.push_back(a / b);
  }
  state.counters["ours_ns"] = median(ours);
  state.counters["sqlite_ns"] = median(theirs);
  state.counters["ratio"] = median(ratios);
}

// Append row from list, row by row, into a new object; against INSERT
// through one prepared statement in one transaction into a new database.
void BM_DbBuildTable(benchmark::State& state) {
  const Rows rows = rowsOf(state.range(0));
  compare(state, [&] {
    return Timed{[&] {
                   LeanObject o(tableSetup());
                   for (const std::string& list : rows.lists) o.act(kAppendRow, list.c_str());
                   benchmark::DoNotOptimize(o.call(kRowCount));
                 },
                 [&] {
                   Database db;
                   db.fill(rows);
                 }};
  });
}

// The selection both select benchmarks time: start new WHERE, WHERE value >
// threshold, then the number of rows.
int32_t selectGreater(LeanObject& o) {
  o.act(kSelectStartNew);
  o.act(kSelectGreater, 1, kThreshold);
  return o.call(kRowCount);
}

// Start new WHERE, WHERE value > threshold, number of rows; against
// SELECT count(*) with the same condition.
void BM_DbSelectCount(benchmark::State& state) {
  const Rows rows = rowsOf(state.range(0));
  LeanObject o(tableSetup());
  fill(o, rows);
  Database db;
  db.fill(rows);
  const std::string query = "SELECT count(*) FROM t WHERE value > " + std::to_string(kThreshold);
  int64_t ours = 0, theirs = 0;
  compare(state, [&] { return Timed{[&] { ours = selectGreater(o); }, [&] { theirs = db.integer(query); }}; });
  if (ours != theirs) state.SkipWithError("the counts differ");
}

// The same selection against materialising the selected rows in a new table.
void BM_DbSelectMaterialise(benchmark::State& state) {
  const Rows rows = rowsOf(state.range(0));
  LeanObject o(tableSetup());
  fill(o, rows);
  Database db;
  db.fill(rows);
  const std::string query = "CREATE TABLE s AS SELECT * FROM t WHERE value > " + std::to_string(kThreshold);
  compare(state, [&] {
    db.exec("DROP TABLE IF EXISTS s");
    return Timed{[&] { benchmark::DoNotOptimize(selectGreater(o)); }, [&] { db.exec(query); }};
  });
}

// Sorting changes the table, so each iteration sorts a freshly filled one;
// against the sorted rows made into a new table.
void sortAgainst(benchmark::State& state, const std::function<void(LeanObject&)>& sort, const std::string& order) {
  const Rows rows = rowsOf(state.range(0));
  Database db;
  db.fill(rows);
  std::unique_ptr<LeanObject> o;
  compare(state, [&] {
    o = std::make_unique<LeanObject>(tableSetup());
    fill(*o, rows);
    db.exec("DROP TABLE IF EXISTS s");
    return Timed{[&] { sort(*o); }, [&] { db.exec("CREATE TABLE s AS SELECT * FROM t ORDER BY " + order); }};
  });
}

void BM_DbSortByValue(benchmark::State& state) {
  sortAgainst(
      state, [](LeanObject& o) { o.act(kSortColumnValueAsc, 1, 0); }, "value");
}

void BM_DbSortByLabelText(benchmark::State& state) {
  sortAgainst(
      state, [](LeanObject& o) { o.act(kSortLabelText, "name"); }, "name");
}

// Column sum, average, minimum and maximum; against the four in one query.
void BM_DbAggregates(benchmark::State& state) {
  const Rows rows = rowsOf(state.range(0));
  LeanObject o(tableSetup());
  fill(o, rows);
  Database db;
  db.fill(rows);
  int64_t sum = 0;
  compare(state, [&] {
    return Timed{
        [&] {
          sum = o.call(kColumnSum, 1);
          benchmark::DoNotOptimize(o.call(kColumnAverage, 1));
          benchmark::DoNotOptimize(o.call(kColumnMinimum, 1));
          benchmark::DoNotOptimize(o.call(kColumnMaximum, 1));
        },
        [&] { benchmark::DoNotOptimize(db.integer("SELECT sum(value), avg(value), min(value), max(value) FROM t")); }};
  });
  if (static_cast<int32_t>(sum) != static_cast<int32_t>(db.integer("SELECT sum(value) FROM t")))
    state.SkipWithError("the sums differ");
}

// A short minimum time keeps a run short on a shared machine; the figures
// are medians of the iterations it takes.
#define TESSEL_DB_ROWS ->Arg(1000)->Arg(10000)->Arg(100000)->MinTime(0.3)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_DbBuildTable) TESSEL_DB_ROWS;
BENCHMARK(BM_DbSelectCount) TESSEL_DB_ROWS;
BENCHMARK(BM_DbSelectMaterialise) TESSEL_DB_ROWS;
BENCHMARK(BM_DbSortByValue) TESSEL_DB_ROWS;
BENCHMARK(BM_DbSortByLabelText) TESSEL_DB_ROWS;
BENCHMARK(BM_DbAggregates) TESSEL_DB_ROWS;
#undef TESSEL_DB_ROWS

}  // namespace
}  // namespace tessel::testing
