// The languages submenu, built from the languages of each catalogue reply.
#include "app/UMainForm.h"
#include "core/DisplayText.h"
#include "core/LanguageFile.h"
#include "core/LogCategories.h"
#include "core/pack/ZLIBArchive.h"
#include "i18n/UDownloadForm.h"
#include "platform/ULMRLib.h"
#include "widgets/GroupedMenu.h"

#include <QScopeGuard>

void TMainForm::BuildLanguagesMenu() {
    // clear() deletes the entries the menu owns; submenus of a long list go with their entries.
    LanguagesRoot->clear();
    qDeleteAll(LanguagesRoot->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    if (!LanguageList)
        return;
    QList<QAction*> items;
    items.reserve(LanguageList->Count());
    for (qsizetype i = 0; i < LanguageList->Count(); ++i) {
        const TWebLanguage& language = LanguageList->Items(i);
        auto* item = new QAction(DisplayText(language.name));
        item->setObjectName(QStringLiteral("LItem%1").arg(i));
        item->setCheckable(true);
        item->setChecked(language.refid == LanguageNumber);
        item->setData(language.refid);
        connect(item, &QAction::triggered, this, [this, item] { LanguagesClick(item); });
        items << item;
    }
    AddActionsGrouped(LanguagesRoot, items);
}

void TMainForm::LanguagesClick(QAction* Sender) {
    SelectLanguage(Sender->data().toInt());
}

void TMainForm::SelectLanguage(int language) {
    // The check marks, the pack and the new texts follow when the reply to this request arrives.
    LanguageNumber = language;
    RequestCatalogue();
    SaveSettings();
}

void TMainForm::CheckLanguagePack(int language) {
    const QString directory = LanguageDirectory(DataDirectory(), language);
    ForceDirectories(directory);
    // A language the reply does not offer has no pack to compare or fetch: what is installed is used.
    const TWebLanguage* offered = LanguageList ? LanguageList->Find(language) : nullptr;
    if (LanguageFile::PackDownloadNeeded(directory, offered)) {
        try {
            DownloadLanguagePack(language);
        } catch (const EZLBArchiveError& error) {
            // The pack was whole, but its files could not be written (a full disk, say). The rest of
            // the reply still has to fill the window, and the next reply tries again.
            qCWarning(lcLanguage, "language pack %d not installed: %s", language,
                      qPrintable(error.Message()));
        }
    }
    ApplyLanguage(language);
}

bool TMainForm::DownloadLanguagePack(int language) {
    const TWebLanguage* offered = LanguageList ? LanguageList->Find(language) : nullptr;
    if (!offered)
        return false;
    // A pack is fetched once per language: the window and its pictures need not stay for the run.
    const auto release = qScopeGuard([this] { m_downloadForm.Release(); });
    return m_downloadForm.Need().DownloadPack(*offered, LanguageDirectory(DataDirectory(), language));
}
