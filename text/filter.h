// Aozora markup filter and the reading collections it fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
  /// As AcceptSlot for the pair (|moto|, |yomi|), with its lengths: a
  /// duplicate is found without being copied anywhere.
  bool Accept(std::string_view moto, std::string_view yomi, bool reject_empty_moto);
  /// Accepted records in their current order (views may re-sort them).
  std::vector<std::unique_ptr<ruby_info>>::iterator begin() { return items_.begin(); }
  std::vector<std::unique_ptr<ruby_info>>::iterator end() { return items_.end() - 1; }
  ruby_info& operator[](int i) { return *items_[i]; }
  const ruby_info& operator[](int i) const { return *items_[i]; }

 private:
  // The index: open addressing over the records' (moto, yomi) pairs. Each
  // entry keeps the pair's hash beside the record, so a probe that meets
  // another pair is told apart without reading the record. Records never
  // move (views re-sort the pointers only), so entries stay valid.
  struct Entry {
    std::uint64_t hash = 0;
    const ruby_info* record = nullptr;
  };
  static std::uint64_t Hash(std::string_view moto, std::string_view yomi);
  /// The entry holding the pair, or the empty entry where it would go.
  Entry& Probe(std::string_view moto, std::string_view yomi, std::uint64_t hash);
  /// Indexes the working slot under |hash| and opens a new slot.
  void AddSlot(std::uint64_t hash);

  std::vector<std::unique_ptr<ruby_info>> items_;  // last one: working slot
  std::vector<Entry> index_;  // a power of two, at most three quarters full
};

/// The two output lines of one filtered input line; filter_line builds the
/// one in use and leaves the other empty.
struct FilterLines {
  std::string buff;   ///< normal line: markup removed, readings dropped
  std::string buff2;  ///< reading line: each ruby base replaced by its reading
};

/// Filters one text line (without its line feed). |count1| and |count5| give
/// the position tag "%d_%d" of annotation records. Fills |out| and the two
/// collections; returns the line in use (buff2 when |rubyon_mode| > 0), the
/// only one built.
std::string_view filter_line(std::string_view line, int count1, int count5,
                             int rubyon_mode, ReadingCollection& ruby,
                             ReadingCollection& rinfo, FilterLines* out);

/// Where a reading stands in a text, noted to be taken into its collection
/// later: offsets from the text's start, and the counters for the tag.
struct NotedReading {
  std::uint32_t base_at, base_len;        ///< the ruby base, or the annotated text
  std::uint32_t content_at, content_len;  ///< the reading, or the annotation's text
  int count1, count5;
  bool annotation;
};
struct ReadingNotes {
  const char* text = nullptr;  ///< the start of the text the lines are views of
  int count1 = 0, count5 = 0;  ///< the counters of the line being filtered
  std::vector<NotedReading> notes;
};

/// As above, but the readings are not taken: where they stand is appended to
/// |notes| (when it is not null) in the order met, to be taken later.
std::string_view filter_line(std::string_view line, int rubyon_mode, FilterLines* out,
                             ReadingNotes* notes);

/// Takes one reading into its collection as filter_line does: a ruby pair
/// into |ruby|; an annotation into |rinfo|, its base tagged "%d_%d" with
/// |count1| and |count5|.
void take_reading(bool annotation, std::string_view base, std::string_view content, int count1,
                  int count5, ReadingCollection& ruby, ReadingCollection& rinfo);

/// Code page 932 kanji tests (JIS X 0208 level 1 and level 2), independent
/// of the host locale.
bool IsKanjiLevel1(unsigned code);
bool IsKanjiLevel2(unsigned code);

/// Comparators for qsort-style sorts: larger moto_len first / smaller id first.
int comp01(const ruby_info* a, const ruby_info* b);
int compID(const ruby_info* a, const ruby_info* b);

}  // namespace shiori
