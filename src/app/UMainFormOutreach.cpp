// The splash at start and the tell-a-friend button.
#include "app/UMainForm.h"
#include "app/USplashForm.h"
#include "outreach/TellAFriend.h"
#include "platform/ShellOpen.h"

void TMainForm::ShowSplash() {
    // One splash per start; it frees itself after its four seconds.
    if (SplashForm)
        return;
    SplashForm = new TSplashForm();
    SplashForm->setAttribute(Qt::WA_DeleteOnClose);
    SplashForm->show();
}

void TMainForm::TellButClick() {
    // The mail program opens a new mail; whether one is registered is the desktop's business.
    (void)ShellOpen(TellAFriendUri(TellAFriendLink(MailSubjectText, MailMessageText)));
}
