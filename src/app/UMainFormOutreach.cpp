// The splash at start and the tell-a-friend button.
#include "app/UMainForm.h"
#include "app/USplashForm.h"
#include "outreach/TellAFriend.h"
#include "platform/ShellOpen.h"

void TMainForm::ShowSplash() {
    if (m_splash)
        return;
    m_splash = new TSplashForm();
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    m_splash->show();
}

void TMainForm::TellButClick() {
    // The mail program opens a new mail; whether one is registered is the desktop's business.
    (void)ShellOpen(TellAFriendUri(TellAFriendLink(MailSubjectText, MailMessageText)));
}
