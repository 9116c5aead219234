#pragma once

namespace romshelf::cli {

// Ctrl+C (SIGINT) and SIGTERM for the whole run of a command: the first raises the cancel
// request, so that a loop stops after its current item and the command prints what it did;
// a second one while that request is pending ends the process at once (every file is written under
// a temporary name and renamed, and every move is journaled, so nothing is left half-written under
// a real name).
void catchInterrupts();
// The signal that asked to stop (sticky for the run), 0 when none did.
int interruptSignal();
// A loop asked the question and goes on: the request is cleared (the signal stays recorded).
void clearInterruptRequest();
bool interruptRequested();
// The signal of a pending request, which is cleared (so that the next signal is a request again
// rather than the end of the process); 0 when none is pending.
int takeInterruptRequest();

}  // namespace romshelf::cli
