// A request to end the program that came from outside (a signal, or Ctrl-C
// read as a key), and the waits that it ends. The handler only records it;
// the reading loop sees it at its next wait and ends the program there.
#pragma once

namespace shiori {

/// Makes the pipe through which a request wakes the waits. The terminal
/// guard calls it before it catches any signal; calling it again does
/// nothing.
void PrepareStopRequests();

/// Records that |signal_number| asks the program to end (the first request
/// is the one kept) and wakes every wait. Async-signal-safe.
void RequestStop(int signal_number);

/// The signal that asked the program to end; 0 while none has. A request
/// is never withdrawn: every later wait ends at once.
int StopSignal();

/// While on, a change of the terminal's size (SIGWINCH) is recorded and
/// wakes the waits that watch for it; off (the default), SIGWINCH keeps the
/// action it had. Turning it on forgets a change recorded before.
void WatchResize(bool on);
/// Records a change of size and wakes the waits that watch for one.
/// Async-signal-safe.
void NoteResize();
/// True when a change of size is recorded and not yet taken.
bool ResizePending();
/// True once for each recorded change (changes made before it is taken
/// count as one).
bool TakeResize();

/// What ended a wait for input.
enum class InputWait { kReady, kTimedOut, kStop, kResize };

/// Waits up to |timeout_ms| (-1: no limit) until |fd| has input or has
/// ended (a read then will not block). A stop request ends the wait, one
/// made before the wait began included; so does a recorded change of size
/// when |resize| is true (kResize; the change is not taken).
InputWait WaitForInput(int fd, int timeout_ms, bool resize = false);

/// Sleeps |ms| unless a stop request comes first; false when one has.
bool NapUnlessStopped(int ms);

}  // namespace shiori
