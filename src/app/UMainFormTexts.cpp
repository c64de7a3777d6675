// Texts and skins of the configuration window and its popup menu, the one operation that makes a
// language visible in every window, and the switch to another language.
#include "app/TrayIcon.h"
#include "app/UMainForm.h"
#include "app/WindowLanguages.h"
#include "catalogue/CamBrowser.h"
#include "catalogue/CountryBox.h"
#include "catalogue/UCamForm.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"
#include "widgets/TextTargets.h"

#include <QCheckBox>
#include <QLineEdit>
#include <type_traits>

void TMainForm::ApplyLanguage(int language) {
    m_appliedLanguages.removeOne(language);
    m_appliedLanguages.append(language);
    const std::optional<RecordText::Lines> lines = ReadLanguageTexts(language);
    LoadSkin(language);
    if (lines) {
        LoadTexts(*lines);
        m_tray->LoadMenuTexts(*lines);
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

void TMainForm::SelectLanguage(int language) {
    // The check marks, the pack and the new texts follow when the reply to this request arrives.
    m_languageNumber = language;
    RequestCatalogue();
    SaveSettings();
}

// The languages applied so far and the current one for its help pages; the cam dialog also gets the
// catalogue's countries and reports a suggestion's answer, the messages window its "show messages"
// choice.
template <class TWindow> void TMainForm::PrepareWindow(TWindow& window) {
    for (const int language : m_appliedLanguages)
        ApplyWindowLanguage(window, language, ReadLanguageTexts(language));
    window.CurrentLanguage = [this] { return m_languageNumber; };
    if constexpr (std::is_same_v<TWindow, TCamForm>) {
        if (m_browser->CamList())
            AddCountries(*m_browser->CamList(), window.CountryEdit);
        connect(&window, &TCamForm::SuggestionAnswered, this, [this](bool stored) {
            TAttentionForm& notice = m_attentionForm.Need();
            if (stored)
                notice.ShowSuggestionDone();
            else
                notice.ShowSuggestionFailed();
        });
    } else if constexpr (std::is_same_v<TWindow, TMForm>) {
        connect(&window, &TMForm::OnShowMessagesChange, this, &TMainForm::SAM);
    }
}
template void TMainForm::PrepareWindow(TAttentionForm&);
template void TMainForm::PrepareWindow(TDownloadForm&);
template void TMainForm::PrepareWindow(TCamForm&);
template void TMainForm::PrepareWindow(TMForm&);

void TMainForm::LoadSkin(int language) {
    // A window never shown has no pictures yet: it takes the language's skin on its first show.
    if (!ControlsMade())
        return;
    const QString skin = Skins::SkinDirectory(LanguageHome(language), QStringLiteral("mainform"));
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
        .Add("mail_message", Field(MailMessageText))
        .Add("mail_subject", Field(MailSubjectText));
    m_browser->AddTexts(texts);
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
            .Add("refresh", Caption(RefreshLabel))
            .Add("refresh_hint", Hint(RefreshEdit))
            .Add("stretch", Caption(StretchLabel))
            .Add("stretch_hint", Hint(StretchCheck));
    }
    texts.LoadTexts(lines, "mainform");
}
