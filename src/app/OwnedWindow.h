#pragma once

#include <QWidget>
#include <functional>
#include <memory>

// A secondary window (cam dialog, notices, pack download, messages), made when it is first needed
// rather than at start: its controls and pictures cost memory only once the user meets it. The
// owner's preparer gives a new window what the windows made before it got: the languages applied
// so far and whatever it reports back to the owner.
template <class TWindow> class TOwnedWindow {
public:
    explicit TOwnedWindow(std::function<void(TWindow&)> prepare)
        : m_prepare(std::move(prepare)) {}

    // The window, made and prepared now when it does not exist yet.
    TWindow& Need() {
        if (!m_window) {
            auto* window = new TWindow();
            m_window.reset(window);
            m_prepare(*window);
        }
        return *Made();
    }

    // The window when it exists; null otherwise.
    TWindow* Made() const { return static_cast<TWindow*>(m_window.get()); }

    // Lets go of a window that has done its work and is hidden, with its controls and pictures: the
    // next use makes it anew. A shown window stays.
    void Release() {
        if (m_window && !m_window->isVisible())
            m_window.reset();
    }

private:
    std::function<void(TWindow&)> m_prepare;
    // Held by its base class, so that a holder need not know the window's class.
    std::unique_ptr<QWidget> m_window;
};
