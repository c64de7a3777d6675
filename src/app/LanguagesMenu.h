#pragma once

#include "app/OwnedWindow.h"
#include "core/LanguageList.h"

#include <QObject>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class TDownloadForm;

// The languages submenu of the tray menu, built from the languages of each catalogue reply, and
// the packs behind it: a language the server offers in a newer pack is downloaded and installed
// before it is applied.
class TLanguagesMenu : public QObject {
    Q_OBJECT
public:
    // `currentLanguage` tells the language the settings hold; `downloadForm` is the pack download
    // window, made when a pack is fetched and let go afterwards.
    TLanguagesMenu(QMenu* root, std::function<int()> currentLanguage,
                   TOwnedWindow<TDownloadForm>& downloadForm, QObject* parent);

    // The languages of a catalogue reply; the menu is built from them.
    void SetLanguageList(std::unique_ptr<TLanguageList> languages);
    void BuildLanguagesMenu();
    // Installs or updates the language's pack when the server offers a newer one, then has the
    // language applied.
    void CheckLanguagePack(int language);

Q_SIGNALS:
    // The user chose a language in the menu.
    void LanguageChosen(int language);
    // The language's pack is as current as it gets: its texts and skins can be applied.
    void LanguageReady(int language);

private:
    void LanguagesClick(QAction* Sender);
    // Runs the pack download window for the language; true when its pack was installed.
    bool DownloadLanguagePack(int language);

    QMenu* LanguagesRoot;
    std::function<int()> m_currentLanguage;
    TOwnedWindow<TDownloadForm>& m_downloadForm;
    std::unique_ptr<TLanguageList> m_languageList;
};
