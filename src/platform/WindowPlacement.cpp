#include "platform/WindowPlacement.h"

#include "platform/WindowFit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The window manager tells the frame it puts round a window only once it has framed it, after the window is on
// the screen. Until then a window is placed with room for the frame of the program's windows framed already or,
// before any is, for a frame larger than the desktops draw, so that the title bar is on the screen whichever
// frame it gets; it is placed again with its own frame once it is on the screen.
constexpr QMargins GuessedFrame(10, 40, 10, 10);

// Whether the desktop puts a frame round the window.
bool isFramed(const QWidget *window)
{
    return window->windowType() != Qt::SplashScreen
           && !(window->windowFlags() & (Qt::FramelessWindowHint | Qt::BypassWindowManagerHint));
}

QMargins knownFrame(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

QMargins expectedFrame(const QWidget *window)
{
    if (!isFramed(window))
        return {};
    // A window just framed may tell a part of its frame only (the window manager's handle at its foot comes
    // later): the frames of the windows on the screen count as well.
    QMargins largest = knownFrame(window);
    // Only a window on the screen has its frame for certain: one still being framed may tell a part of it.
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible() || !isFramed(other) || !other->windowHandle()
            || !other->windowHandle()->isExposed())
            continue;
        const QMargins m = knownFrame(other);
        largest = QMargins(std::max(largest.left(), m.left()), std::max(largest.top(), m.top()),
                           std::max(largest.right(), m.right()), std::max(largest.bottom(), m.bottom()));
    }
    return largest.isNull() ? GuessedFrame : largest;
}

// What the window asked of the window manager: whether it asked for a place at all, or leaves it to the window
// manager, and whether that place is its frame's or its own. Qt asks for the frame's place (north-west gravity)
// for a window moved before it was first shown, for its own (static gravity) otherwise; once the frame is known
// it turns the window's own place into the one asked for.
struct TAskedPlace {
    bool Given = true;
    bool Frames = false;
};

TAskedPlace askedPlace(const QWidget *window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return {};
    xcb_connection_t *connection = x11->connection();
    // WM_NORMAL_HINTS as ICCCM lays it out: the flags first, the gravity last.
    constexpr uint32_t UserPosition = 1u << 0, ProgramPosition = 1u << 2, GravityGiven = 1u << 9;
    constexpr int Fields = 18, GravityField = 17;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, xcb_window_t(window->winId()), XCB_ATOM_WM_NORMAL_HINTS,
                         XCB_ATOM_WM_SIZE_HINTS, 0, Fields),
        nullptr);
    TAskedPlace asked;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= int(Fields * sizeof(uint32_t))) {
        const auto *hints = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        asked.Given = hints[0] & (UserPosition | ProgramPosition);
        asked.Frames = knownFrame(window).isNull() && (hints[0] & GravityGiven)
                       && hints[GravityField] == XCB_GRAVITY_NORTH_WEST;
    }
    std::free(reply);
    return asked;
}

// Keeps the window inside the area with the frame it has or is expected to get, at the size it wants as far as
// the area allows; a window that cannot be as small as the area scrolls its content. Answers the size it wants.
// placed: the window is on the screen already, where the window manager put it if it asked for no place.
QSize keepOnScreen(QWidget *window, QSize wanted, bool placed = false)
{
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return wanted;
    const QRect asked = window->geometry();
    QScreen *screen = QGuiApplication::screenAt(asked.center());
    if (!screen)
        screen = window->screen();
    if (!screen)
        return wanted;
    QMargins frame = expectedFrame(window);
    // On a screen scaled by a fraction the frame and the area come rounded to whole pixels of the program's: a
    // pixel more of frame on each side keeps the window inside by what the rounding took.
    if (const qreal ratio = screen->devicePixelRatio(); ratio != std::floor(ratio))
        frame += QMargins(1, 1, 1, 1);
    const QPoint inside(frame.left(), frame.top());
    const TAskedPlace place = placed ? TAskedPlace{} : askedPlace(window);
    const QPoint corner = place.Frames ? asked.topLeft() : asked.topLeft() - inside;
    const QRect area = screen->availableGeometry();
    // Whether it fits is decided with the frame it gets: with one larger, a window that fits would scroll. It is
    // decided again once the window manager has framed it.
    const bool framing = isFramed(window) && knownFrame(window).isNull();
    wanted = FitWindowIntoRoom(window, area.size().shrunkBy(framing ? QMargins() : frame), wanted);
    // As far as the window can shrink: never below its least size, nor below what its controls need.
    const QSize size = wanted.boundedTo(area.size().shrunkBy(frame))
                           .expandedTo(window->minimumSize())
                           .expandedTo(window->minimumSizeHint());
    if (!place.Given) {
        // The window manager places it, inside the area where it fits.
        if (size != asked.size())
            window->resize(size);
        return wanted;
    }
    const QSize outer = size.grownBy(frame);
    const QPoint kept(std::max(area.left(), std::min(corner.x(), area.right() + 1 - outer.width())),
                      std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - outer.height())));
    // A place or size changed now is the window's own place, whatever it asked before.
    if (kept != corner || size != asked.size())
        window->setGeometry(QRect(kept + inside, size));
    return wanted;
}

class TScreenKeeper : public QObject {
public:
    explicit TScreenKeeper(QObject *owner) : QObject(owner)
    {
        for (QScreen *screen : QGuiApplication::screens())
            watchScreen(screen);
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
            watchScreen(screen);
            screensChanged();
        });
        // The windows of a screen unplugged go over to another, which may be smaller.
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TScreenKeeper::screensChanged);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWindowType())
            return false;
        auto *handle = static_cast<QWindow *>(watched);
        switch (event->type()) {
        // A window's own show event comes after its widget's, where dialogs and message boxes take their place,
        // and before the window is on the screen.
        case QEvent::Show:
            if (QWidget *window = placedWindow(handle)) {
                const QSize wanted = keepOnScreen(window, window->size());
                if (handle->frameMargins().isNull() && isFramed(window))
                    unframed_.push_back({handle, wanted});
            }
            break;
        // Once the window is on the screen the window manager has framed it: placed again with its own frame, at
        // the size it wanted before it was shrunk for the frame it was expected to get.
        case QEvent::Expose:
            if (const auto it = std::find_if(unframed_.begin(), unframed_.end(), [handle](const TUnframed &u) {
                    return u.Window == handle;
                });
                it != unframed_.end() && handle->isExposed()) {
                const QSize wanted = it->Wanted;
                unframed_.erase(it);
                if (QWidget *window = placedWindow(handle); window && !handle->frameMargins().isNull())
                    keepOnScreen(window, wanted);
            }
            break;
        case QEvent::Hide:
            unframed_.erase(std::remove_if(unframed_.begin(), unframed_.end(),
                                           [handle](const TUnframed &u) { return u.Window == handle; }),
                            unframed_.end());
            break;
        default:
            break;
        }
        return false;
    }

private:
    void watchScreen(QScreen *screen)
    {
        connect(screen, &QScreen::geometryChanged, this, &TScreenKeeper::screensChanged);
        connect(screen, &QScreen::availableGeometryChanged, this, &TScreenKeeper::screensChanged);
    }

    // A screen made smaller (a mode changed, a panel grown) or unplugged leaves the windows open on it where
    // they were, partly or wholly off it, a modal dialog's buttons out of reach: they are brought inside again as
    // a window opening is placed. Once the changes of one reconfiguration have all come in: a screen's size and
    // its available area change one after the other, and a screen removed moves its windows first.
    void screensChanged()
    {
        if (recheckPending_)
            return;
        recheckPending_ = true;
        QMetaObject::invokeMethod(this, [this] {
            recheckPending_ = false;
            for (QWidget *window : QApplication::topLevelWidgets())
                if (window->isVisible() && window->windowHandle() && placedWindow(window->windowHandle()))
                    keepOnScreen(window, window->size(), true);
        }, Qt::QueuedConnection);
    }

    // The program's window or dialog that the window shows; menus and tips place themselves on the screen.
    static QWidget *placedWindow(QWindow *handle)
    {
        const Qt::WindowType type = handle->type();
        if (!handle->isTopLevel() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop
            || type == Qt::ForeignWindow)
            return nullptr;
        QWidget *window = QWidget::find(handle->winId());
        return window && window->isWindow() ? window : nullptr;
    }

    // The windows shown before the window manager had framed them, with the size each wanted.
    struct TUnframed {
        QPointer<QWindow> Window;
        QSize Wanted;
    };
    std::vector<TUnframed> unframed_;
    bool recheckPending_ = false;
};

}  // namespace

void KeepWindowsOnScreen()
{
    static QPointer<TScreenKeeper> keeper;
    if (!keeper)
        QCoreApplication::instance()->installEventFilter(keeper = new TScreenKeeper(QCoreApplication::instance()));
}
