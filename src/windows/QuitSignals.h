#pragma once
// The signals by which the desktop asks a program to end (SIGTERM at
// logout or from a task manager, SIGINT from a terminal, SIGHUP when the
// terminal goes) end the program as its own Exit does: the event loop
// returns and the windows and controls close in order, so that nothing a
// Flash movie saved is lost.
namespace corvane {

// Call once, with the application made.
void quitOnSignals();

}  // namespace corvane
