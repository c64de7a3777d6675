// Keys of the configuration window and the buttons that open pages in the browser.
#include "app/UMainForm.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"

#include <QShortcut>

void TMainForm::CreateShortcuts() {
    // The window sees these keys before whichever control has the focus.
    for (const int key : {int(Qt::Key_F1), int(Qt::Key_Escape)}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, key] { FormKeyDown(key); });
    }
}

void TMainForm::FormKeyDown(int key) {
    if (key == Qt::Key_F1)
        OpenHelpPage(QStringLiteral("index"), LanguageNumber);
    else if (key == Qt::Key_Escape)
        CancelPreview();
}

void TMainForm::HelpButClick() {
    OpenHelpPage(QStringLiteral("index"), LanguageNumber);
}

void TMainForm::KorvexButClick() {
    if (!KorvexUrl.isEmpty())
        ShellOpen(QUrl::fromEncoded(KorvexUrl));
}

void TMainForm::CamPageButClick() {
    if (!SelectedCam || SelectedCam->Webpage.isEmpty())
        return;
    // Cam pages are often given as "www.site.com", which the desktop would take for a file name.
    const QByteArray& page = SelectedCam->Webpage;
    ShellOpen(QUrl::fromEncoded(page.contains("://") ? page : "http://" + page));
}
