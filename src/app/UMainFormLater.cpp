// Calls into the catalogue, cam browser, splash and tell-a-friend code.
#include "app/UMainForm.h"

void TMainForm::ShowPreview(const TWebCamPtr&) {
    // The cam browser fills this in: it downloads the cam's picture into the preview.
}

void TMainForm::CancelPreview() {
    // The cam browser fills this in: Esc stops a running preview.
}

void TMainForm::ShowSplash() {
    // The splash window fills this in: its picture stays on top for four seconds.
}

void TMainForm::TellButClick() {
    // The tell-a-friend code fills this in: it opens the invitation mail.
}
