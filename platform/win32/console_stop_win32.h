// A request to end the program from the console: Ctrl-C, Ctrl-Break, the
// console window closing, the user logging off or the machine shutting
// down. The control handler only records it; the reading loop sees it at its
// next wait and ends the program there.
#pragma once

namespace shiori {

/// Installs the console control handler (once; later calls do nothing).
void PrepareConsoleStop();

/// Records that the program is asked to end (also Ctrl-C read as a key)
/// and wakes every wait.
void RequestConsoleStop();

/// True once the program has been asked to end. Never withdrawn.
bool ConsoleStopRequested();

/// An event (a HANDLE) that is signalled once the program has been asked to
/// end, for waits beside the console input; null before PrepareConsoleStop.
void* ConsoleStopEvent();

/// Called by the program's last step: a handler that holds the process open
/// (the window is closing, and the system ends the process as soon as the
/// handler returns) may now let it end.
void ConsoleStopFinished();

/// The exit status of a run that was asked to end: the one a process ended
/// by Ctrl-C has (STATUS_CONTROL_C_EXIT).
constexpr int kConsoleStopStatus = static_cast<int>(0xC000013AU);

}  // namespace shiori
