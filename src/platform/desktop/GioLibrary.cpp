#include "platform/desktop/GioLibrary.h"

#include <QLibrary>

namespace {

std::optional<TGio> Load() {
    // Kept loaded for the rest of the run: GIO's types cannot be unloaded.
    QLibrary library(QStringLiteral("gio-2.0"), 0);
    if (!library.load())
        return std::nullopt;
    TGio gio;
    bool complete = true;
#define LUMORA_GIO_RESOLVE(name)                                                                             \
    gio.name = reinterpret_cast<decltype(gio.name)>(library.resolve(#name));                                 \
    complete = complete && gio.name;
    LUMORA_GIO_FUNCTIONS(LUMORA_GIO_RESOLVE)
#undef LUMORA_GIO_RESOLVE
    if (!complete)
        return std::nullopt;
    return gio;
}

} // namespace

const TGio* Gio() {
    static const std::optional<TGio> gio = Load();
    return gio ? &*gio : nullptr;
}
