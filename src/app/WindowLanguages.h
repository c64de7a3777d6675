#pragma once

#include "catalogue/RecordText.h"

class TCamForm;
class TMForm;

// Skins and texts of the cam dialog and the messages window. Their controls are found by their
// names, so a control a window does not have simply takes no text or picture.
void LoadCamFormSkin(TCamForm& window, int language);
void LoadCamFormTexts(TCamForm& window, const RecordText::Lines& lines);
void LoadMFormSkin(TMForm& window, int language);
void LoadMFormTexts(TMForm& window, const RecordText::Lines& lines);
