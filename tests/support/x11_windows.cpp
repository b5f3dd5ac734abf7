#include "support/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kv::test {
namespace {

std::string TitleOf(Display* display, Window window) {
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    return title;
  }
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name != nullptr) {
    title = name;
    XFree(name);
  }
  return title;
}

bool HasClass(Display* display, Window window, const std::string& windowClass) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) return false;
  const bool match = (hint.res_name && windowClass == hint.res_name) ||
                     (hint.res_class && windowClass == hint.res_class);
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return match;
}

}  // namespace

std::vector<std::string> WindowTitlesOfClass(const std::string& windowClass) {
  std::vector<std::string> titles;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return titles;
  Window root = DefaultRootWindow(display), parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, root, &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes attributes{};
      if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
      if (attributes.map_state != IsViewable) continue;
      if (HasClass(display, children[i], windowClass)) {
        titles.push_back(TitleOf(display, children[i]));
      }
    }
    if (children) XFree(children);
  }
  XCloseDisplay(display);
  return titles;
}

}  // namespace kv::test
