#pragma once

#include <QByteArrayView>
#include <QString>

// Record text, language files and server replies are bytes. Servers and pack authors write them
// either in UTF-8 or in the single-byte Windows-1252 code page; this is the one place where such
// bytes become text on the screen. Valid UTF-8 is read as UTF-8, anything else as Windows-1252.
QString DisplayText(QByteArrayView bytes);
// The same text written at `out`, which has room for bytes.size() characters (never more are
// needed); returns the end of what was written. For callers that gather many texts in one block.
QChar* AppendDisplayText(QChar* out, QByteArrayView bytes);

// Whether the bytes are well-formed UTF-8 (overlong forms and surrogates are not).
bool IsUtf8(QByteArrayView bytes);
