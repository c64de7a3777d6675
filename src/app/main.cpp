#include "app/ULMRLib.h"
#include "app/UMainForm.h"
#include "catalogue/UCamForm.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // One program per user: a second start ends here, silently, and leaves the first untouched.
    TSingleInstance guard(QStringLiteral("lmr"));
    if (!guard.TryAcquire())
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    QApplication::setDesktopFileName(QStringLiteral("lumora"));
    // The windows are hidden most of the time; closing one never ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    LanguageNumber = 0;

    // Ending the session, a kill or Ctrl+C end the program as "Shut down" does.
    TTerminationSignals terminationSignals;

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    auto mainForm = std::make_unique<TMainForm>(arguments);
    QObject::connect(&terminationSignals, &TTerminationSignals::Received, mainForm.get(),
                     &TMainForm::ShutDown);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, mainForm.get(), &TMainForm::ShutDown);
    auto camForm = std::make_unique<TCamForm>();
    auto downloadForm = std::make_unique<TDownloadForm>();
    auto attentionForm = std::make_unique<TAttentionForm>();
    auto mForm = std::make_unique<TMForm>();
    CamForm = camForm.get();
    DownloadForm = downloadForm.get();
    AttentionForm = attentionForm.get();
    MForm = mForm.get();

    QObject::connect(MForm, &TMForm::OnShowMessagesChange, mainForm.get(), &TMainForm::SAM);
    mainForm->ApplyLanguage(LanguageNumber);

    const int result = QApplication::exec();
    // The windows go in reverse order; the main window last, which puts the wallpaper back.
    MForm = nullptr;
    AttentionForm = nullptr;
    DownloadForm = nullptr;
    CamForm = nullptr;
    return result;
}
