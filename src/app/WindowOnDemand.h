#pragma once

#include <functional>
#include <memory>

// The program's secondary windows (cam dialog, notices, pack download, messages) are made when they
// are first needed rather than at start: their controls and pictures cost memory only once the user
// meets them. The program's start sets a maker per window, which also gives the new window the
// running language; without one (a test that makes its own windows) a window exists only when it
// was assigned.
template <class TWindow> struct TWindowMaker {
    static inline std::function<TWindow*()> Make;
    static inline std::function<void()> Release;
};

// The window, made now when it does not exist yet and can be made; null otherwise.
template <class TWindow> TWindow* NeedWindow(TWindow*& window) {
    if (!window && TWindowMaker<TWindow>::Make)
        window = TWindowMaker<TWindow>::Make();
    return window;
}

// Lets go of a window that has done its work and is hidden, with its controls and pictures: the
// next use makes it anew. A shown window, or one made without a maker, stays.
template <class TWindow> void ReleaseWindow(TWindow*& window) {
    if (!window || window->isVisible() || !TWindowMaker<TWindow>::Release)
        return;
    window = nullptr;
    TWindowMaker<TWindow>::Release();
}

// Sets the window's maker: the window is made on its first use, prepared by `preparer` (the main
// window's PrepareWindow) and then kept by `owner` until the end or until it is released.
template <class TWindow, class TPreparer>
void MakeOnDemand(std::unique_ptr<TWindow>& owner, TPreparer& preparer) {
    TWindowMaker<TWindow>::Make = [&owner, &preparer] {
        owner = std::make_unique<TWindow>();
        preparer.PrepareWindow(*owner);
        return owner.get();
    };
    TWindowMaker<TWindow>::Release = [&owner] { owner.reset(); };
}
