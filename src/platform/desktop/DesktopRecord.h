#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

// A backend's record of the user's desktop (TDesktopSnapshot::Exact): named values in order.
using TDesktopValues = QList<std::pair<QByteArray, QByteArray>>;

// One line of text: "desktop=" and the backend's name, then " name=value" for each value, names
// and values percent-encoded, so that any bytes survive and the settings file stays readable.
QByteArray EncodeDesktopRecord(const QString& backend, const TDesktopValues& values);

// The values of a record made by EncodeDesktopRecord for the same backend; empty for a record of
// another backend or one that is not of that form.
std::optional<TDesktopValues> DecodeDesktopRecord(const QString& backend, const QByteArray& record);
