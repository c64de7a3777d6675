#include "E2EHarness.h"

#include <QElapsedTimer>
#include <QTest>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace E2E {

QByteArray Describe(const Rgb& c) {
    return QStringLiteral("root shows rgb(%1,%2,%3)").arg(c.Red).arg(c.Green).arg(c.Blue).toLatin1();
}

bool Near(const Rgb& a, const Rgb& b) {
    return std::abs(a.Red - b.Red) < 12 && std::abs(a.Green - b.Green) < 12 && std::abs(a.Blue - b.Blue) < 12;
}

TPicture Filled(int width, int height, Rgb c) {
    TPicture picture = MakePicture(width, height);
    for (qsizetype i = 0; i < picture.Pixels.size(); i += 3) {
        picture.Pixels[i] = char(c.Blue);
        picture.Pixels[i + 1] = char(c.Green);
        picture.Pixels[i + 2] = char(c.Red);
    }
    return picture;
}

namespace {

// Calls `read` with an image of what the screen shows, the whole of it or one point (the centre for
// x = -1), or returns `fallback` when there is none.
template <typename Read, typename Result>
Result WithRootImage(bool wholeScreen, int x, int y, Result fallback, Read read) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return fallback;
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    if (x < 0) {
        x = width / 2;
        y = height / 2;
    }
    const Window root = RootWindow(display, screen);
    XImage* image =
        wholeScreen ? XGetImage(display, root, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap)
                    : XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    Result result = fallback;
    if (image) {
        result = read(image);
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return result;
}

} // namespace

Rgb RootAt(int x, int y) {
    return WithRootImage(false, x, y, Rgb{-1, -1, -1}, [](XImage* image) {
        const unsigned long pixel = XGetPixel(image, 0, 0);
        return Rgb{int((pixel & image->red_mask) >> 16), int((pixel & image->green_mask) >> 8),
                   int(pixel & image->blue_mask)};
    });
}

Rgb RootCentre() {
    return RootAt(-1, -1);
}

quint64 RootChecksum() {
    return WithRootImage(true, 0, 0, quint64(0), [](XImage* image) {
        quint64 sum = 1469598103934665603ull;
        for (int y = 0; y < image->height; y += 2) {
            for (int x = 0; x < image->width; x += 2)
                sum = (sum ^ XGetPixel(image, x, y)) * 1099511628211ull;
        }
        return sum;
    });
}

bool WaitForRoot(const Rgb& expected, int milliseconds) {
    return QTest::qWaitFor([&] { return Near(RootCentre(), expected); }, milliseconds);
}

namespace {

// The attributes of every visible top-level window.
QList<XWindowAttributes> VisibleWindows() {
    QList<XWindowAttributes> found;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return found;
    // A window may be gone between listing and asking (a splash ending): Xlib's default handler
    // would end the test for that, so a failed question just skips the window.
    const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                found << attributes;
        }
        XFree(children);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return found;
}

} // namespace

QList<QPoint> VisibleWindowsOfSize(int width, int height) {
    QList<QPoint> found;
    for (const XWindowAttributes& attributes : VisibleWindows())
        if (attributes.width == width && attributes.height == height)
            found << QPoint(attributes.x, attributes.y);
    return found;
}

qsizetype VisibleWindowCount() {
    return VisibleWindows().size();
}

bool WaitForSplashToEnd(int milliseconds) {
    const auto splashShown = [] { return !VisibleWindowsOfSize(416, 246).isEmpty(); };
    return QTest::qWaitFor(splashShown, milliseconds) &&
           QTest::qWaitFor([&] { return !splashShown(); }, milliseconds);
}

bool CloseMessagesWindow(int milliseconds, bool neverAgain) {
    const auto windows = [] { return VisibleWindowsOfSize(424, 407); };
    if (!QTest::qWaitFor([&] { return !windows().isEmpty(); }, milliseconds))
        return false;
    // The bottom strip starts 363 pixels down: its check box at 46, 14 and OK at 306, 9 (114 x 26).
    const QPoint window = windows().first();
    if (neverAgain && !ClickAt(window + QPoint(46 + 7, 363 + 14 + 7)))
        return false;
    return ClickAt(window + QPoint(306 + 57, 363 + 9 + 13)) &&
           QTest::qWaitFor([&] { return windows().isEmpty(); }, 10000);
}

bool ClickAt(const QPoint& point) {
    return Run(QStringLiteral("xdotool"), {"mousemove", QString::number(point.x()),
                                           QString::number(point.y()), "sleep", "0.2", "click", "1"});
}

std::optional<QPoint> TrayIconCentre() {
    QProcess geometry;
    geometry.start(QStringLiteral("xdotool"),
                   {"search", "--onlyvisible", "--class", "trayer", "getwindowgeometry", "--shell"});
    if (!geometry.waitForFinished(5000))
        return std::nullopt;
    int x = 0, y = 0, width = 0, height = 0;
    for (const QByteArray& line : geometry.readAllStandardOutput().split('\n')) {
        if (line.startsWith("X="))
            x = line.mid(2).toInt();
        else if (line.startsWith("Y="))
            y = line.mid(2).toInt();
        else if (line.startsWith("WIDTH="))
            width = line.mid(6).toInt();
        else if (line.startsWith("HEIGHT="))
            height = line.mid(7).toInt();
    }
    if (width <= 0 || height <= 0)
        return std::nullopt;
    return QPoint(x + width - height / 2, y + height / 2);
}

namespace {

bool HasClass(Display* display, Window window, const char* name) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return false;
    const bool matches = (hint.res_name && qstrcmp(hint.res_name, name) == 0) ||
                         (hint.res_class && qstrcmp(hint.res_class, name) == 0);
    XFree(hint.res_name);
    XFree(hint.res_class);
    return matches;
}

qint64 ProcessOf(Display* display, Window window) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    qint64 pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data && format == 32 && items == 1)
        pid = qint64(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
    return pid;
}

// Counts the windows of the process below `window`, where `inTray` tells whether a tray host's window
// is among its ancestors.
int CountDocked(Display* display, Window window, qint64 pid, bool inTray) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    int docked = 0;
    for (unsigned i = 0; i < count; ++i) {
        const bool below = inTray || HasClass(display, children[i], "trayer");
        if (below && ProcessOf(display, children[i]) == pid)
            ++docked;
        docked += CountDocked(display, children[i], pid, below);
    }
    XFree(children);
    return docked;
}

} // namespace

int WindowsDockedInTray(qint64 pid) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return -1;
    const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const int docked = CountDocked(display, DefaultRootWindow(display), pid, false);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return docked;
}

bool OpenTrayMenu() {
    const std::optional<QPoint> icon = TrayIconCentre();
    if (!icon)
        return false;
    // A click that lands while the program is busy starting up can go unanswered; a user clicks again.
    const qsizetype windowsBefore = VisibleWindowCount();
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!Run(QStringLiteral("xdotool"), {"mousemove", QString::number(icon->x()),
                                             QString::number(icon->y()), "sleep", "0.3", "click", "3"}))
            return false;
        if (QTest::qWaitFor([&] { return VisibleWindowCount() > windowsBefore; }, 3000))
            return true;
    }
    return false;
}

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool TrayHostRuns() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.constData(), False);
    const bool owned = XGetSelectionOwner(display, atom) != None;
    XCloseDisplay(display);
    return owned;
}

bool StartTrayer(QProcess& trayer) {
    trayer.start(QStringLiteral("trayer"),
                 {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120", "--height",
                  "28", "--SetDockType", "true", "--transparent", "false", "--tint", "0x303030"});
    if (!trayer.waitForStarted())
        return false;
    // The tray is there once it owns the screen's notification area selection.
    return QTest::qWaitFor([] { return TrayHostRuns(); }, 10000);
}

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(2000);
}

QProcessEnvironment LumoraEnvironment(const QByteArray& catalogueHost, const QByteArray& connectTo) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LUMORA_DESKTOP"), QStringLiteral("x11"));
    env.insert(QStringLiteral("LUMORA_CATALOGUE_HOST"), QString::fromLatin1(catalogueHost));
    env.insert(QStringLiteral("LUMORA_CONNECT_TO"), QString::fromLatin1(connectTo));
    // The program finds its fetcher where it is installed or built, as for a user.
    env.remove(QStringLiteral("LUMORA_FETCH"));
    return env;
}

} // namespace E2E
