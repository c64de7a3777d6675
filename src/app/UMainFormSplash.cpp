// The splash at start.
#include "app/UMainForm.h"
#include "app/USplashForm.h"
#include "platform/FreeMemory.h"

void TMainForm::ShowSplash() {
    if (m_splash)
        return;
    m_splash = new TSplashForm();
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    // The splash goes after the start-up work: what it and that work leave free in the heap goes
    // back to the system before the program idles.
    connect(m_splash, &QObject::destroyed, this, [] { FreeMemory::ReturnFreePagesSoon(); });
    m_splash->show();
}
