#pragma once
// What a person does to the program's window through the X server: keys typed
// with the window focused (XTEST, as from a real keyboard), and the close
// request a window manager sends when the close button is pressed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace velmorin::testing {

class XWindowUser {
 public:
  XWindowUser() : display_(XOpenDisplay(nullptr)) {}
  ~XWindowUser() {
    if (display_) XCloseDisplay(display_);
  }
  XWindowUser(const XWindowUser&) = delete;
  XWindowUser& operator=(const XWindowUser&) = delete;

  // The program's main window on screen (class "velmorin-sync"), or 0.
  Window window() { return display_ ? find(DefaultRootWindow(display_)) : 0; }

  // Focuses the window and types each chord in turn; a chord is keys held together.
  bool type(const std::vector<std::vector<KeySym>>& chords) {
    const Window target = window();
    if (!target) return false;
    XSetInputFocus(display_, target, RevertToParent, CurrentTime);
    XSync(display_, False);
    for (const auto& chord : chords) {
      for (KeySym key : chord) XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
      for (auto key = chord.rbegin(); key != chord.rend(); ++key)
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, *key), False, CurrentTime);
      XSync(display_, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a person's pace: menus open in between
    }
    return true;
  }

  // WM_DELETE_WINDOW, as the window manager's close button sends it.
  bool askToClose() {
    const Window target = window();
    if (!target) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, target, False, NoEventMask, &event);
    XSync(display_, False);
    return true;
  }

 private:
  // Without a window manager every top-level window is a child of the root.
  Window find(Window root) {
    Window parent = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
      XClassHint hint{};
      XWindowAttributes attributes{};
      if (!XGetClassHint(display_, children[i], &hint)) continue;
      if (hint.res_name && std::string(hint.res_name) == "velmorin-sync" &&
          XGetWindowAttributes(display_, children[i], &attributes) && attributes.map_state == IsViewable &&
          !attributes.override_redirect)
        found = children[i];
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    if (children) XFree(children);
    return found;
  }

  Display* display_;
};

}  // namespace velmorin::testing
