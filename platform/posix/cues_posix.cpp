#include "platform/posix/cues_posix.h"

#include <canberra.h>
#include <dlfcn.h>

#include <string>

namespace shiori {

namespace {

struct CueRow {
  std::string_view alias;
  std::vector<std::string_view> ids;
};

// The aliases with a counterpart in the freedesktop sound theme. The
// desktop-* ids belong to desktop themes; the freedesktop theme itself has
// only the service-* sounds, so they follow.
const std::vector<CueRow>& CueTable() {
  static const std::vector<CueRow> table = {
      {"SystemStart", {"desktop-login", "service-login"}},
      {"WindowsLogon", {"desktop-login", "service-login"}},
      {"SystemExit", {"desktop-logout", "service-logout"}},
      {"WindowsLogoff", {"desktop-logout", "service-logout"}},
      {"MailBeep", {"message-new-email"}},
      {"SystemHand", {"dialog-error"}},
      {"SystemExclamation", {"dialog-warning"}},
      {"SystemAsterisk", {"dialog-information"}},
      {"SystemNotification", {"dialog-information"}},
      {"SystemQuestion", {"dialog-question"}},
  };
  return table;
}

bool SameAlias(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

extern "C" void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// ALSA reports a missing card on standard error, which is the reader's
// screen. Its error hook is set in the library libcanberra's ALSA driver
// uses (the same shared object), when that library exists at all.
void SilenceAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_GLOBAL);
  if (alsa == nullptr) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set != nullptr) set(&QuietAlsa);
  // The library stays loaded: the hook must outlive this call.
}

}  // namespace

std::vector<std::string_view> CueEventIds(std::string_view alias) {
  for (const CueRow& row : CueTable())
    if (SameAlias(row.alias, alias)) return row.ids;
  return {"bell"};
}

PosixCues::PosixCues(int sync_timeout_ms) : sync_timeout_ms_(sync_timeout_ms) {
  SilenceAlsa();
  ca_context* c = nullptr;
  if (ca_context_create(&c) != CA_SUCCESS) return;
  ca_context_change_props(c, CA_PROP_APPLICATION_NAME, "shiori", CA_PROP_APPLICATION_ID,
                          "shiori", nullptr);
  if (ca_context_open(c) != CA_SUCCESS) {
    ca_context_destroy(c);
    return;
  }
  ctx_ = c;
}

PosixCues::~PosixCues() {
  // Stops what still plays and joins libcanberra's threads before the
  // members the callback touches go away.
  if (ctx_ != nullptr) ca_context_destroy(ctx_);
}

void PosixCues::Finished(ca_context*, std::uint32_t id, int, void* self) {
  auto* cues = static_cast<PosixCues*>(self);
  {
    std::lock_guard<std::mutex> lock(cues->mu_);
    cues->done_.insert(id);
  }
  cues->done_cv_.notify_all();
}

void PosixCues::Play(std::string_view alias, unsigned flags) {
  if (ctx_ == nullptr) return;
  const bool wait = (flags & kSndAsync) == 0;
  const std::uint32_t id = next_id_++;
  int started = CA_ERROR_NOTFOUND;
  for (std::string_view event : CueEventIds(alias)) {
    ca_proplist* props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS) return;
    ca_proplist_sets(props, CA_PROP_EVENT_ID, std::string(event).c_str());
    ca_proplist_sets(props, CA_PROP_EVENT_DESCRIPTION, std::string(alias).c_str());
    started = ca_context_play_full(ctx_, id, props, wait ? &PosixCues::Finished : nullptr, this);
    ca_proplist_destroy(props);
    // Only a sound the theme lacks is worth the next id; any other failure
    // (no device, no driver) would fail the same way again.
    if (started != CA_ERROR_NOTFOUND) break;
  }
  if (started != CA_SUCCESS || !wait) return;

  std::unique_lock<std::mutex> lock(mu_);
  const bool finished = done_cv_.wait_for(lock, std::chrono::milliseconds(sync_timeout_ms_),
                                          [&] { return done_.count(id) > 0; });
  done_.erase(id);
  if (!finished) {
    lock.unlock();
    ca_context_cancel(ctx_, id);
  }
}

}  // namespace shiori
