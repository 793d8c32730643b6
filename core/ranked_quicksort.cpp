#include "core/ranked_quicksort.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <utility>

#include "core/partition.h"

namespace tessel {

namespace {

// The ranks of a range with the two searches the quicksort's scans make: the
// first rank at or after a position that is not below the pivot, and the last
// rank at or before a position that is not above it. The ranks sit in blocks
// of kBlock; a search reads the rest of its own block, then a segment tree
// of the blocks' minima and maxima (side by side, one read per node) takes it
// from that block up and down again to the block that holds its answer, which
// it reads. So a scan costs O(log n) however many items it passes, and so
// does exchanging two ranks, less where a node above comes out unchanged.
// Blocks keep the tree an eighth of the ranks' size, mostly in the caches.
class ScanIndex {
 public:
  explicit ScanIndex(const std::vector<int32_t>& ranks) : ranks_(ranks) {
    const std::size_t blocks = (ranks_.size() + kBlock - 1) / kBlock;
    while (size_ < blocks) size_ *= 2;
    nodes_.assign(2 * size_, Span{INT32_MAX, INT32_MIN});
    for (std::size_t b = 0; b < blocks; ++b) nodes_[size_ + b] = spanOf(b);
    for (std::size_t node = size_ - 1; node >= 1; --node) nodes_[node] = joined(node);
  }

  int32_t rank(int32_t k) const { return ranks_[static_cast<std::size_t>(k)]; }
  void exchange(int32_t a, int32_t b) {
    int32_t& ra = ranks_[static_cast<std::size_t>(a)];
    int32_t& rb = ranks_[static_cast<std::size_t>(b)];
    if (ra == rb) return;  // equal ranks: the tree stays as it is
    std::swap(ra, rb);
    const std::size_t blockA = static_cast<std::size_t>(a) / kBlock;
    const std::size_t blockB = static_cast<std::size_t>(b) / kBlock;
    if (blockA == blockB) return;  // the block holds the same ranks
    refresh(blockA);
    refresh(blockB);
  }
  // The first position from `from` whose rank is at least p, or -1.
  int32_t firstAtLeast(int32_t from, int32_t p) const {
    auto k = static_cast<std::size_t>(from);
    for (const std::size_t end = std::min(ranks_.size(), (k / kBlock + 1) * kBlock); k < end; ++k) {
      if (ranks_[k] >= p) return static_cast<int32_t>(k);
    }
    if (k >= ranks_.size()) return -1;
    std::size_t node = size_ + k / kBlock;  // the next block's leaf
    if (nodes_[node].max < p) {
      do {  // up past the right children at once (no branch to mispredict), then on to the next subtree
        node >>= __builtin_ctzll(~static_cast<unsigned long long>(node));
        if (node == 0) return -1;
        ++node;
      } while (nodes_[node].max < p);
      while (node < size_) node = 2 * node + (nodes_[2 * node].max < p ? 1 : 0);
    }
    const std::size_t end = std::min(ranks_.size(), (node - size_ + 1) * kBlock);
    for (k = (node - size_) * kBlock; k < end; ++k) {
      if (ranks_[k] >= p) return static_cast<int32_t>(k);
    }
    return -1;  // GCOVR_EXCL_LINE: the tree led to a block that holds one
  }
  // The last position up to `to` whose rank is at most p, or -1.
  int32_t lastAtMost(int32_t to, int32_t p) const {
    auto k = static_cast<std::size_t>(to) + 1;
    for (const std::size_t begin = (k - 1) / kBlock * kBlock; k > begin; --k) {
      if (ranks_[k - 1] <= p) return static_cast<int32_t>(k - 1);
    }
    if (k == 0) return -1;
    std::size_t node = size_ + k / kBlock - 1;  // the block before's leaf
    if (nodes_[node].min > p) {
      do {  // up past the left children at once, then on to the subtree before
        node >>= __builtin_ctzll(node);
        if (node == 1) return -1;
        --node;
      } while (nodes_[node].min > p);
      while (node < size_) node = 2 * node + (nodes_[2 * node + 1].min <= p ? 1 : 0);
    }
    for (k = std::min(ranks_.size(), (node - size_ + 1) * kBlock); k > (node - size_) * kBlock; --k) {
      if (ranks_[k - 1] <= p) return static_cast<int32_t>(k - 1);
    }
    return -1;  // GCOVR_EXCL_LINE: the tree led to a block that holds one
  }

 private:
  static constexpr std::size_t kBlock = 8;
  struct Span {
    int32_t min, max;
  };
  Span spanOf(std::size_t block) const {
    Span s{INT32_MAX, INT32_MIN};
    const std::size_t end = std::min(ranks_.size(), (block + 1) * kBlock);
    for (std::size_t k = block * kBlock; k < end; ++k) s = {std::min(s.min, ranks_[k]), std::max(s.max, ranks_[k])};
    return s;
  }
  Span joined(std::size_t node) const {
    const Span& l = nodes_[2 * node];
    const Span& r = nodes_[2 * node + 1];
    return {std::min(l.min, r.min), std::max(l.max, r.max)};
  }
  // A node whose span comes out unchanged leaves every node above it as it is.
  void refresh(std::size_t block) {
    std::size_t node = size_ + block;
    for (Span s = spanOf(block); s.min != nodes_[node].min || s.max != nodes_[node].max; s = joined(node)) {
      nodes_[node] = s;
      if (node == 1) return;
      node /= 2;
    }
  }

  std::vector<int32_t> ranks_;
  std::size_t size_ = 1;
  std::vector<Span> nodes_;
};

class RankedSort {
 public:
  RankedSort(const std::vector<int32_t>& ranks, PivotAt pivot) : index_(ranks), pivot_(pivot), order_(ranks.size()) {
    std::iota(order_.begin(), order_.end(), 0);
  }

  std::vector<int32_t> run() && {
    quicksort(0, static_cast<int32_t>(order_.size()) - 1);
    return std::move(order_);
  }

 private:
  // Either scan ends inside the range: on the first round at the pivot's
  // own item, later at the items just exchanged; the bounds only guard.
  int32_t scanForward(int32_t i, int32_t hi, int32_t p) const {
    const int32_t stop = index_.firstAtLeast(i, p);
    return stop < 0 || stop > hi ? hi : stop;
  }
  int32_t scanBackward(int32_t j, int32_t lo, int32_t p) const {
    const int32_t stop = index_.lastAtMost(j, p);
    return stop < lo ? lo : stop;
  }

  // Both scans stop on ranks equal to the pivot, and those items are
  // exchanged. Recursion goes into the smaller part and the loop takes the
  // larger, so the depth stays logarithmic; the parts are disjoint, so which
  // one recurses does not change the result.
  void quicksort(int32_t lo, int32_t hi) {
    while (hi > lo) {
      const int32_t p = index_.rank(pivot_ == PivotAt::first ? lo : lo + (hi - lo) / 2);
      int32_t i = lo;
      int32_t j = hi;
      do {
        i = scanForward(i, hi, p);
        j = scanBackward(j, lo, p);
        if (j < i) break;
        std::swap(order_[static_cast<std::size_t>(i)], order_[static_cast<std::size_t>(j)]);
        index_.exchange(i, j);
        ++i;
        --j;
      } while (j >= i);
      if (j - lo < hi - i) {
        quicksort(lo, j);
        lo = i;
      } else {
        quicksort(i, hi);
        hi = j;
      }
    }
  }

  ScanIndex index_;
  PivotAt pivot_;
  std::vector<int32_t> order_;  // position k holds the item that was at order_[k]
};

// One item of the plain quicksort: its rank and where it started.
struct Ranked {
  int32_t rank;
  int32_t from;
};

// A range the plain quicksort went too deep into. The quicksort orders a
// range from its own items only: where no two of them tie, that order is the
// unique sorted one; otherwise the ranked quicksort takes the same steps.
void finishDeep(std::vector<Ranked>& items, int32_t lo, int32_t hi, PivotAt pivot) {
  const auto first = items.begin() + lo;
  const auto last = items.begin() + hi + 1;
  std::vector<Ranked> sorted(first, last);
  std::sort(sorted.begin(), sorted.end(), [](const Ranked& a, const Ranked& b) { return a.rank < b.rank; });
  const bool tied = std::adjacent_find(sorted.begin(), sorted.end(), [](const Ranked& a, const Ranked& b) {
                      return a.rank == b.rank;
                    }) != sorted.end();
  if (!tied) {
    std::copy(sorted.begin(), sorted.end(), first);
    return;
  }
  const std::vector<Ranked> range(first, last);
  std::vector<int32_t> ranks(range.size());
  for (std::size_t k = 0; k < range.size(); ++k) ranks[k] = range[k].rank;
  const std::vector<int32_t> order = rankedQuicksort(ranks, pivot);
  for (std::size_t k = 0; k < order.size(); ++k)
    first[static_cast<std::ptrdiff_t>(k)] = range[static_cast<std::size_t>(order[k])];
}

// The plain list as hoarePartition reaches it.
struct RankedList {
  Ranked* items;
  Ranked* begin() const { return items; }
  static bool before(const Ranked* r, int32_t p) { return r->rank < p; }
  static bool after(const Ranked* r, int32_t p) { return r->rank > p; }
  static void exchange(Ranked* a, Ranked* b) { std::swap(*a, *b); }
};

// The plain steps, as RankedSort::quicksort takes them, with two budgets
// along each path: partitions, and lopsided partitions (the smaller part
// under a sixteenth of a large range), which an order built against the
// pivot makes at every step and a random one seldom does. Whichever runs out
// first hands the range on.
constexpr int32_t kLopsided = 4;

void plainQuicksort(std::vector<Ranked>& items, int32_t lo, int32_t hi, PivotAt pivot, int32_t depth,
                    int32_t lopsided) {
  while (hi > lo) {
    if (depth == 0 || lopsided == 0) {
      finishDeep(items, lo, hi, pivot);
      return;
    }
    --depth;
    const int32_t p = items[static_cast<std::size_t>(pivot == PivotAt::first ? lo : lo + (hi - lo) / 2)].rank;
    RankedList list{items.data()};
    const auto [i, j] = hoarePartition(list, lo, hi, p);
    const int32_t smaller = std::min(j - lo, hi - i) + 1;
    if (hi - lo >= 64 && smaller < (hi - lo) / 16) --lopsided;
    if (j - lo < hi - i) {
      plainQuicksort(items, lo, j, pivot, depth, lopsided);
      lo = i;
    } else {
      plainQuicksort(items, i, hi, pivot, depth, lopsided);
      hi = j;
    }
  }
}

}  // namespace

std::vector<int32_t> quicksortByRank(const std::vector<int32_t>& ranks, PivotAt pivot) {
  int32_t depth = 2;
  for (auto n = ranks.size(); n > 1; n /= 2) depth += 2;
  return quicksortByRankWithin(ranks, pivot, depth);
}

std::vector<int32_t> quicksortByRankWithin(const std::vector<int32_t>& ranks, PivotAt pivot, int32_t depth) {
  // Ranks already strictly in order, or in reverse order, have one sorted
  // order, which any sort leaves: a table sorted again, or the other way round.
  std::vector<int32_t> order(ranks.size());
  if (std::adjacent_find(ranks.begin(), ranks.end(), std::greater_equal<>()) == ranks.end()) {
    std::iota(order.begin(), order.end(), 0);
    return order;
  }
  if (std::adjacent_find(ranks.begin(), ranks.end(), std::less_equal<>()) == ranks.end()) {
    std::iota(order.rbegin(), order.rend(), 0);
    return order;
  }
  std::vector<Ranked> items(ranks.size());
  for (std::size_t k = 0; k < items.size(); ++k) items[k] = {ranks[k], static_cast<int32_t>(k)};
  plainQuicksort(items, 0, static_cast<int32_t>(items.size()) - 1, pivot, depth, depth < 0 ? -1 : kLopsided);
  for (std::size_t k = 0; k < items.size(); ++k) order[k] = items[k].from;
  return order;
}

std::vector<int32_t> rankedQuicksort(const std::vector<int32_t>& ranks, PivotAt pivot) {
  if (ranks.empty()) return {};
  return RankedSort(ranks, pivot).run();
}

}  // namespace tessel
