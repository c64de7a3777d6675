#include "outreach/TellAFriend.h"

#include "core/DisplayText.h"

QByteArray TellAFriendLink(const QByteArray& subject, const QByteArray& body) {
    return QByteArray("mailto:") + TellAFriendRecipient + "?subject=" + subject + "&body=" + body;
}

QUrl TellAFriendUri(const QByteArray& link) {
    // Mail programs read a mailto URI's escapes as UTF-8, whatever the language file's bytes were.
    const QByteArray utf8 = DisplayText(link).toUtf8();
    QByteArray encoded;
    encoded.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 32 || byte >= 127 || c == '%' || c == '"' || c == '<' || c == '>' || c == '\\' ||
            c == '^' || c == '`' || c == '{' || c == '|' || c == '}') {
            encoded += '%';
            encoded += QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        } else {
            encoded += c;
        }
    }
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}
