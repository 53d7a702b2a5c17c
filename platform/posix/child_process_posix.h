// Running a helper program without a shell, with a time limit.
#pragma once

#include <string>
#include <vector>

namespace shiori {

/// How a child process ended.
struct ChildResult {
  bool started = false;    ///< the program could be started at all
  bool timed_out = false;  ///< it was killed at the time limit
  bool stopped = false;    ///< it was killed because the program was asked to end
  int exit_status = -1;    ///< its exit status when it exited by itself, else -1
  bool ok() const { return started && !timed_out && !stopped && exit_status == 0; }
};

/// Runs the program at the path |argv[0]| with the arguments |argv| (no shell
/// is involved, so no argument is ever interpreted). Standard input comes from
/// |stdin_path| (empty: /dev/null); standard output and error go to /dev/null;
/// no other descriptor is inherited. Waits at most |timeout_ms|, then kills it;
/// kills it at once when the program is asked to end (stop_request.h), and
/// on Linux the system kills it should the program die first.
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& stdin_path,
                     int timeout_ms);

/// The executable that |name| names: itself when it holds a '/', else the
/// first match on PATH. Empty when there is none.
std::string FindExecutable(const std::string& name);

}  // namespace shiori
