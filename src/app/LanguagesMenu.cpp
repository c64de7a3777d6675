#include "app/LanguagesMenu.h"

#include "core/DisplayText.h"
#include "core/LanguageFile.h"
#include "core/LogCategories.h"
#include "i18n/UDownloadForm.h"
#include "platform/ULMRLib.h"
#include "widgets/GroupedMenu.h"

#include <QMenu>
#include <QScopeGuard>

TLanguagesMenu::TLanguagesMenu(QMenu* root, std::function<int()> currentLanguage,
                               TOwnedWindow<TDownloadForm>& downloadForm, QObject* parent)
    : QObject(parent)
    , LanguagesRoot(root)
    , m_currentLanguage(std::move(currentLanguage))
    , m_downloadForm(downloadForm) {
    setObjectName(QStringLiteral("LanguagesMenu"));
}

void TLanguagesMenu::SetLanguageList(std::unique_ptr<TLanguageList> languages) {
    m_languageList = std::move(languages);
}

void TLanguagesMenu::BuildLanguagesMenu() {
    // clear() deletes the entries the menu owns; submenus of a long list go with their entries.
    LanguagesRoot->clear();
    qDeleteAll(LanguagesRoot->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    if (!m_languageList)
        return;
    QList<QAction*> items;
    items.reserve(m_languageList->Count());
    for (qsizetype i = 0; i < m_languageList->Count(); ++i) {
        const TWebLanguage& language = m_languageList->Items(i);
        auto* item = new QAction(DisplayText(language.name));
        item->setObjectName(QStringLiteral("LItem%1").arg(i));
        item->setCheckable(true);
        item->setChecked(language.refid == m_currentLanguage());
        item->setData(language.refid);
        connect(item, &QAction::triggered, this, [this, item] { LanguagesClick(item); });
        items << item;
    }
    AddActionsGrouped(LanguagesRoot, items);
}

void TLanguagesMenu::LanguagesClick(QAction* Sender) {
    Q_EMIT LanguageChosen(Sender->data().toInt());
}

void TLanguagesMenu::CheckLanguagePack(int language) {
    const QString directory = LanguageDirectory(DataDirectory(), language);
    ForceDirectories(directory);
    // A language the reply does not offer has no pack to compare or fetch: what is installed is used.
    const TWebLanguage* offered = m_languageList ? m_languageList->Find(language) : nullptr;
    if (LanguageFile::PackDownloadNeeded(directory, offered, LanguageDirectory(ProgramDirectory(), language)))
        DownloadLanguagePack(language);
    Q_EMIT LanguageReady(language);
}

bool TLanguagesMenu::DownloadLanguagePack(int language) {
    const TWebLanguage* offered = m_languageList ? m_languageList->Find(language) : nullptr;
    if (!offered)
        return false;
    // A pack is fetched once per language: the window and its pictures need not stay for the run.
    const auto release = qScopeGuard([this] { m_downloadForm.Release(); });
    const TResult<bool> installed =
        m_downloadForm.Need().DownloadPack(*offered, LanguageDirectory(DataDirectory(), language));
    if (!installed.Ok()) {
        // The pack was whole, but its files could not be written (a full disk, say). The rest of
        // the reply still has to fill the window, and the next reply tries again.
        qCWarning(lcLanguage, "language pack %d not installed: %s", language, qPrintable(installed.Error()));
        return false;
    }
    return *installed;
}
