#include "ScreenGrabber.h"

#include "XConnection.h"

#include <QtEndian>
#include <cstring>
#include <deque>
#include <new>

namespace platform {

namespace {

// One GetImage request reads this many bytes at most: the server sends a
// strip while the previous one is copied, and the client never holds more
// than two.
constexpr qint64 StripBytes = 4 * 1024 * 1024;

const xcb_visualtype_t *rootVisual(const xcb_screen_t *screen)
{
    for (xcb_depth_iterator_t depth = xcb_screen_allowed_depths_iterator(screen); depth.rem > 0;
         xcb_depth_next(&depth)) {
        for (xcb_visualtype_iterator_t visual = xcb_depth_visuals_iterator(depth.data);
             visual.rem > 0; xcb_visualtype_next(&visual)) {
            if (visual.data->visual_id == screen->root_visual)
                return visual.data;
        }
    }
    return nullptr;
}

int bitsPerPixel(const xcb_setup_t *setup, uint8_t depth)
{
    for (xcb_format_iterator_t format = xcb_setup_pixmap_formats_iterator(setup); format.rem > 0;
         xcb_format_next(&format)) {
        if (format.data->depth == depth)
            return format.data->bits_per_pixel;
    }
    return 0;
}

// The window that is a direct child of the root and holds `window`: the
// frame a reparenting window manager put around it, or the window itself.
xcb_window_t topLevel(xcb_connection_t *c, xcb_window_t root, xcb_window_t window)
{
    for (int depth = 0; depth < 64 && window != XCB_WINDOW_NONE; ++depth) {
        const XcbPtr<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree)
            return XCB_WINDOW_NONE; // gone
        if (tree->parent == root || tree->parent == XCB_WINDOW_NONE)
            return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

} // namespace

ScreenGrabber::ScreenGrabber() : m_x(std::make_unique<XConnection>())
{
}

ScreenGrabber::~ScreenGrabber() = default;

ScreenGrabber::Picture ScreenGrabber::screen()
{
    if (!*m_x)
        return {{}, QStringLiteral("there is no X display")};
    return area(QRect(0, 0, m_x->screen()->width_in_pixels, m_x->screen()->height_in_pixels));
}

QRect ScreenGrabber::activeWindowRect()
{
    if (!*m_x)
        return {};
    xcb_connection_t *c = m_x->get();
    const xcb_window_t root = m_x->root();
    // One window named by a property of `on`, or none.
    const auto windowProperty = [&](xcb_window_t on, const char *name) {
        xcb_window_t named = XCB_WINDOW_NONE;
        const xcb_atom_t atom = m_x->atom(name);
        if (atom == XCB_ATOM_NONE)
            return named;
        const XcbPtr<xcb_get_property_reply_t> property(xcb_get_property_reply(
            c, xcb_get_property(c, 0, on, atom, XCB_ATOM_WINDOW, 0, 1), nullptr));
        if (property && property->format == 32 &&
            xcb_get_property_value_length(property.get()) == 4)
            std::memcpy(&named, xcb_get_property_value(property.get()), sizeof named);
        return named;
    };
    // The window manager's word counts only while it runs: its check window
    // still exists and names itself. One that ended leaves its word behind.
    const xcb_window_t check = windowProperty(root, "_NET_SUPPORTING_WM_CHECK");
    xcb_window_t active = XCB_WINDOW_NONE;
    if (check != XCB_WINDOW_NONE && windowProperty(check, "_NET_SUPPORTING_WM_CHECK") == check)
        active = windowProperty(root, "_NET_ACTIVE_WINDOW");
    if (active == XCB_WINDOW_NONE) {
        // No running window manager says which: the window with the
        // keyboard focus.
        const XcbPtr<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        if (focus && focus->focus != XCB_INPUT_FOCUS_POINTER_ROOT)
            active = focus->focus;
    }
    if (active == XCB_WINDOW_NONE || active == root)
        return {};
    const xcb_window_t frame = topLevel(c, root, active);
    if (frame == XCB_WINDOW_NONE)
        return {};
    const XcbPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, frame), nullptr));
    const XcbPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, frame), nullptr));
    if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return {};
    // The border belongs to the window as it is drawn.
    const int border = geometry->border_width;
    return QRect(geometry->x, geometry->y, geometry->width + 2 * border,
                 geometry->height + 2 * border);
}

ScreenGrabber::Picture ScreenGrabber::activeWindow()
{
    const QRect rect = activeWindowRect();
    return rect.isEmpty() ? screen() : area(rect);
}

ScreenGrabber::Picture ScreenGrabber::area(const QRect &wanted)
{
    if (!*m_x)
        return {{}, QStringLiteral("there is no X display")};
    xcb_connection_t *c = m_x->get();
    const xcb_screen_t *screen = m_x->screen();
    const QRect rect =
        wanted.intersected(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
    if (rect.isEmpty())
        return {{}, QStringLiteral("the window is not on the screen")};

    // The root window's pixels as the server keeps them.
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_visualtype_t *visual = rootVisual(screen);
    const int bpp = bitsPerPixel(setup, screen->root_depth);
    QImage::Format format = QImage::Format_Invalid;
    if (visual && bpp == 32 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
        visual->blue_mask == 0xff)
        format = QImage::Format_RGB32;
    else if (visual && bpp == 16 && visual->red_mask == 0xf800 && visual->green_mask == 0x7e0 &&
             visual->blue_mask == 0x1f)
        format = QImage::Format_RGB16;
    const bool swapped =
        (setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST) != (Q_BYTE_ORDER == Q_BIG_ENDIAN);
    if (format == QImage::Format_Invalid)
        return {{},
                QStringLiteral("the screen's pixel format (depth %1, %2 bits a pixel) is not "
                               "supported")
                    .arg(screen->root_depth)
                    .arg(bpp)};

    const qint64 rowBytes = qint64(rect.width()) * (bpp / 8); // scanlines pad to 32 bits
    const qint64 paddedRow = (rowBytes + 3) / 4 * 4;
    if (paddedRow * rect.height() > MaxPictureBytes)
        return {{},
                QStringLiteral("a picture of %1×%2 pixels is too large")
                    .arg(rect.width())
                    .arg(rect.height())};
    QImage image;
    try {
        image = QImage(rect.size(), format);
    } catch (const std::bad_alloc &) {
    }
    if (image.isNull())
        return {{},
                QStringLiteral("there is not enough memory for a picture of %1×%2 pixels")
                    .arg(rect.width())
                    .arg(rect.height())};

    const int stripRows =
        static_cast<int>(qBound(qint64(1), StripBytes / paddedRow, qint64(rect.height())));
    std::deque<std::pair<int, xcb_get_image_cookie_t>> inFlight;
    int nextRow = 0;
    const auto ask = [&] {
        const int rows = qMin(stripRows, rect.height() - nextRow);
        inFlight.emplace_back(nextRow, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_x->root(),
                                                     static_cast<int16_t>(rect.x()),
                                                     static_cast<int16_t>(rect.y() + nextRow),
                                                     static_cast<uint16_t>(rect.width()),
                                                     static_cast<uint16_t>(rows), ~0U));
        nextRow += rows;
    };
    ask();
    QString error;
    while (!inFlight.empty()) {
        if (nextRow < rect.height() && error.isEmpty())
            ask(); // the next strip is on its way while this one is copied
        const auto [top, cookie] = inFlight.front();
        inFlight.pop_front();
        xcb_generic_error_t *rawError = nullptr;
        const XcbPtr<xcb_get_image_reply_t> reply(xcb_get_image_reply(c, cookie, &rawError));
        const XcbPtr<xcb_generic_error_t> failed(rawError);
        const int rows = qMin(stripRows, rect.height() - top);
        const uint8_t *data = reply ? xcb_get_image_data(reply.get()) : nullptr;
        if (!reply || xcb_get_image_data_length(reply.get()) < paddedRow * rows) {
            if (error.isEmpty())
                error = failed ? QStringLiteral("the X server refused to hand over the picture "
                                                "(error %1)")
                                     .arg(failed->error_code)
                               : QStringLiteral("the X server handed over no picture");
            continue; // the answers to the strips still asked for are read all the same
        }
        for (int y = 0; y < rows; ++y) {
            uchar *line = image.scanLine(top + y);
            std::memcpy(line, data + paddedRow * y, static_cast<std::size_t>(rowBytes));
            if (format == QImage::Format_RGB32) {
                // The byte above the colours is undefined on the wire; Qt's
                // RGB32 wants it opaque.
                auto *pixels = reinterpret_cast<quint32 *>(line);
                for (int x = 0; x < rect.width(); ++x)
                    pixels[x] = (swapped ? qbswap(pixels[x]) : pixels[x]) | 0xff000000U;
            } else if (swapped) {
                auto *pixels = reinterpret_cast<quint16 *>(line);
                for (int x = 0; x < rect.width(); ++x)
                    pixels[x] = qbswap(pixels[x]);
            }
        }
    }
    if (!error.isEmpty())
        return {{}, error};
    return {std::move(image), {}};
}

} // namespace platform
