#pragma once

#include "catalogue/UCams.h"

class QComboBox;
class QTreeWidget;

// Appends the countries of the cams that the box does not hold yet, ignoring letter case.
void AddCountries(const TCamList& list, QComboBox* box);

// The cam of the first node that carries one, in display order: the first cam of the first category.
TWebCamPtr FirstCamInTree(const QTreeWidget* tree);
