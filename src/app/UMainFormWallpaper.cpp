// The refresh cycle as the window drives it.
#include "app/TrayIcon.h"
#include "app/UMainForm.h"

void TMainForm::TimerTimer() {
    FetchWallpaper();
}

void TMainForm::FetchWallpaper() {
    // Every tick, active or not, also brings the tray icon back if the panel lost it.
    m_tray->ModifyTrayIcon();
    if (!m_active)
        return;
    Cycle().FetchPicture(m_activeCam ? m_activeCam->URL : QByteArray());
}
