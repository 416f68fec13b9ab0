// SIGINT and SIGTERM end the live show the way the release of Escape does:
// the handler only records the request, and the show's loops read it.
//
// SDL shows its X11 dialogs from a child process and waits for it without
// a timeout, so a stop that arrives while "Fullscreen ?" (or an error box)
// is up ends that child at once: the dialog closes as if cancelled.
#pragma once

// Installs the handlers, once per process (later calls do nothing). Call it
// before SDL starts: SDL then leaves both signals alone. A signal that is
// ignored when the program starts (a background job's SIGINT) stays
// ignored.
void InstallStopSignals();

// Whether SIGINT or SIGTERM has arrived since InstallStopSignals.
bool StopRequested();

// While one exists, a child that this process forks (SDL's dialog) is
// ended by a stop signal, is not started at all when the stop came first,
// and dies with this process. Scopes do not nest.
class DialogChildScope {
 public:
  DialogChildScope();
  ~DialogChildScope();
  DialogChildScope(const DialogChildScope&) = delete;
  DialogChildScope& operator=(const DialogChildScope&) = delete;
};
