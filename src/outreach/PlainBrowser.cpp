#include "outreach/PlainBrowser.h"

#include "core/DisplayText.h"
#include "net/HTTPGet.h"
#include "platform/ShellOpen.h"

#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

TPlainBrowser::TPlainBrowser(const QByteArray& agent, QWidget* parent)
    : QWidget(parent)
    , m_agent(agent) {
    Page = new QTextBrowser(this);
    Page->setObjectName(QStringLiteral("Page"));
    Page->setAccessibleName(QStringLiteral("Message"));
    Page->setFrameShape(QFrame::NoFrame);
    // Links leave the window: the program has no browser of its own here.
    Page->setOpenLinks(false);
    connect(Page, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { ShellOpen(QUrl(QString::fromLatin1(m_url)).resolved(link)); });

    OpenLink = new QLabel(this);
    OpenLink->setObjectName(QStringLiteral("OpenLink"));
    OpenLink->setAccessibleName(QStringLiteral("Open this message in your browser"));
    OpenLink->setText(QStringLiteral("<a href=\"#\">Open this message in your browser</a>"));
    OpenLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    OpenLink->setContentsMargins(8, 4, 8, 4);
    connect(OpenLink, &QLabel::linkActivated, this, [this] { OpenInBrowser(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Page, 1);
    layout->addWidget(OpenLink);

    PageGet = CreatePageGet();
}

THTTPGet* TPlainBrowser::CreatePageGet() {
    auto* fetcher = new THTTPGet(this);
    fetcher->Agent = m_agent;
    fetcher->AcceptTypes = "text/html, */*";
    fetcher->BinaryData = false;
    connect(fetcher, &THTTPGet::OnDoneString, this, &TPlainBrowser::PageGetDoneString);
    connect(fetcher, &THTTPGet::OnError, this, &TPlainBrowser::PageGetError);
    return fetcher;
}

void TPlainBrowser::Go(const QByteArray& url) {
    m_url = url;
    Page->clear();
    // A page still on its way is dropped with its fetcher: the newest address wins.
    if (PageGet->Busy()) {
        delete PageGet;
        PageGet = CreatePageGet();
    }
    PageGet->URL = url;
    PageGet->FetchString();
}

void TPlainBrowser::OpenInBrowser() const {
    ShellOpen(QUrl::fromEncoded(m_url));
}

void TPlainBrowser::PageGetDoneString(THTTPGet*, const QByteArray& Result) {
    Page->setHtml(DisplayText(Result));
}

void TPlainBrowser::PageGetError(THTTPGet*) {
    Page->setPlainText(QStringLiteral("The message could not be loaded."));
}
