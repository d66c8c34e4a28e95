// The signals that ask the program to end: SIGTERM (a shutdown, kill),
// SIGINT (Ctrl-C in the terminal) and SIGHUP (the terminal or the session
// going away). Their handler does nothing but write the signal number into a
// pipe; the program reads the pipe from its event loop and ends there, where
// it may talk to the instrument and close files.
#pragma once

namespace vondrel::platform {

// Installs the handlers (once). Returns the non-blocking read end of the
// pipe, or -1 when no pipe could be made (the signals then keep their
// default action).
int CatchTerminationSignals();

// Takes one signal number out of the pipe; 0 when none is waiting.
int ReadTerminationSignal(int fd);

}  // namespace vondrel::platform
