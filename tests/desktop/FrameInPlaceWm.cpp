// kvx_frame_wm: a window manager that frames a window where it stands. The
// frame goes around the client, which keeps its place on the screen, so the
// client sees no move when it is framed; openbox instead moves it by the
// frame's margins. A new window takes the focus; a window asking for it
// through _NET_ACTIVE_WINDOW gets it. Nothing else: no title bar to drag,
// no keys, no maximising.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <vector>

namespace {

// The frame's margins: a title band on top, a thin border elsewhere.
constexpr int kLeft = 1;
constexpr int kRight = 1;
constexpr int kTop = 20;
constexpr int kBottom = 1;

Display* display;
Window root;
std::map<Window, Window> frames;  // client -> frame
std::vector<Window> focusOrder;   // clients, last focused last

Atom Intern(const char* name) { return XInternAtom(display, name, False); }

// A client may be gone before its events are read.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

int OtherWindowManager(Display*, XErrorEvent*)
{
    std::fputs("kvx_frame_wm: another window manager runs\n", stderr);
    std::_Exit(1);
}

void SetWindowProperty(Window window, const char* name, Window value)
{
    XChangeProperty(display, window, Intern(name), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
}

void Focus(Window client)
{
    XSetInputFocus(display, client, RevertToPointerRoot, CurrentTime);
    SetWindowProperty(root, "_NET_ACTIVE_WINDOW", client);
    focusOrder.erase(std::remove(focusOrder.begin(), focusOrder.end(), client), focusOrder.end());
    focusOrder.push_back(client);
}

void Announce()
{
    const Window check = XCreateSimpleWindow(display, root, -1, -1, 1, 1, 0, 0, 0);
    SetWindowProperty(check, "_NET_SUPPORTING_WM_CHECK", check);
    const char name[] = "kvx_frame_wm";
    XChangeProperty(display, check, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name), sizeof name - 1);
    SetWindowProperty(root, "_NET_SUPPORTING_WM_CHECK", check);
    Atom supported[] = {Intern("_NET_SUPPORTING_WM_CHECK"), Intern("_NET_WM_NAME"), Intern("_NET_ACTIVE_WINDOW"),
                        Intern("_NET_FRAME_EXTENTS")};
    XChangeProperty(display, root, Intern("_NET_SUPPORTED"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(supported), int(std::size(supported)));
}

void Manage(Window client)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, client, &attributes))
        return;
    // Where the client stands on the screen, frame or no frame.
    const Window frame =
        XCreateSimpleWindow(display, root, attributes.x - kLeft, attributes.y - kTop, attributes.width + kLeft + kRight,
                            attributes.height + kTop + kBottom, 0, 0, 0x8090a0);
    XSelectInput(display, frame, SubstructureRedirectMask | SubstructureNotifyMask);
    XAddToSaveSet(display, client);
    XReparentWindow(display, client, frame, kLeft, kTop);
    long extents[] = {kLeft, kRight, kTop, kBottom};
    XChangeProperty(display, client, Intern("_NET_FRAME_EXTENTS"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(extents), 4);
    frames[client] = frame;
    XMapWindow(display, client);
    XMapRaised(display, frame);
    Focus(client);
}

void Unmanage(Window client, bool destroyed)
{
    const auto found = frames.find(client);
    if (found == frames.end())
        return;
    const Window frame = found->second;
    frames.erase(found);
    if (!destroyed) {
        // Withdrawn: back on the root where it stood, for a later map.
        XWindowAttributes attributes;
        XGetWindowAttributes(display, frame, &attributes);
        XReparentWindow(display, client, root, attributes.x + kLeft, attributes.y + kTop);
        XRemoveFromSaveSet(display, client);
    }
    XDestroyWindow(display, frame);
    focusOrder.erase(std::remove(focusOrder.begin(), focusOrder.end(), client), focusOrder.end());
    if (!focusOrder.empty())
        Focus(focusOrder.back());
}

// The position asked for is the frame's unless the client asks for its own
// (static gravity), as the window manager conventions have it.
bool PositionIsClients(Window client)
{
    XSizeHints hints;
    long supplied = 0;
    return XGetWMNormalHints(display, client, &hints, &supplied) && (hints.flags & PWinGravity) &&
           hints.win_gravity == StaticGravity;
}

void Configure(const XConfigureRequestEvent& request)
{
    const auto found = frames.find(request.window);
    if (found == frames.end()) {
        XWindowChanges changes{request.x, request.y, request.width, request.height, request.border_width,
                               request.above, request.detail};
        XConfigureWindow(display, request.window, request.value_mask, &changes);
        return;
    }
    const Window client = request.window;
    const Window frame = found->second;
    XWindowAttributes framed;
    XWindowAttributes inside;
    XGetWindowAttributes(display, frame, &framed);
    XGetWindowAttributes(display, client, &inside);
    const bool clients = PositionIsClients(client);
    const int x = (request.value_mask & CWX) ? request.x - (clients ? kLeft : 0) : framed.x;
    const int y = (request.value_mask & CWY) ? request.y - (clients ? kTop : 0) : framed.y;
    const int width = (request.value_mask & CWWidth) ? request.width : inside.width;
    const int height = (request.value_mask & CWHeight) ? request.height : inside.height;
    XMoveResizeWindow(display, frame, x, y, width + kLeft + kRight, height + kTop + kBottom);
    XResizeWindow(display, client, width, height);
    // The client learns its place on the screen from a synthetic notice.
    XConfigureEvent notice{};
    notice.type = ConfigureNotify;
    notice.event = client;
    notice.window = client;
    notice.x = x + kLeft;
    notice.y = y + kTop;
    notice.width = width;
    notice.height = height;
    XSendEvent(display, client, False, StructureNotifyMask, reinterpret_cast<XEvent*>(&notice));
}

}  // namespace

int main()
{
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fputs("kvx_frame_wm: no X display\n", stderr);
        return 1;
    }
    root = DefaultRootWindow(display);
    XSetErrorHandler(OtherWindowManager);
    XSelectInput(display, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);
    XSetErrorHandler(IgnoreErrors);
    Announce();
    const Atom activeWindow = Intern("_NET_ACTIVE_WINDOW");
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case MapRequest:
            if (frames.count(event.xmaprequest.window) == 0)
                Manage(event.xmaprequest.window);
            else
                XMapWindow(display, event.xmaprequest.window);
            break;
        case ConfigureRequest:
            Configure(event.xconfigurerequest);
            break;
        case UnmapNotify:
            if (event.xunmap.event != root)
                Unmanage(event.xunmap.window, false);
            break;
        case DestroyNotify:
            Unmanage(event.xdestroywindow.window, true);
            break;
        case ClientMessage:
            if (event.xclient.message_type == activeWindow && frames.count(event.xclient.window))
                Focus(event.xclient.window);
            break;
        default:
            break;
        }
    }
}
