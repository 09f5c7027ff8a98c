#include "GameWindow.h"

#include <QGuiApplication>

#ifdef VARTOLIN_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#endif

namespace reporter {

bool windowBelongsTo(std::uint64_t window, qint64 pid)
{
#ifdef VARTOLIN_HAVE_XCB
    const auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || window > 0xffffffffu)
        return false;
    static const char name[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t pidAtom = atom->atom;
    std::free(atom);
    xcb_get_property_reply_t *property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, xcb_window_t(window), pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    if (!property)
        return false;
    bool belongs = false;
    if (property->format == 32 && xcb_get_property_value_length(property) == 4) {
        std::uint32_t owner = 0;
        std::memcpy(&owner, xcb_get_property_value(property), sizeof owner);
        belongs = qint64(owner) == pid;
    }
    std::free(property);
    return belongs;
#else
    (void)window;
    (void)pid;
    return false; // no way to tell on this display: no picture rather than someone else's
#endif
}

} // namespace reporter
