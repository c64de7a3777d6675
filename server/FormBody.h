#pragma once

#include <QByteArray>
#include <QList>
#include <optional>
#include <utility>

// Lumora's request bodies: pairs (a key, "=", a value) joined by "&", nothing percent-encoded.
// Nothing is decoded here, so every value keeps the bytes Lumora sent.
namespace FormBody {

using Pair = std::pair<QByteArray, QByteArray>;

// Every piece between "&"s, split at its first "=" (a piece without "=" has an empty key).
QList<Pair> Pairs(const QByteArray& body);

// The value of the first pair with this key.
std::optional<QByteArray> Value(const QByteArray& body, const QByteArray& key);

// Values of a body whose keys come in a fixed order, as Lumora sends them: each value runs up to the
// next "&key=" of the sequence, so "&" and "=" typed inside a value stay part of it. None when the
// body does not start with the first key or lacks one of the others.
std::optional<QList<QByteArray>> OrderedValues(const QByteArray& body, const QList<QByteArray>& keys);

// A decimal integer value, or the fallback when the key is missing or its value is no number.
qint64 IntegerValue(const QByteArray& body, const QByteArray& key, qint64 fallback);

} // namespace FormBody
