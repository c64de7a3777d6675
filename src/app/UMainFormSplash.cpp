// The splash at start.
#include "app/UMainForm.h"
#include "app/USplashForm.h"

void TMainForm::ShowSplash() {
    if (m_splash)
        return;
    m_splash = new TSplashForm();
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    m_splash->show();
}
