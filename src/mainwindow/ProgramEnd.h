// Ending the program. Windows that end the program call EndProgram with the
// exit status; it hides every window and leaves the event loop. main() also
// checks ProgramEndRequested() after the start-up sequence, which runs before
// the event loop.
#pragma once

namespace vondrel {

void EndProgram(int status);
bool ProgramEndRequested();
int ProgramExitStatus();
// For tests: forget an earlier end.
void ResetProgramEnd();

}  // namespace vondrel
