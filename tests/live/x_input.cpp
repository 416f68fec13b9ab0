#include "x_input.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <thread>

namespace {

// A window that vanished between the query and the call is no error here.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// WM_NAME as bytes, whatever its type: SDL writes it as UTF8_STRING, which
// XFetchName does not return.
std::string WindowName(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XA_WM_NAME, 0, 256, False,
                         AnyPropertyType, &type, &format, &count, &after,
                         &data) != Success ||
      !data) {
    return {};
  }
  std::string name;
  if (format == 8) name.assign(reinterpret_cast<char*>(data), count);
  XFree(data);
  return name;
}

}  // namespace

XInput::~XInput() {
  if (display_) XCloseDisplay(display_);
}

bool XInput::Open(std::string* error) {
  display_ = XOpenDisplay(nullptr);
  if (!display_) {
    *error = "cannot open the X display (is DISPLAY set?)";
    return false;
  }
  int event, firstError, major, minor;
  if (!XTestQueryExtension(display_, &event, &firstError, &major, &minor)) {
    *error = "the X server has no XTEST extension";
    return false;
  }
  XSetErrorHandler(&IgnoreXErrors);
  return true;
}

XWindowId XInput::FindViewable(const std::string& title) {
  Window root = DefaultRootWindow(display_);
  Window rootReturn, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display_, root, &rootReturn, &parent, &children, &count)) {
    return 0;
  }
  XWindowId found = 0;
  for (unsigned int i = count; i-- > 0 && !found;) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, children[i], &attributes) ||
        attributes.map_state != IsViewable) {
      continue;
    }
    if (WindowName(display_, children[i]) == title) found = children[i];
  }
  if (children) XFree(children);
  return found;
}

bool XInput::ReleaseEscape(XWindowId window, int holdMs) {
  const KeyCode escape = XKeysymToKeycode(display_, XK_Escape);
  if (escape == 0) return false;
  XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
  XTestFakeKeyEvent(display_, escape, True, CurrentTime);
  XSync(display_, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
  XTestFakeKeyEvent(display_, escape, False, CurrentTime);
  XSync(display_, False);
  return true;
}

bool XInput::Close(XWindowId window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] =
      static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &event);
  XSync(display_, False);
  return true;
}
