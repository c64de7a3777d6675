#include "platform/ShellOpen.h"

#include <QDesktopServices>

namespace {

std::function<bool(const QUrl&)>& Handler() {
    static std::function<bool(const QUrl&)> handler;
    return handler;
}

} // namespace

bool ShellOpen(const QUrl& url) {
    if (Handler())
        return Handler()(url);
    return QDesktopServices::openUrl(url);
}

void SetShellOpenHandler(std::function<bool(const QUrl&)> handler) {
    Handler() = std::move(handler);
}
