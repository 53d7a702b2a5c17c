#include "platform/posix/child_process_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/posix/monotonic_clock.h"
#include "platform/posix/stop_request.h"

namespace shiori {

ChildResult RunChild(const std::vector<std::string>& argv, const std::string& stdin_path,
                     int timeout_ms) {
  ChildResult result;
  if (argv.empty() || StopSignal() != 0) return result;
  // Everything the child needs is prepared before fork: after it, the child
  // only duplicates descriptors and calls exec.
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int in = open(stdin_path.empty() ? "/dev/null" : stdin_path.c_str(), O_RDONLY | O_CLOEXEC);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (in < 0 || null < 0) {
    if (in >= 0) close(in);
    if (null >= 0) close(null);
    return result;
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
#if defined(__linux__)
    // A reader killed outright (SIGKILL) cannot end its helper: the system
    // does, rather than leave it running for nobody.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
#endif
    if (dup2(in, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) _exit(127);
#if defined(__linux__)
    close_range(3, ~0U, 0);  // nothing of the reader's leaks into the helper
#endif
    execv(args[0], args.data());
    _exit(127);
  }
  close(in);
  close(null);
  if (pid < 0) return result;
  result.started = true;

  // Poll for the end: short naps first, so a quick helper costs little.
  const long long deadline = NowMs() + timeout_ms;
  int nap = 1, status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return result;
    const bool late = NowMs() >= deadline;
    // Asked to end: the helper is ended with the reader, not left behind.
    if (late || !NapUnlessStopped(nap)) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      (late ? result.timed_out : result.stopped) = true;
      return result;
    }
    if (nap < 20) nap *= 2;
  }
  if (WIFEXITED(status)) {
    result.exit_status = WEXITSTATUS(status);
    if (result.exit_status == 127) result.started = false;  // exec failed
  }
  return result;
}

std::string FindExecutable(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    std::size_t colon = dirs.find(':');
    std::string candidate(dirs.substr(0, colon));
    if (candidate.empty()) candidate.push_back('.');
    candidate.push_back('/');
    candidate.append(name);
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return "";
}

}  // namespace shiori
