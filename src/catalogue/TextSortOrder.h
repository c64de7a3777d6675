#pragma once

#include <QStringView>
#include <span>
#include <vector>

class QCollator;

// The order of `texts` in the collation order of `collator`, equal texts in their given order:
// positions into `texts`, first to last.
std::vector<size_t> SortedOrder(std::span<const QStringView> texts, const QCollator& collator);
