#pragma once

#include "app/CamStatus.h"
#include "app/ControlRules.h"
#include "core/RecordText.h"

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <optional>

class QAction;
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

    // The check mark of "Active", and the icon and tooltip of a paused cam.
    void SetActive(bool checked);
    // What the icon and its tooltip tell: the active cam, each picture that became the wallpaper and
    // each refresh that brought none. A cam that starts failing, and one that is back, is also
    // told in a desktop notification.
    void ShowCam(const QString& name, const QByteArray& url);
    void PictureInstalled();
    void PictureFailed();
    const TCamStatus& Status() const { return m_status; }
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
    void ShowStatus(TCamStatus::TNews news = TCamStatus::TNews::None);

    QMenu* Popper = nullptr;
    QAction* Configure1 = nullptr;
    QMenu* m_languagesRoot = nullptr;
    QAction* Active1 = nullptr;
    QAction* Showmessages1 = nullptr;
    QAction* Runonstartup1 = nullptr;
    QAction* Shutdownandkeepwallpaper1 = nullptr;
    QAction* Shutdown1 = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QIcon m_icon;
    TCamStatus m_status;
    std::optional<TCamStatus::TState> m_shownState;
    QTimer m_trayWait;
    int m_trayWaited = 0;
};
