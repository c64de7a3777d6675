#include "app/WindowLanguages.h"

#include "catalogue/UCamForm.h"
#include "core/LanguageFile.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"
#include "widgets/TextTargets.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcLanguage, "lumora.language")

QString SkinOf(int language, const QString& folder) {
    return Skins::SkinDirectory(LanguageHome(language), folder);
}

void LoadNamedBackground(QWidget& window, const QString& skin, bool sizeToPicture) {
    if (auto* image = TextTargets::Named<QLabel>(&window, "MainImage"))
        Skins::LoadBackground(image, skin + QStringLiteral("background.bmp"), sizeToPicture);
}

TImgBtn* Button(QWidget& window, const char* name) {
    return TextTargets::Named<TImgBtn>(&window, name);
}

} // namespace

void LoadCamFormSkin(TCamForm& window, int language) {
    const QString skin = SkinOf(language, QStringLiteral("camform"));
    LoadNamedBackground(window, skin, true);
    Skins::LoadButtons(skin, {{"ok", Button(window, "OKBut")},
                              {"cancel", Button(window, "CancelBut")},
                              {"suggest", Button(window, "SuggestBut")},
                              {"help", Button(window, "HelpBut")}});
}

void LoadCamFormTexts(TCamForm& window, const RecordText::Lines& lines) {
    using namespace TextTargets;
    TTextTable()
        .Add("new_caption", Field(window.NewCaptionText))
        .Add("edit_caption", Field(window.EditCaptionText))
        .Add("title", CaptionOf(&window, "TitleLabel"))
        .Add("title_hint", HintOf(&window, "TitleEdit"))
        .Add("source", CaptionOf(&window, "URLLabel"))
        .Add("source_hint", HintOf(&window, "URLEdit"))
        .Add("description", CaptionOf(&window, "DescriptionLabel"))
        .Add("description_hint", HintOf(&window, "DescriptionEdit"))
        .Add("webpage", CaptionOf(&window, "WebpageLabel"))
        .Add("webpage_hint", HintOf(&window, "WebpageEdit"))
        .Add("country", CaptionOf(&window, "CountryLabel"))
        .Add("country_hint", HintOf(&window, "CountryEdit"))
        .Add("defaultrefresh", CaptionOf(&window, "RefreshLabel"))
        .Add("defaultrefresh_hint", HintOf(&window, "RefreshEdit"))
        .Add("help_hint", HintOf(&window, "HelpBut"))
        .Add("cancel_hint", HintOf(&window, "CancelBut"))
        .Add("ok_hint", HintOf(&window, "OKBut"))
        .Add("suggest_hint", HintOf(&window, "SuggestBut"))
        .LoadTexts(lines, "camform");
}

void LoadMFormSkin(TMForm& window, int language) {
    // The background is the window's bottom strip; the window lays itself out around its browser.
    const QString skin = SkinOf(language, QStringLiteral("mform"));
    LoadNamedBackground(window, skin, false);
    Skins::LoadButtons(skin, {{"ok", Button(window, "OKBut")}, {"help", Button(window, "HelpBut")}});
}

void LoadMFormTexts(TMForm& window, const RecordText::Lines& lines) {
    using namespace TextTargets;
    TTextTable()
        .Add("caption", WindowCaption(&window))
        .Add("noshow_message", CaptionOf(&window, "noshow_message"))
        .Add("noshowall_message", CaptionOf(&window, "noshowall_message"))
        .Add("ok_hint", HintOf(&window, "OKBut"))
        .Add("help_hint", HintOf(&window, "HelpBut"))
        .LoadTexts(lines, "mform");
}

std::optional<RecordText::Lines> ReadLanguageTexts(int language) {
    const QString path = LanguageFile::FindLanguageFile(LanguageDirectory(DataDirectory(), language),
                                                        LanguageDirectory(ProgramDirectory(), language));
    if (path.isEmpty())
        return std::nullopt;
    std::optional<RecordText::Lines> lines = LanguageFile::ReadLines(path);
    if (!lines)
        qCWarning(lcLanguage, "language file %s cannot be read", qPrintable(path));
    return lines;
}

void ApplyWindowLanguage(TAttentionForm& window, int language,
                         const std::optional<RecordText::Lines>& lines) {
    window.LoadSkin(language);
    if (lines)
        window.LoadTexts(*lines);
}

void ApplyWindowLanguage(TDownloadForm& window, int language, const std::optional<RecordText::Lines>& lines) {
    window.LoadSkin(language);
    if (lines)
        window.LoadTexts(*lines);
}

void ApplyWindowLanguage(TCamForm& window, int language, const std::optional<RecordText::Lines>& lines) {
    LoadCamFormSkin(window, language);
    if (lines)
        LoadCamFormTexts(window, *lines);
}

void ApplyWindowLanguage(TMForm& window, int language, const std::optional<RecordText::Lines>& lines) {
    LoadMFormSkin(window, language);
    if (lines)
        LoadMFormTexts(window, *lines);
}
