// Calls into the splash and tell-a-friend code.
#include "app/UMainForm.h"

void TMainForm::ShowSplash() {
    // The splash window fills this in: its picture stays on top for four seconds.
}

void TMainForm::TellButClick() {
    // The tell-a-friend code fills this in: it opens the invitation mail.
}
