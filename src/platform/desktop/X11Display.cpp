#include "platform/desktop/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>

TX11Display::TX11Display()
    : m_display(XOpenDisplay(nullptr)) {}

TX11Display::~TX11Display() {
    if (m_display)
        XCloseDisplay(m_display);
}

unsigned long TX11Display::Root() const {
    return DefaultRootWindow(m_display);
}
int TX11Display::ScreenWidth() const {
    return DisplayWidth(m_display, DefaultScreen(m_display));
}
int TX11Display::ScreenHeight() const {
    return DisplayHeight(m_display, DefaultScreen(m_display));
}
int TX11Display::Depth() const {
    return DefaultDepth(m_display, DefaultScreen(m_display));
}

QList<QRect> TX11Display::Monitors() const {
    const QRect screen(0, 0, ScreenWidth(), ScreenHeight());
    QList<QRect> monitors;
    int count = 0;
    if (XineramaScreenInfo* heads =
            XineramaIsActive(m_display) ? XineramaQueryScreens(m_display, &count) : nullptr) {
        for (int at = 0; at < count; ++at) {
            const QRect head(heads[at].x_org, heads[at].y_org, heads[at].width, heads[at].height);
            if (!head.isEmpty() && head.intersects(screen) && !monitors.contains(head))
                monitors << head;
        }
        XFree(heads);
    }
    if (monitors.isEmpty())
        monitors << screen;
    return monitors;
}

std::optional<unsigned long> TX11Display::ReadPixmapProperty(const char* name) const {
    const Atom property = XInternAtom(m_display, name, True);
    if (property == None)
        return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::optional<unsigned long> pixmap;
    if (XGetWindowProperty(m_display, Root(), property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                           &remaining, &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data)
        pixmap = *reinterpret_cast<unsigned long*>(data); // format 32 arrives as longs
    if (data)
        XFree(data);
    return pixmap;
}

void TX11Display::WritePixmapProperty(const char* name, unsigned long pixmap) {
    XChangeProperty(m_display, Root(), XInternAtom(m_display, name, False), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pixmap), 1);
}

std::optional<QByteArray> TX11Display::ReadTextProperty(const char* name) const {
    const Atom property = XInternAtom(m_display, name, True);
    if (property == None)
        return std::nullopt;
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::optional<QByteArray> text;
    // 64 KB of text: far more than any path.
    if (XGetWindowProperty(m_display, Root(), property, 0, 16384, False, utf8, &type, &format, &count,
                           &remaining, &data) == Success &&
        type == utf8 && format == 8 && data)
        text = QByteArray(reinterpret_cast<const char*>(data), qsizetype(count));
    if (data)
        XFree(data);
    return text;
}

void TX11Display::WriteTextProperty(const char* name, const QByteArray& text) {
    XChangeProperty(m_display, Root(), XInternAtom(m_display, name, False),
                    XInternAtom(m_display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.constData()), int(text.size()));
}

void TX11Display::DeleteProperty(const char* name) {
    const Atom property = XInternAtom(m_display, name, True);
    if (property != None)
        XDeleteProperty(m_display, Root(), property);
}

void TX11Display::RetainResources() {
    XSetCloseDownMode(m_display, RetainPermanent);
}

namespace {

bool g_failed = false;

// Waits until the server has handled every request so far, unless it has told of the last one
// already (a round trip just made): every error comes before that answer, so there is nothing
// left to wait for, and each round trip costs a turn of the server.
void SyncUnlessAnswered(Display* display) {
    if (LastKnownRequestProcessed(display) != XNextRequest(display) - 1)
        XSync(display, False);
}

int RememberError(Display*, XErrorEvent*) {
    g_failed = true;
    return 0;
}

} // namespace

TX11ErrorTrap::TX11ErrorTrap(const TX11Display& display)
    : m_display(display) {
    SyncUnlessAnswered(m_display.Handle());
    m_outerFailed = g_failed;
    g_failed = false;
    m_previous = reinterpret_cast<void (*)()>(XSetErrorHandler(RememberError));
}

TX11ErrorTrap::~TX11ErrorTrap() {
    SyncUnlessAnswered(m_display.Handle());
    g_failed = m_outerFailed;
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(m_previous));
}

bool TX11ErrorTrap::Failed() {
    SyncUnlessAnswered(m_display.Handle());
    return g_failed;
}
