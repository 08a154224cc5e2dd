#pragma once
// What a person does to the program's window through the X server: keys typed
// with the window focused (XTEST, as from a real keyboard), the mouse wheel, and the close
// request a window manager sends when the close button is pressed.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
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

  // The program's main window on screen (class "org.velmorin.Sync"), or 0.
  Window window() { return display_ ? find(DefaultRootWindow(display_)) : 0; }

  // The program's window whose title is `title` (a dialog of it), or 0.
  Window window(const std::string& title) { return display_ ? find(DefaultRootWindow(display_), title) : 0; }

  // Waits up to 20 s for the window titled `title`.
  Window waitForWindow(const std::string& title) {
    for (int tries = 0; tries < 200; ++tries) {
      if (const Window found = window(title)) return found;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
  }

  // Focuses the window and types each chord in turn; a chord is keys held together.
  bool type(const std::vector<std::vector<KeySym>>& chords, Window target = 0) {
    // A person's pace: menus open in between.
    return press(chords, target ? target : window(), std::chrono::milliseconds(300));
  }

  // Types `text` (ASCII) into `target`, with Shift where the character needs it.
  bool typeText(const std::string& text, Window target) {
    std::vector<std::vector<KeySym>> chords;
    for (const char c : text) {
      const auto symbol = static_cast<KeySym>(static_cast<unsigned char>(c));
      const KeyCode code = XKeysymToKeycode(display_, symbol);
      if (!code) return false;
      if (XkbKeycodeToKeysym(display_, code, 0, 0) == symbol) chords.push_back({symbol});
      else chords.push_back({XK_Shift_L, symbol});
    }
    return press(chords, target, std::chrono::milliseconds(15));  // typing, not pasting
  }

  // In the file chooser titled `title`: the location typed in (Ctrl+L), then Enter
  // until the chooser closes. The first Enter may only take the completion the
  // chooser offers and the next open the folder; true once it has closed.
  bool chooseInFileChooser(const std::string& title, const std::string& path) {
    const Window chooser = waitForWindow(title);
    if (!chooser) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // its first folder is listed
    // From its home folder (Alt+Home): in its list of recent files a typed folder is not opened.
    if (!type({{XK_Alt_L, XK_Home}}, chooser) || !type({{XK_Control_L, XK_l}}, chooser) || !typeText(path, chooser))
      return false;
    for (int tries = 0; tries < 4; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(700));  // completion shows
      if (window(title) != chooser) return true;
      type({{XK_Return}}, chooser);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    return window(title) != chooser;
  }

  // The window's width and height, or 0 × 0.
  std::pair<int, int> size() {
    XWindowAttributes attributes{};
    const Window target = window();
    if (!target || !XGetWindowAttributes(display_, target, &attributes)) return {0, 0};
    return {attributes.width, attributes.height};
  }

  // Turns the mouse wheel `clicks` notches (down, or up) with the pointer at (x, y)
  // in the window, one notch at a time as a hand does.
  bool wheel(int x, int y, int clicks, bool down) {
    const Window target = window();
    if (!target) return false;
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, target, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
    XSync(display_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (int i = 0; i < clicks; ++i) {
      XTestFakeButtonEvent(display_, down ? 5 : 4, True, CurrentTime);
      XTestFakeButtonEvent(display_, down ? 5 : 4, False, CurrentTime);
      XSync(display_, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
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
  // Focuses `target` and presses each chord in turn, `pause` after each.
  bool press(const std::vector<std::vector<KeySym>>& chords, Window target, std::chrono::milliseconds pause) {
    if (!target) return false;
    XSetInputFocus(display_, target, RevertToParent, CurrentTime);
    XSync(display_, False);
    for (const auto& chord : chords) {
      for (KeySym key : chord) XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
      for (auto key = chord.rbegin(); key != chord.rend(); ++key)
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, *key), False, CurrentTime);
      XSync(display_, False);
      std::this_thread::sleep_for(pause);
    }
    return true;
  }

  // Without a window manager every top-level window is a child of the root.
  // With a `title`, only the window of that title.
  Window find(Window root, const std::string& title = "") {
    Window parent = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
      XClassHint hint{};
      XWindowAttributes attributes{};
      if (!XGetClassHint(display_, children[i], &hint)) continue;
      if (hint.res_name && std::string(hint.res_name) == "org.velmorin.Sync" &&
          XGetWindowAttributes(display_, children[i], &attributes) && attributes.map_state == IsViewable &&
          !attributes.override_redirect && (title.empty() || titleOf(children[i]) == title))
        found = children[i];
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    if (children) XFree(children);
    return found;
  }

  std::string titleOf(Window window) {
    char* name = nullptr;
    if (!XFetchName(display_, window, &name) || !name) return "";
    std::string title = name;
    XFree(name);
    return title;
  }

  Display* display_;
};

// Another application's window, as a person switches to it: it takes the
// keyboard focus, and says when the program's window has taken it back.
class XFocusThief {
 public:
  XFocusThief() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 64, 64, 0, 0, 0);
    XSelectInput(display_, window_, StructureNotifyMask);
    XMapRaised(display_, window_);
    for (XEvent event; XNextEvent(display_, &event), event.type != MapNotify;) {
    }
  }
  ~XFocusThief() {
    if (display_) XCloseDisplay(display_);
  }
  XFocusThief(const XFocusThief&) = delete;
  XFocusThief& operator=(const XFocusThief&) = delete;

  // A window still starting may take the focus back once; then it is asked again.
  bool take() {
    for (int tries = 0; display_ && tries < 10; ++tries) {
      XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
      XSync(display_, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the program hears its focus go
      if (focus() == window_) return true;
    }
    return false;
  }

  // True once the focus is in `top` or one of its windows; false after 10 s.
  bool lostTo(Window top) {
    for (int tries = 0; tries < 100; ++tries) {
      for (Window at = focus(); at > PointerRoot && top;) {
        if (at == top) return true;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, at, &root, &parent, &children, &count)) break;
        if (children) XFree(children);
        at = parent == root ? 0 : parent;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  Window focus() {
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(display_, &focused, &revert);
    return focused;
  }

  Display* display_;
  Window window_ = 0;
};

}  // namespace velmorin::testing
