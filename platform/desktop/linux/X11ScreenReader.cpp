#include "platform/desktop/linux/X11ScreenReader.h"

#include <xcb/composite.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstddef>

#include "platform/desktop/linux/CaptureRegion.h"
#include "platform/desktop/linux/PixelCopy.h"

namespace platform {

namespace {

std::string xError(const char* what, const xcb_generic_error_t* error) {
    return std::string(what) + " failed (X error " + std::to_string(error ? error->error_code : 0) + ")";
}

bool extensionPresent(xcb_connection_t* connection, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(connection, extension);
    return data != nullptr && data->present != 0;
}

// A pixmap named for one read, freed on every path.
class NamedPixmap {
public:
    explicit NamedPixmap(xcb_connection_t* connection) : connection_(connection), id_(xcb_generate_id(connection)) {}
    ~NamedPixmap() {
        if (named_) xcb_free_pixmap(connection_, id_);
    }
    NamedPixmap(const NamedPixmap&) = delete;
    NamedPixmap& operator=(const NamedPixmap&) = delete;

    bool nameContentsOf(xcb_window_t window) {
        XcbReply<xcb_generic_error_t> error(
            xcb_request_check(connection_, xcb_composite_name_window_pixmap_checked(connection_, window, id_)));
        named_ = !error;
        return named_;
    }
    xcb_pixmap_t id() const { return id_; }

private:
    xcb_connection_t* connection_;
    xcb_pixmap_t id_;
    bool named_ = false;
};

}  // namespace

X11ScreenReader::X11ScreenReader() {
    if (!xcb_.ok() || xcb_.screen() == nullptr) {
        error_ = "cannot open the X display";
        code_ = ScreenError::NoDisplay;
        return;
    }
    xcb_connection_t* c = xcb_.get();
    // Frames are packed BGRX: the server must hand out 32-bit little-endian pixels.
    if (bitsPerPixelOfDepth(xcb_.screen()->root_depth) != 32 ||
        xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        error_ = "screen depth " + std::to_string(xcb_.screen()->root_depth) + " is not supported";
        code_ = ScreenError::Unsupported;
        return;
    }
    if (extensionPresent(c, &xcb_shm_id)) {
        auto version = xcb_.reply(xcb_shm_query_version_reply, xcb_shm_query_version(c));
        useShm_ = version != nullptr;
    }
    if (extensionPresent(c, &xcb_xfixes_id)) {
        // XFixes answers only clients that said which version they speak.
        auto version = xcb_.reply(xcb_xfixes_query_version_reply, xcb_xfixes_query_version(c, 4, 0));
        hasXFixes_ = version && version->major_version >= 1;
    }
    if (extensionPresent(c, &xcb_composite_id)) {
        auto version = xcb_.reply(xcb_composite_query_version_reply, xcb_composite_query_version(c, 0, 4));
        hasComposite_ = version && (version->major_version > 0 || version->minor_version >= 2);
    }
}

int X11ScreenReader::bitsPerPixelOfDepth(int depth) const {
    const xcb_setup_t* setup = xcb_get_setup(xcb_.get());
    auto it = xcb_setup_pixmap_formats_iterator(setup);
    for (; it.rem > 0; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    return 0;
}

bool X11ScreenReader::read(const ScreenArea& area, ImageView frame) {
    if (code_ == ScreenError::NoDisplay || code_ == ScreenError::Unsupported) return false;
    if (!xcb_.ok()) {
        error_ = "the connection to the X display is lost";
        code_ = ScreenError::NoDisplay;
        return false;
    }
    const bool fromWindow = area.windowContents && hasComposite_ && readWindow(area.window, area.rect, frame);
    if (!fromWindow && !readScreen(area.rect, frame)) {
        code_ = ScreenError::ReadFailed;
        return false;
    }
    code_ = ScreenError::None;
    if (area.drawCursor) drawCursor(area.rect, frame);
    return true;
}

bool X11ScreenReader::readWindowContents(const ScreenArea& area, ImageView frame) {
    if (code_ == ScreenError::NoDisplay || code_ == ScreenError::Unsupported || !xcb_.ok() || !hasComposite_ ||
        !readWindow(area.window, area.rect, frame))
        return false;
    if (area.drawCursor) drawCursor(area.rect, frame);
    return true;
}

bool X11ScreenReader::readScreen(const Rect& requested, ImageView frame) {
    // The root's size now, not at connection time: RandR may have changed it.
    auto geometry = xcb_.reply(xcb_get_geometry_reply, xcb_get_geometry(xcb_.get(), xcb_.root()));
    if (!geometry) {
        error_ = "cannot read the screen's size";
        return false;
    }
    const CaptureRegion region = CaptureRegion::clip(requested, {0, 0, geometry->width, geometry->height});
    if (region.empty()) {
        fillBlackOutside(frame, {});
        return true;
    }
    return readBlock(xcb_.root(), region.source, frame, region.offset);
}

xcb_window_t X11ScreenReader::topLevelOf(xcb_window_t window) const {
    for (int depth = 0; depth < 64; ++depth) {
        auto tree = xcb_.reply(xcb_query_tree_reply, xcb_query_tree(xcb_.get(), window));
        if (!tree) return XCB_WINDOW_NONE;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

bool X11ScreenReader::readWindow(xcb_window_t window, const Rect& requested, ImageView frame) {
    xcb_connection_t* c = xcb_.get();
    // The rectangle the callers pass is the window with its frame and title,
    // so the contents read are those of the frame window around it.
    const xcb_window_t topLevel = topLevelOf(window);
    if (topLevel == XCB_WINDOW_NONE) return false;
    auto geometry = xcb_.reply(xcb_get_geometry_reply, xcb_get_geometry(c, topLevel));
    if (!geometry || bitsPerPixelOfDepth(geometry->depth) != 32) return false;
    if (redirected_ != topLevel) {
        // Automatic redirection keeps the window's whole contents in a pixmap
        // of its own, covered or not, while the server still shows it.
        if (redirected_ != XCB_WINDOW_NONE)
            xcb_composite_unredirect_window(c, redirected_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        XcbReply<xcb_generic_error_t> ignored(xcb_request_check(
            c, xcb_composite_redirect_window_checked(c, topLevel, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
        redirected_ = topLevel;
    }
    NamedPixmap pixmap(c);
    if (!pixmap.nameContentsOf(topLevel)) return false;  // unmapped or gone
    const int border = geometry->border_width;
    const Rect bounds{geometry->x, geometry->y, geometry->x + geometry->width + 2 * border,
                      geometry->y + geometry->height + 2 * border};
    const CaptureRegion region = CaptureRegion::clip(requested, bounds);
    if (region.empty()) return false;
    return readBlock(pixmap.id(), region.source, frame, region.offset);
}

bool X11ScreenReader::readBlock(xcb_drawable_t drawable, const Rect& source, ImageView frame, Point offset) {
    fillBlackOutside(frame, {offset.x, offset.y, offset.x + source.width(), offset.y + source.height()});
    if (useShm_ && readBlockShared(drawable, source, frame, offset)) return true;
    if (!readBlockPlain(drawable, source, frame, offset)) return false;
    // Shared memory failed where a plain read works: the server cannot reach
    // our memory (another host or namespace). Stay with plain reads.
    if (useShm_) useShm_ = false;
    return true;
}

bool X11ScreenReader::readBlockShared(xcb_drawable_t drawable, const Rect& source, ImageView frame, Point offset) {
    const std::size_t bytes = static_cast<std::size_t>(source.width()) * source.height() * 4;
    if (!shm_ || shm_->size() < bytes) {
        shm_.reset();
        // Room for the whole frame at once, so that a moving window does not
        // make a new segment for every size.
        auto segment = std::make_unique<ShmSegment>(
            xcb_.get(), std::max(bytes, static_cast<std::size_t>(frame.width) * frame.height * 4));
        if (!segment->ok()) {
            error_ = segment->error();
            useShm_ = false;
            return false;
        }
        shm_ = std::move(segment);
    }
    xcb_generic_error_t* rawError = nullptr;
    XcbReply<xcb_shm_get_image_reply_t> image(xcb_shm_get_image_reply(
        xcb_.get(),
        xcb_shm_get_image(xcb_.get(), drawable, static_cast<std::int16_t>(source.left),
                          static_cast<std::int16_t>(source.top), static_cast<std::uint16_t>(source.width()),
                          static_cast<std::uint16_t>(source.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, shm_->id(), 0),
        &rawError));
    XcbReply<xcb_generic_error_t> error(rawError);
    if (!image) {
        error_ = xError("MIT-SHM GetImage", error.get());
        return false;
    }
    copyBgrx(shm_->data(), source.width() * 4, source.width(), source.height(), frame, offset.x, offset.y);
    return true;
}

bool X11ScreenReader::readBlockPlain(xcb_drawable_t drawable, const Rect& source, ImageView frame, Point offset) {
    xcb_generic_error_t* rawError = nullptr;
    XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        xcb_.get(),
        xcb_get_image(xcb_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<std::int16_t>(source.left),
                      static_cast<std::int16_t>(source.top), static_cast<std::uint16_t>(source.width()),
                      static_cast<std::uint16_t>(source.height()), ~0u),
        &rawError));
    XcbReply<xcb_generic_error_t> error(rawError);
    if (!image) {
        error_ = xError("GetImage", error.get());
        return false;
    }
    const int length = xcb_get_image_data_length(image.get());
    const int stride = length / source.height();
    if (stride < source.width() * 4) {
        error_ = "GetImage gave " + std::to_string(length) + " bytes, too few";
        return false;
    }
    copyBgrx(xcb_get_image_data(image.get()), stride, source.width(), source.height(), frame, offset.x, offset.y);
    return true;
}

void X11ScreenReader::drawCursor(const Rect& requested, ImageView frame) {
    if (!hasXFixes_) return;
    auto cursor = xcb_.reply(xcb_xfixes_get_cursor_image_reply, xcb_xfixes_get_cursor_image(xcb_.get()));
    if (!cursor) return;
    const int x = cursor->x - cursor->xhot - requested.left;
    const int y = cursor->y - cursor->yhot - requested.top;
    blendPremultipliedArgb(xcb_xfixes_get_cursor_image_cursor_image(cursor.get()), cursor->width, cursor->height,
                           frame, x, y);
}

}  // namespace platform
