#include "app/UMainForm.h"
#include "app/WindowOnDemand.h"
#include "catalogue/UCamForm.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/FreeMemory.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/ULMRLib.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    FreeMemory::KeepLargeBlocksApart();
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

    // Ending the session, a kill or Ctrl+C end the program as "Shut down" does; a session
    // checkpoint (commitDataRequest) has nothing to save: every setting is saved when it changes.
    TTerminationSignals terminationSignals;

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    auto mainForm = std::make_unique<TMainForm>(arguments);
    QObject::connect(&terminationSignals, &TTerminationSignals::Received, mainForm.get(),
                     &TMainForm::ShutDown);
    // The secondary windows are made when first needed; they go in reverse order of these
    // declarations, before the main window, which puts the wallpaper back.
    std::unique_ptr<TCamForm> camForm;
    std::unique_ptr<TDownloadForm> downloadForm;
    std::unique_ptr<TAttentionForm> attentionForm;
    std::unique_ptr<TMForm> mForm;
    MakeOnDemand(camForm, *mainForm);
    MakeOnDemand(downloadForm, *mainForm);
    MakeOnDemand(attentionForm, *mainForm);
    MakeOnDemand(mForm, *mainForm);
    mainForm->ApplyLanguage(LanguageNumber);

    const int result = QApplication::exec();
    // Nothing is made any more while the program ends.
    TWindowMaker<TMForm>::Make = nullptr;
    TWindowMaker<TAttentionForm>::Make = nullptr;
    TWindowMaker<TDownloadForm>::Make = nullptr;
    TWindowMaker<TCamForm>::Make = nullptr;
    TWindowMaker<TMForm>::Release = nullptr;
    TWindowMaker<TAttentionForm>::Release = nullptr;
    TWindowMaker<TDownloadForm>::Release = nullptr;
    TWindowMaker<TCamForm>::Release = nullptr;
    MForm = nullptr;
    AttentionForm = nullptr;
    DownloadForm = nullptr;
    CamForm = nullptr;
    return result;
}
