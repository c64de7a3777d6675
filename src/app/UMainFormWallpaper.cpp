// The refresh cycle as the window drives it.
#include "app/UMainForm.h"

void TMainForm::TimerTimer() {
    FetchWallpaper();
}

void TMainForm::FetchWallpaper() {
    // Every tick, active or not, also brings the tray icon back if the panel lost it.
    ModifyTrayIcon();
    if (!Active)
        return;
    Cycle().FetchPicture(ActiveCam ? ActiveCam->URL : QByteArray());
}
