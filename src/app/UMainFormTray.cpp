// The tray icon, its popup menu, and starting with the session.
#include "app/UMainForm.h"
#include "platform/Autostart.h"
#include "platform/ULMRLib.h"

#include <QApplication>
#include <QSystemTrayIcon>

void TMainForm::CreateMenu() {
    Configure1 = Popper.addAction(QStringLiteral("Configure..."));
    Configure1->setToolTip(QStringLiteral("Open configuration dialo"));
    LanguagesRoot = Popper.addMenu(QStringLiteral("Languages"));
    LanguagesRoot->menuAction()->setToolTip(QStringLiteral("Switch to language"));
    Popper.addSeparator();
    Active1 = Popper.addAction(QStringLiteral("Active"));
    Active1->setToolTip(QStringLiteral("lets Lumora refresh the desktop wallpaper"));
    Showmessages1 = Popper.addAction(QStringLiteral("Show messages"));
    Runonstartup1 = Popper.addAction(QStringLiteral("Run on startup"));
    Runonstartup1->setToolTip(QStringLiteral("Run Lumora on every system startup"));
    for (QAction* checkable : {Active1, Showmessages1, Runonstartup1}) {
        checkable->setCheckable(true);
        checkable->setChecked(true);
    }
    Popper.addSeparator();
    Shutdownandkeepwallpaper1 = Popper.addAction(QStringLiteral("Shut down and keep wallpaper"));
    Shutdownandkeepwallpaper1->setToolTip(
        QStringLiteral("Exit Lumora and keep current wallpaper background picture"));
    Shutdown1 = Popper.addAction(QStringLiteral("Shut down"));
    Shutdown1->setToolTip(QStringLiteral("Exit Lumora"));
    Popper.setToolTipsVisible(true);

    // The check marks follow the program's state, not the click: the handlers set them.
    connect(Configure1, &QAction::triggered, this, &TMainForm::Configure1Click);
    connect(Active1, &QAction::triggered, this, [this] {
        Active1->setChecked(Active);
        Active1Click();
    });
    connect(Showmessages1, &QAction::triggered, this, [this] {
        Showmessages1->setChecked(ShowMessages);
        Showmessages1Click();
    });
    connect(Runonstartup1, &QAction::triggered, this, &TMainForm::Runonstartup1Click);
    connect(Shutdownandkeepwallpaper1, &QAction::triggered, this, &TMainForm::Shutdownandkeepwallpaper1Click);
    connect(Shutdown1, &QAction::triggered, this, &TMainForm::ShutdownButClick);

    m_trayWait.setInterval(500);
    connect(&m_trayWait, &QTimer::timeout, this, &TMainForm::WaitForTrayHost);
}

void TMainForm::AddTrayIcon() {
    if (!m_trayIcon) {
        m_trayIcon = new QSystemTrayIcon(windowIcon(), this);
        m_trayIcon->setToolTip(QStringLiteral("Lumora"));
        m_trayIcon->setContextMenu(&Popper);
        connect(m_trayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    // A left click opens the window unless it is open already or the start is not done.
                    if (reason == QSystemTrayIcon::Trigger && Configure1->isEnabled())
                        ShowConfiguration();
                });
    }
    m_trayIcon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // A program started with the session often comes before the panel: give it a moment.
        m_trayWaited = 0;
        m_trayWait.start();
    }
}

void TMainForm::WaitForTrayHost() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayWait.stop();
        ModifyTrayIcon();
        return;
    }
    m_trayWaited += m_trayWait.interval();
    if (m_trayWaited < TrayWaitMilliseconds)
        return;
    m_trayWait.stop();
    // No panel to live in: show the window rather than run where the user cannot reach it. The
    // icon appears by itself should a panel start later.
    if (!isVisible())
        ShowConfiguration();
}

void TMainForm::ModifyTrayIcon() {
    if (m_trayIcon && !m_trayIcon->isVisible())
        m_trayIcon->show();
}

void TMainForm::RemoveTrayIcon() {
    m_trayWait.stop();
    if (m_trayIcon)
        m_trayIcon->hide();
}

void TMainForm::Configure1Click() {
    ShowConfiguration();
}

void TMainForm::SetRunOnStartup(bool on) {
    ::SetRunOnStartup(on, QCoreApplication::applicationFilePath());
    Runonstartup1->setChecked(on);
}

void TMainForm::Runonstartup1Click() {
    // The entry on disk, not the check mark, decides the new state.
    SetRunOnStartup(!IsRunOnStartup());
}

void TMainForm::Shutdownandkeepwallpaper1Click() {
    ShutDownKeepWallpaper();
}

void TMainForm::ShutdownButClick() {
    ShutDown();
}
