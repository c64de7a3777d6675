#pragma once

#include <functional>
#include <memory>

// The program's secondary windows (cam dialog, notices, pack download, messages) are made when they
// are first needed rather than at start: their controls and pictures cost memory only once the user
// meets them. The program's start sets a maker per window, which also gives the new window the
// running language; without one (a test that makes its own windows) a window exists only when it
// was assigned.
template <class TWindow> struct TWindowMaker { static inline std::function<TWindow*()> Make; };

// The window, made now when it does not exist yet and can be made; null otherwise.
template <class TWindow> TWindow* NeedWindow(TWindow*& window) {
    if (!window && TWindowMaker<TWindow>::Make)
        window = TWindowMaker<TWindow>::Make();
    return window;
}

// Sets the window's maker: the window is made on its first use, prepared by `preparer` (the main
// window's PrepareWindow) and then kept by `owner` until the end.
template <class TWindow, class TPreparer>
void MakeOnDemand(std::unique_ptr<TWindow>& owner, TPreparer& preparer) {
    TWindowMaker<TWindow>::Make = [&owner, &preparer] {
        owner = std::make_unique<TWindow>();
        preparer.PrepareWindow(*owner);
        return owner.get();
    };
}
