#include "core/picture/PictureExtension.h"

#include <array>

namespace {

const std::array<QByteArray, 5> KnownExtensions = {".jpg", ".jpeg", ".gif", ".bmp", ".png"};

// Only A to Z are folded, whatever the bytes of the address mean.
QByteArray AsciiLower(const QByteArray& text) {
    QByteArray lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// The text from the last "." on, unless a "\" or ":" comes after it. A "/" does not end the
// search, so an address without a file extension yields what follows the host's last ".".
QByteArray OwnExtension(const QByteArray& url) {
    for (qsizetype i = url.size() - 1; i >= 0; --i) {
        const char c = url.at(i);
        if (c == '.')
            return url.mid(i);
        if (c == '\\' || c == ':')
            return {};
    }
    return {};
}

} // namespace

QByteArray PictureExtension(const QByteArray& url) {
    const QByteArray own = AsciiLower(OwnExtension(url));
    for (const QByteArray& known : KnownExtensions) {
        if (own == known)
            return known;
    }
    const QByteArray lowerUrl = AsciiLower(url);
    QByteArray found = ".jpg";
    for (const QByteArray& known : KnownExtensions) {
        if (lowerUrl.contains(known))
            found = known;
    }
    return found;
}
