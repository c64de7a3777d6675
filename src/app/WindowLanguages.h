#pragma once

#include "core/RecordText.h"

#include <optional>

class TAttentionForm;
class TCamForm;
class TDownloadForm;
class TMForm;

// Skins and texts of the cam dialog and the messages window. Their controls are found by their
// names, so a control a window does not have simply takes no text or picture.
void LoadCamFormSkin(TCamForm& window, int language);
void LoadCamFormTexts(TCamForm& window, const RecordText::Lines& lines);
void LoadMFormSkin(TMForm& window, int language);
void LoadMFormTexts(TMForm& window, const RecordText::Lines& lines);

// The texts of a language's file; none when it has no file or the file cannot be read.
std::optional<RecordText::Lines> ReadLanguageTexts(int language);

// A language's skin for a secondary window and, when its file was read, its texts.
void ApplyWindowLanguage(TAttentionForm& window, int language, const std::optional<RecordText::Lines>& lines);
void ApplyWindowLanguage(TDownloadForm& window, int language, const std::optional<RecordText::Lines>& lines);
void ApplyWindowLanguage(TCamForm& window, int language, const std::optional<RecordText::Lines>& lines);
void ApplyWindowLanguage(TMForm& window, int language, const std::optional<RecordText::Lines>& lines);
