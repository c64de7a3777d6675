#pragma once

#include "app/ControlRules.h"
#include "core/RecordText.h"

#include <QObject>
#include <QTimer>

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray icon with its popup menu `Popper`, through which the user meets the running program.
// The menu's check marks follow the program's state, which the owner sets; the entries only report
// that they were chosen.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // The menu is a child of `window`, so that the window's object tree holds every entry.
    explicit TTrayIcon(QWidget* window);

    // Shows the icon; when no tray host runs yet, waits TrayWaitMilliseconds for one.
    void AddTrayIcon(const QIcon& icon);
    // Brings the icon back if the panel lost it.
    void ModifyTrayIcon();
    void RemoveTrayIcon();

    void SetActive(bool checked);
    void SetShowMessages(bool checked);
    void SetRunOnStartup(bool checked);
    void ApplyControlStates(const TControlStates& states);
    void LoadMenuTexts(const RecordText::Lines& lines);
    // Asks for the configuration window as "Configure..." does, unless that entry is disabled
    // (the window is open, or the start is not done).
    void ConfigureIfEnabled();
    // The languages submenu, which the languages' owner fills.
    QMenu* LanguagesRoot() const { return m_languagesRoot; }

    // How long a start waits for a tray host before it opens the configuration window instead.
    int TrayWaitMilliseconds = 30000;

Q_SIGNALS:
    // "Configure...", or a left click on the icon while that entry is enabled.
    void Configure1Click();
    void Active1Click();
    void Showmessages1Click();
    void Runonstartup1Click();
    void Shutdownandkeepwallpaper1Click();
    void Shutdown1Click();
    // No tray host came within the wait: the program must be reachable otherwise.
    void NoTrayHost();

private:
    void WaitForTrayHost();

    QMenu* Popper = nullptr;
    QAction* Configure1 = nullptr;
    QMenu* m_languagesRoot = nullptr;
    QAction* Active1 = nullptr;
    QAction* Showmessages1 = nullptr;
    QAction* Runonstartup1 = nullptr;
    QAction* Shutdownandkeepwallpaper1 = nullptr;
    QAction* Shutdown1 = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QTimer m_trayWait;
    int m_trayWaited = 0;
};
