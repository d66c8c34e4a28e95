// Ending the program. Windows that end the program call EndProgram with the
// exit status; it hides every window and leaves the event loop. main() also
// checks ProgramEndRequested() after the start-up sequence, which runs before
// the event loop.
//
// SIGTERM, SIGINT and SIGHUP end the program the same way as closing it
// during a run, without a question (Frm_Main::EndOnSignal), with status 0.
#pragma once

namespace vondrel {

void EndProgram(int status);
bool ProgramEndRequested();
int ProgramExitStatus();
// For tests: forget an earlier end.
void ResetProgramEnd();

// Watches for the ending signals from the event loop (needs a
// QCoreApplication). A signal that comes while a device operation holds the
// port (the tick, a connect, Play) lets that operation finish first: the
// event loops are left, and main() completes the end with FinishSignalEnd.
void EndOnTerminationSignals();
// The number of the signal that asked for the end; 0 when none did.
int EndSignal();
// Completes an end asked for by a signal, once; nothing without one.
void FinishSignalEnd();

}  // namespace vondrel
