#include "platform/linux/x11_support.h"

#include <algorithm>
#include <atomic>
#include <unistd.h>

namespace quorvel::platform::x11 {

namespace {

int ignore_errors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

void install_error_handler() {
    static std::atomic<bool> installed{false};
    if (!installed.exchange(true))
        XSetErrorHandler(ignore_errors);
}

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

std::vector<unsigned long> cardinals(Display* d, Window w, const char* property, Atom type) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(d, w, atom(d, property), 0, 1 << 16, False, type, &actual, &format,
                           &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        out.assign(values, values + count);
    }
    if (data)
        XFree(data);
    return out;
}

QString utf8_property(Display* d, Window w, const char* property) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QString text;
    if (XGetWindowProperty(d, w, atom(d, property), 0, 1 << 16, False, atom(d, "UTF8_STRING"),
                           &actual, &format, &count, &after, &data) == Success &&
        data && format == 8)
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(count));
    if (data)
        XFree(data);
    return text;
}

QString window_title(Display* d, Window w) {
    const QString net_name = utf8_property(d, w, "_NET_WM_NAME");
    if (!net_name.isEmpty())
        return net_name;
    XTextProperty prop{};
    if (!XGetWMName(d, w, &prop) || !prop.value)
        return {};
    QString text;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(d, &prop, &list, &count) >= Success && list && count > 0)
        text = QString::fromUtf8(list[0]);
    if (list)
        XFreeStringList(list);
    XFree(prop.value);
    return text;
}

QString window_class(Display* d, Window w) {
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint))
        return {};
    const QString name = QString::fromUtf8(hint.res_class ? hint.res_class : "");
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return name;
}

long window_pid(Display* d, Window w) {
    const auto pid = cardinals(d, w, "_NET_WM_PID", XA_CARDINAL);
    return pid.empty() ? 0 : static_cast<long>(pid[0]);
}

bool has_property(Display* d, Window w, const char* property) {
    int count = 0;
    Atom* atoms = XListProperties(d, w, &count);
    const Atom wanted = atom(d, property);
    const bool found = atoms && std::find(atoms, atoms + count, wanted) != atoms + count;
    if (atoms)
        XFree(atoms);
    return found;
}

std::vector<Window> client_stack(Display* d) {
    const auto list = cardinals(d, DefaultRootWindow(d), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
    return std::vector<Window>(list.begin(), list.end());
}

bool has_window_manager(Display* d) {
    return !cardinals(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
}

Window client_of(Display* d, Window frame) {
    if (has_property(d, frame, "WM_STATE"))
        return frame;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(d, frame, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = client_of(d, children[i]);
    }
    if (children)
        XFree(children);
    return found;
}

Window toplevel_of(Display* d, Window w) {
    const Window root_window = DefaultRootWindow(d);
    for (int depth = 0; w && depth < 64; ++depth) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(d, w, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root_window || parent == 0)
            return w;
        w = parent;
    }
    return 0;
}

Window active_window(Display* d) {
    const auto active = cardinals(d, DefaultRootWindow(d), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (active.empty() || active[0] == 0)
        return 0;
    // The window manager may leave a destroyed window here.
    const auto clients = client_stack(d);
    return std::find(clients.begin(), clients.end(), active[0]) != clients.end() ? active[0] : 0;
}

void send_wm_message(Display* d, Window w, const char* type, long l0, long l1, long l2, long l3) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = atom(d, type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(d);
}

namespace {

// Hidden by the toolkit, a window is unmapped at once but the window manager
// lets go of it (and removes its _NET_WM_STATE) only a little later: a state
// set in between would be lost at the next show. Waits for that, bounded.
void wait_until_released(Display* d, Window w) {
    for (int i = 0; i < 250; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(d, w, &attributes) || attributes.map_state != IsUnmapped)
            return;
        const auto state = cardinals(d, w, "WM_STATE", atom(d, "WM_STATE"));
        if (state.empty() || state[0] != NormalState) // withdrawn, or minimised
            return;
        usleep(2000);
    }
}

bool managed(Display* d, Window w) {
    const auto state = cardinals(d, w, "WM_STATE", atom(d, "WM_STATE"));
    return has_window_manager(d) && !state.empty() && state[0] != WithdrawnState;
}

} // namespace

void set_wm_state(Display* d, Window w, bool add, std::vector<const char*> states) {
    if (has_window_manager(d))
        wait_until_released(d, w);
    if (managed(d, w))
        send_wm_message(d, w, "_NET_WM_STATE", add ? 1 : 0, static_cast<long>(atom(d, states[0])),
                        states.size() > 1 ? static_cast<long>(atom(d, states[1])) : 0, 2);
    // Also the property: a window being withdrawn right now misses the
    // message, and the window manager reads the property at its next map.
    const auto current = cardinals(d, w, "_NET_WM_STATE", XA_ATOM);
    std::vector<Atom> atoms(current.begin(), current.end());
    for (const char* name : states) {
        const Atom a = atom(d, name);
        atoms.erase(std::remove(atoms.begin(), atoms.end(), a), atoms.end());
        if (add)
            atoms.push_back(a);
    }
    XChangeProperty(d, w, atom(d, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
    // Done before Qt (on a connection of its own) reads the property to map.
    XSync(d, False);
}

} // namespace quorvel::platform::x11
