// System sound cues on POSIX: the aliases played as events of the freedesktop
// sound theme through libcanberra.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include "platform/media.h"

struct ca_context;

namespace shiori {

/// The sound-theme event ids tried for a system sound alias, in order. Each
/// id also falls back within the theme by dropping its last "-part"
/// ("message-new-email" to "message"). An alias the table does not know gets
/// the theme's "bell", as a name without a sound gets the default sound.
std::vector<std::string_view> CueEventIds(std::string_view alias);

/// Plays cues through libcanberra. Asynchronous cues return at once; a
/// synchronous cue returns when the sound has finished (at most
/// sync_timeout_ms later). Without a sound device every call returns at once,
/// and the sound libraries' complaints never reach the terminal.
class PosixCues : public SoundCues {
 public:
  PosixCues() : PosixCues(10000) {}
  explicit PosixCues(int sync_timeout_ms);
  ~PosixCues() override;
  PosixCues(const PosixCues&) = delete;
  PosixCues& operator=(const PosixCues&) = delete;

  void Play(std::string_view alias, unsigned flags) override;

  /// False when libcanberra could not be set up (Play then does nothing).
  bool available() const { return ctx_ != nullptr; }

 private:
  static void Finished(ca_context* c, std::uint32_t id, int error, void* self);

  ca_context* ctx_ = nullptr;
  int sync_timeout_ms_;
  std::uint32_t next_id_ = 1;
  std::mutex mu_;
  std::condition_variable done_cv_;
  std::set<std::uint32_t> done_;  ///< synchronous cues that have finished
};

}  // namespace shiori
