#include "app/TrayIcon.h"

#include "platform/DesktopNotification.h"
#include "widgets/BuiltinPictures.h"
#include "widgets/TextTargets.h"

#include <QMenu>
#include <QSystemTrayIcon>

TTrayIcon::TTrayIcon(QWidget* window)
    : QObject(window) {
    setObjectName(QStringLiteral("TrayIcon"));
    Popper = new QMenu(window);
    Popper->setObjectName(QStringLiteral("Popper"));
    Configure1 = Popper->addAction(QStringLiteral("Configure..."));
    Configure1->setToolTip(QStringLiteral("Open configuration dialo"));
    m_languagesRoot = Popper->addMenu(QStringLiteral("Languages"));
    m_languagesRoot->menuAction()->setToolTip(QStringLiteral("Switch to language"));
    Popper->addSeparator();
    Active1 = Popper->addAction(QStringLiteral("Active"));
    Active1->setToolTip(QStringLiteral("lets Lumora refresh the desktop wallpaper"));
    Showmessages1 = Popper->addAction(QStringLiteral("Show messages"));
    Runonstartup1 = Popper->addAction(QStringLiteral("Run on startup"));
    Runonstartup1->setToolTip(QStringLiteral("Run Lumora on every system startup"));
    for (QAction* checkable : {Active1, Showmessages1, Runonstartup1}) {
        checkable->setCheckable(true);
        checkable->setChecked(true);
    }
    Popper->addSeparator();
    Shutdownandkeepwallpaper1 = Popper->addAction(QStringLiteral("Shut down and keep wallpaper"));
    Shutdownandkeepwallpaper1->setToolTip(
        QStringLiteral("Exit Lumora and keep current wallpaper background picture"));
    Shutdown1 = Popper->addAction(QStringLiteral("Shut down"));
    Shutdown1->setToolTip(QStringLiteral("Exit Lumora"));
    Popper->setToolTipsVisible(true);
    const std::pair<QObject*, const char*> names[] = {
        {Configure1, "Configure1"},
        {m_languagesRoot, "LanguagesRoot"},
        {Active1, "Active1"},
        {Showmessages1, "Showmessages1"},
        {Runonstartup1, "Runonstartup1"},
        {Shutdownandkeepwallpaper1, "Shutdownandkeepwallpaper1"},
        {Shutdown1, "Shutdown1"}};
    for (const auto& [entry, name] : names)
        entry->setObjectName(QLatin1String(name));

    // The check marks follow the program's state, not the click: the owner sets them.
    connect(Configure1, &QAction::triggered, this, &TTrayIcon::Configure1Click);
    connect(Active1, &QAction::triggered, this, [this] {
        Active1->setChecked(!Active1->isChecked());
        Q_EMIT Active1Click();
    });
    connect(Showmessages1, &QAction::triggered, this, [this] {
        Showmessages1->setChecked(!Showmessages1->isChecked());
        Q_EMIT Showmessages1Click();
    });
    connect(Runonstartup1, &QAction::triggered, this, &TTrayIcon::Runonstartup1Click);
    connect(Shutdownandkeepwallpaper1, &QAction::triggered, this, &TTrayIcon::Shutdownandkeepwallpaper1Click);
    connect(Shutdown1, &QAction::triggered, this, &TTrayIcon::Shutdown1Click);

    m_trayWait.setInterval(500);
    connect(&m_trayWait, &QTimer::timeout, this, &TTrayIcon::WaitForTrayHost);
}

void TTrayIcon::AddTrayIcon(const QIcon& icon) {
    m_icon = icon;
    if (!m_trayIcon) {
        m_trayIcon = new QSystemTrayIcon(icon, this);
        m_shownState.reset();
        ShowStatus();
        m_trayIcon->setContextMenu(Popper);
        connect(m_trayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        ConfigureIfEnabled();
                });
    }
    m_trayIcon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // A program started with the session often comes before the panel: give it a moment.
        m_trayWaited = 0;
        m_trayWait.start();
    }
}

void TTrayIcon::ConfigureIfEnabled() {
    if (Configure1->isEnabled())
        Q_EMIT Configure1Click();
}

void TTrayIcon::WaitForTrayHost() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayWait.stop();
        ModifyTrayIcon();
        return;
    }
    m_trayWaited += m_trayWait.interval();
    if (m_trayWaited < TrayWaitMilliseconds)
        return;
    m_trayWait.stop();
    // No panel to live in. The icon appears by itself should a panel start later.
    Q_EMIT NoTrayHost();
}

void TTrayIcon::ModifyTrayIcon() {
    if (m_trayIcon && !m_trayIcon->isVisible())
        m_trayIcon->show();
}

void TTrayIcon::RemoveTrayIcon() {
    m_trayWait.stop();
    if (m_trayIcon)
        m_trayIcon->hide();
}

void TTrayIcon::SetActive(bool checked) {
    Active1->setChecked(checked);
    m_status.SetActive(checked);
    ShowStatus();
}

void TTrayIcon::ShowCam(const QString& name, const QByteArray& url) {
    m_status.SetCam(name, url);
    ShowStatus();
}

void TTrayIcon::PictureInstalled() {
    ShowStatus(m_status.PictureInstalled(QDateTime::currentDateTime()));
}

void TTrayIcon::PictureFailed() {
    ShowStatus(m_status.PictureFailed(QDateTime::currentDateTime()));
}

void TTrayIcon::ShowStatus(TCamStatus::TNews news) {
    if (news != TCamStatus::TNews::None)
        ShowDesktopNotification(m_status.Text(), QString());
    if (!m_trayIcon)
        return;
    m_trayIcon->setToolTip(m_status.Text());
    // The icon changes with the state only: a panel redraws, and an item sends, each new picture.
    const TCamStatus::TState state = m_status.State();
    if (m_shownState == state)
        return;
    m_shownState = state;
    m_trayIcon->setIcon(state == TCamStatus::TState::Paused    ? PausedIcon()
                        : state == TCamStatus::TState::Failing ? FailingIcon()
                                                               : m_icon);
}

void TTrayIcon::SetShowMessages(bool checked) {
    Showmessages1->setChecked(checked);
}

void TTrayIcon::SetRunOnStartup(bool checked) {
    Runonstartup1->setChecked(checked);
}

void TTrayIcon::ApplyControlStates(const TControlStates& states) {
    Configure1->setEnabled(states.Configure1);
    m_languagesRoot->menuAction()->setEnabled(states.LanguagesRoot);
    Active1->setEnabled(states.Active1);
    Showmessages1->setEnabled(states.Showmessages1);
    Runonstartup1->setEnabled(states.Runonstartup1);
    Shutdownandkeepwallpaper1->setEnabled(states.Shutdownandkeepwallpaper1);
    Shutdown1->setEnabled(states.Shutdown1);
}

void TTrayIcon::LoadMenuTexts(const RecordText::Lines& lines) {
    using namespace TextTargets;
    QAction* languages = m_languagesRoot->menuAction();
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
        .Add("status_paused", Field(m_status.Texts.Paused))
        .Add("status_failing", Field(m_status.Texts.Failing))
        .LoadTexts(lines, "mainmenu");
    ShowStatus();
}
