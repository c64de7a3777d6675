// Texts and skins of the configuration window and its popup menu, and the one operation that
// makes a language visible in every window.
#include "app/UMainForm.h"
#include "app/WindowLanguages.h"
#include "catalogue/CountryBox.h"
#include "catalogue/UCamForm.h"
#include "core/LogCategories.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"
#include "widgets/TextTargets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

// The window's right-aligned labels keep their right edge and grow to the left when a language's
// words are longer than the designed ones.
TTextTable::Setter RightAlignedCaption(QLabel* label) {
    return [label](const QByteArray& text) {
        label->setText(DisplayText(text));
        const int needed = label->sizeHint().width();
        if (needed > label->width())
            label->setGeometry(label->geometry().adjusted(label->width() - needed, 0, 0, 0));
    };
}

} // namespace

void TMainForm::ApplyLanguage(int language) {
    m_appliedLanguages.removeOne(language);
    m_appliedLanguages.append(language);
    const std::optional<RecordText::Lines> lines = ReadLanguageTexts(language);
    LoadSkin(language);
    if (lines) {
        LoadTexts(*lines);
        LoadMenuTexts(*lines);
    }
    // The windows not made yet take the language when they are made.
    if (TAttentionForm* window = m_attentionForm.Made())
        ApplyWindowLanguage(*window, language, lines);
    if (TDownloadForm* window = m_downloadForm.Made())
        ApplyWindowLanguage(*window, language, lines);
    if (TCamForm* window = m_camForm.Made())
        ApplyWindowLanguage(*window, language, lines);
    if (TMForm* window = m_mForm.Made())
        ApplyWindowLanguage(*window, language, lines);
}

template <class TWindow> void TMainForm::ApplyAppliedLanguage(TWindow& window) {
    for (const int language : m_appliedLanguages)
        ApplyWindowLanguage(window, language, ReadLanguageTexts(language));
    window.CurrentLanguage = [this] { return LanguageNumber; };
}

void TMainForm::PrepareWindow(TAttentionForm& window) {
    ApplyAppliedLanguage(window);
}

void TMainForm::PrepareWindow(TDownloadForm& window) {
    ApplyAppliedLanguage(window);
}

void TMainForm::PrepareWindow(TCamForm& window) {
    ApplyAppliedLanguage(window);
    if (CamList)
        AddCountries(*CamList, window.CountryEdit);
    connect(&window, &TCamForm::SuggestionAnswered, this, [this](bool stored) {
        TAttentionForm& notice = m_attentionForm.Need();
        if (stored)
            notice.ShowSuggestionDone();
        else
            notice.ShowSuggestionFailed();
    });
}

void TMainForm::PrepareWindow(TMForm& window) {
    ApplyAppliedLanguage(window);
    connect(&window, &TMForm::OnShowMessagesChange, this, &TMainForm::SAM);
}

void TMainForm::LoadSkin(int language) {
    // A window never shown has no pictures yet: it takes the language's skin on its first show.
    if (!ControlsMade())
        return;
    const QString skin =
        Skins::SkinDirectory(LanguageDirectory(DataDirectory(), language), QStringLiteral("mainform"));
    // The background fills the client area, drawn unscaled from the top left corner.
    Skins::LoadBackground(MainImage, skin + QStringLiteral("background.bmp"), false);
    Skins::LoadButtons(skin, SkinnedButtons());
}

void TMainForm::LoadAppliedTexts() {
    for (const int language : m_appliedLanguages)
        if (const std::optional<RecordText::Lines> lines = ReadLanguageTexts(language))
            LoadTexts(*lines);
}

void TMainForm::LoadTexts(const RecordText::Lines& lines) {
    using namespace TextTargets;
    TTextTable texts;
    texts.Add("korvex_url", Field(KorvexUrl))
        .Add("allcountries", Field(AllCountriesText))
        .Add("mail_message", Field(MailMessageText))
        .Add("mail_subject", Field(MailSubjectText));
    // A window never shown takes its captions and hints when its controls are made.
    if (ControlsMade()) {
        texts.Add("help_hint", Hint(HelpBut))
            .Add("shutdown_hint", Hint(ShutdownBut))
            .Add("camhomepage_hint", Hint(CamPageBut))
            .Add("tellafriend_hint", Hint(TellBut))
            .Add("restore_hint", Hint(RestoreBut))
            .Add("cancel_hint", Hint(CancelBut))
            .Add("apply_hint", Hint(Applybut))
            .Add("ok_hint", Hint(OKBut))
            .Add("korvex_hint", Hint(KorvexBut))
            .Add("country", RightAlignedCaption(CountryLabel))
            .Add("country_hint", Hint(CountryBox))
            .Add("refresh", RightAlignedCaption(RefreshLabel))
            .Add("refresh_hint", Hint(RefreshEdit))
            .Add("stretch", RightAlignedCaption(StretchLabel))
            .Add("stretch_hint", Hint(StretchCheck))
            .Add("image_hint", Hint(PreviewImage))
            .Add("plus_hint", Hint(PlusBut))
            .Add("minus_hint", Hint(MinusBut))
            .Add("edit_hint", Hint(EditBut));
    }
    texts.LoadTexts(lines, "mainform");
}

void TMainForm::LoadMenuTexts(const RecordText::Lines& lines) {
    using namespace TextTargets;
    QAction* languages = LanguagesRoot->menuAction();
    TTextTable()
        .Add("configure", ActionCaption(Configure1))
        .Add("configure_hint", ActionHint(Configure1))
        .Add("languages", ActionCaption(languages))
        .Add("languages_hint", ActionHint(languages))
        .Add("active", ActionCaption(Active1))
        .Add("active_hint", ActionHint(Active1))
        .Add("show_messages", ActionCaption(Showmessages1))
        .Add("show_messages_hint", ActionHint(Showmessages1))
        .Add("runonstartup", ActionCaption(Runonstartup1))
        .Add("runonstartup_hint", ActionHint(Runonstartup1))
        .Add("shutdownandkw", ActionCaption(Shutdownandkeepwallpaper1))
        .Add("shutdownandkw_hint", ActionHint(Shutdownandkeepwallpaper1))
        .Add("shutdown", ActionCaption(Shutdown1))
        .Add("shutdown_hint", ActionHint(Shutdown1))
        .LoadTexts(lines, "mainmenu");
}
