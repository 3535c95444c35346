#pragma once

// Xlib helpers shared by the X11 desktop and its event source. Included only
// by .cpp files: Xlib's macros must not reach code seen by moc.
#include <QString>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quorvel::platform::x11 {

// A window that vanishes between an event and a query is normal on a
// desktop; errors are logged by nobody and never end the process.
void install_error_handler();

Atom atom(Display* d, const char* name);
std::vector<unsigned long> cardinals(Display* d, Window w, const char* property, Atom type);
QString utf8_property(Display* d, Window w, const char* property);
QString window_title(Display* d, Window w);
QString window_class(Display* d, Window w);
long window_pid(Display* d, Window w);
bool has_property(Display* d, Window w, const char* property);
// Managed client windows, bottom to top; empty without a window manager.
std::vector<Window> client_stack(Display* d);
bool has_window_manager(Display* d);
// The client inside a window manager frame (the window itself when it is one).
Window client_of(Display* d, Window frame);
// The child of the root that holds w (its frame, or w itself).
Window toplevel_of(Display* d, Window w);
Window active_window(Display* d);
void send_wm_message(Display* d, Window w, const char* type, long l0, long l1 = 0, long l2 = 0,
                     long l3 = 0);
// Adds or removes _NET_WM_STATE atoms (at most two). The window manager reads
// the property when it maps a window, so a window not mapped yet (or
// withdrawn) gets the property itself; a managed one also gets the request
// message, the only way the window manager listens to then.
void set_wm_state(Display* d, Window w, bool add, std::vector<const char*> states);

} // namespace quorvel::platform::x11
