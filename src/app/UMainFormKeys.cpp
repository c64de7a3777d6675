// Keys of the configuration window and the buttons that hand a page or a mail to the desktop.
#include "app/UMainForm.h"
#include "catalogue/CamBrowser.h"
#include "outreach/TellAFriend.h"
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
        OpenHelpPage(QStringLiteral("index"), m_languageNumber);
    else if (key == Qt::Key_Escape)
        m_browser->CancelPreview();
}

void TMainForm::HelpButClick() {
    OpenHelpPage(QStringLiteral("index"), m_languageNumber);
}

void TMainForm::KorvexButClick() {
    if (!KorvexUrl.isEmpty())
        ShellOpen(QUrl::fromEncoded(KorvexUrl));
}

void TMainForm::CamPageButClick() {
    const TWebCamPtr& selected = m_browser->SelectedCam();
    if (!selected || selected->Webpage.isEmpty())
        return;
    // Cam pages are often given as "www.site.com", which the desktop would take for a file name.
    const QByteArray& page = selected->Webpage;
    ShellOpen(QUrl::fromEncoded(page.contains("://") ? page : "http://" + page));
}

void TMainForm::TellButClick() {
    // The mail program opens a new mail; whether one is registered is the desktop's business.
    (void)ShellOpen(TellAFriendUri(TellAFriendLink(MailSubjectText, MailMessageText)));
}
