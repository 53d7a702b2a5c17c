// Aozora markup filter and the reading collections it fills.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace shiori {

/// One collected ruby pair or annotation.
struct ruby_info {
  std::string yomi;  ///< ruby: the reading; annotation: its text
  std::string moto;  ///< ruby: the base; annotation: base + position tag
  int moto_len = 0;
  int yomi_len = 0;
  int id = 0;  ///< order of acceptance into its collection
};

/// A collection of accepted records plus one working slot at the end.
/// Duplicate detection (same moto and same yomi) is by a hash index, so
/// accepting stays linear over a whole work.
class ReadingCollection {
 public:
  ReadingCollection();
  /// Number of accepted records (`ruby_num` / `rinfo_num`).
  int size() const { return static_cast<int>(items_.size()) - 1; }
  /// The working slot, into which the next candidate is written.
  ruby_info& slot() { return *items_.back(); }
  /// Accepts the working slot unless it duplicates an accepted record (or
  /// |reject_empty_moto| and its base is empty). True when accepted.
  bool AcceptSlot(bool reject_empty_moto);
  /// Accepted records in their current order (views may re-sort them).
  std::vector<std::unique_ptr<ruby_info>>::iterator begin() { return items_.begin(); }
  std::vector<std::unique_ptr<ruby_info>>::iterator end() { return items_.end() - 1; }
  ruby_info& operator[](int i) { return *items_[i]; }
  const ruby_info& operator[](int i) const { return *items_[i]; }

 private:
  // Records hash and compare by (moto, yomi); the index points at accepted
  // records, so looking the working slot up allocates nothing.
  struct PairHash {
    std::size_t operator()(const ruby_info* r) const;
  };
  struct PairEqual {
    bool operator()(const ruby_info* a, const ruby_info* b) const;
  };

  std::vector<std::unique_ptr<ruby_info>> items_;  // last one: working slot
  std::unordered_set<const ruby_info*, PairHash, PairEqual> index_;
};

/// The two output lines of one filtered input line.
struct FilterLines {
  std::string buff;   ///< normal line: markup removed, readings dropped
  std::string buff2;  ///< reading line: each ruby base replaced by its reading
};

/// Filters one text line (without its line feed). |count1| and |count5| give
/// the position tag "%d_%d" of annotation records. Fills |out| and the two
/// collections; returns the line in use (buff2 when |rubyon_mode| > 0).
std::string_view filter_line(std::string_view line, int count1, int count5,
                             int rubyon_mode, ReadingCollection& ruby,
                             ReadingCollection& rinfo, FilterLines* out);

/// Code page 932 kanji tests (JIS X 0208 level 1 and level 2), independent
/// of the host locale.
bool IsKanjiLevel1(unsigned code);
bool IsKanjiLevel2(unsigned code);

/// Comparators for qsort-style sorts: larger moto_len first / smaller id first.
int comp01(const ruby_info* a, const ruby_info* b);
int compID(const ruby_info* a, const ruby_info* b);

}  // namespace shiori
