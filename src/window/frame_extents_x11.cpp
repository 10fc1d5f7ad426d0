#include "frame_extents.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace quillar {

namespace {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Whether a window manager runs and lists atom among what it supports.
bool managerSupports(xcb_connection_t *c, xcb_window_t root, xcb_atom_t atom)
{
    const xcb_atom_t supported = internAtom(c, "_NET_SUPPORTED");
    const xcb_atom_t check = internAtom(c, "_NET_SUPPORTING_WM_CHECK");
    const Reply<xcb_get_property_reply_t> wm(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!wm || xcb_get_property_value_length(wm.get()) < 4)
        return false;
    const Reply<xcb_get_property_reply_t> list(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!list)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == atom)
            return true;
    }
    return false;
}

class X11FrameExtents final : public FrameExtents, public QAbstractNativeEventFilter
{
public:
    X11FrameExtents(xcb_connection_t *c, xcb_window_t root, xcb_window_t window, xcb_atom_t extents)
        : m_connection(c),
          m_root(root),
          m_window(window),
          m_extents(extents),
          m_requestAtom(internAtom(c, "_NET_REQUEST_FRAME_EXTENTS"))
    {
        qApp->installNativeEventFilter(this);
    }
    ~X11FrameExtents() override { qApp->removeNativeEventFilter(this); }

    void request() override
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = m_window;
        event.type = m_requestAtom;
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(m_connection);
    }

    std::optional<QMargins> current() const override
    {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, m_window, m_extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
            return std::nullopt;
        // left, right, top, bottom
        const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
        return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
        if (property->window == m_window && property->atom == m_extents && property->state == XCB_PROPERTY_NEW_VALUE) {
            if (const auto frame = current())
                emit announced(*frame);
        }
        return false; // Qt goes on with its own handling
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    xcb_window_t m_window;
    xcb_atom_t m_extents;
    xcb_atom_t m_requestAtom;
};

} // namespace

FrameExtents::~FrameExtents() = default;

std::unique_ptr<FrameExtents> FrameExtents::watch(QWindow &window)
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t *c = x11->connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return nullptr;
    const xcb_atom_t extents = internAtom(c, "_NET_FRAME_EXTENTS");
    if (extents == XCB_ATOM_NONE || !managerSupports(c, screen->root, extents))
        return nullptr;
    return std::make_unique<X11FrameExtents>(c, screen->root, static_cast<xcb_window_t>(window.winId()), extents);
}

} // namespace quillar
