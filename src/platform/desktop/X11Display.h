#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <optional>

struct _XDisplay;

// One connection to the X server named by DISPLAY, closed when the object ends. Pixmaps made
// for the root window outlive it only when RetainResources was asked for.
class TX11Display {
public:
    TX11Display();
    ~TX11Display();
    TX11Display(const TX11Display&) = delete;
    TX11Display& operator=(const TX11Display&) = delete;

    bool IsOpen() const { return m_display != nullptr; }
    _XDisplay* Handle() const { return m_display; }
    unsigned long Root() const;
    int ScreenWidth() const;
    int ScreenHeight() const;
    int Depth() const;
    // Each monitor's rectangle on the screen, from Xinerama (which a server with several outputs
    // answers from RandR), mirrored monitors once; the whole screen when the server cannot tell.
    QList<QRect> Monitors() const;

    // A root window property holding one pixmap id; empty when missing or of another form.
    std::optional<unsigned long> ReadPixmapProperty(const char* name) const;
    void WritePixmapProperty(const char* name, unsigned long pixmap);
    // A root window property holding UTF-8 text; empty when missing.
    std::optional<QByteArray> ReadTextProperty(const char* name) const;
    void WriteTextProperty(const char* name, const QByteArray& text);
    void DeleteProperty(const char* name);

    // Keeps everything this connection created after it closes (the root background pixmap).
    void RetainResources();

private:
    _XDisplay* m_display = nullptr;
};

// Catches the X errors of the requests made while it exists, instead of Xlib's default handler,
// which ends the program. A trap inside another keeps its errors to itself (the inner code has
// dealt with them). Everything runs on the main thread.
class TX11ErrorTrap {
public:
    explicit TX11ErrorTrap(const TX11Display& display);
    ~TX11ErrorTrap();
    TX11ErrorTrap(const TX11ErrorTrap&) = delete;
    TX11ErrorTrap& operator=(const TX11ErrorTrap&) = delete;

    // Waits for the server to handle every request so far; true when any of them failed.
    bool Failed();

private:
    const TX11Display& m_display;
    bool m_outerFailed = false;
    void (*m_previous)() = nullptr; // Xlib's handler before ours, kept as a plain function pointer
};
