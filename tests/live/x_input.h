// What a user does to the show's windows, through the X server: find a
// window on screen by its title, release Escape in it (XTEST, the server's
// own input path), or close it as a window manager does (WM_DELETE_WINDOW).
#pragma once

#include <string>

typedef struct _XDisplay Display;
typedef unsigned long XWindowId;

class XInput {
 public:
  XInput() = default;
  ~XInput();
  XInput(const XInput&) = delete;
  XInput& operator=(const XInput&) = delete;

  // Connects to $DISPLAY and checks for XTEST; false (with `error`) if not.
  bool Open(std::string* error);

  // A top-level window that is on screen with this title; 0 if none.
  XWindowId FindViewable(const std::string& title);

  // Gives `window` the keyboard focus (as a window manager would for a new
  // window), presses Escape and releases it `holdMs` later. Returns once
  // the server has taken the release.
  bool ReleaseEscape(XWindowId window, int holdMs);

  // Asks `window` to close, as a window manager's close button does.
  bool Close(XWindowId window);

 private:
  Display* display_ = nullptr;
};
