#pragma once

#include "core/UCams.h"

#include <Qt>

class QComboBox;

// Appends the countries of the cams that the box does not hold yet, ignoring letter case. Each
// entry keeps the country's bytes, which the filter compares exactly.
void AddCountries(const TCamList& list, QComboBox* box);
// The country of an entry: the bytes it was added with, or its text for entries added otherwise.
QByteArray CountryOfEntry(const QComboBox* box, int index);

constexpr int CountryRole = Qt::UserRole + 1;
