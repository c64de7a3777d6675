#include "app/CommandLine.h"
#include "app/UMainForm.h"
#include "platform/FreeMemory.h"
#include "platform/InstanceActivation.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    // --help and --version answer before anything else: they need no display and no lock.
    QStringList given;
    for (int at = 1; at < argc; ++at)
        given << QString::fromLocal8Bit(argv[at]);
    if (const std::optional<QString> information = InformationAsked(given)) {
        std::fputs(information->toLocal8Bit().constData(), stdout);
        return 0;
    }

    FreeMemory::KeepLargeBlocksApart();
    // One program per user: a second start asks the first to show its window and ends here; the
    // first is otherwise untouched, its arguments such as the start delay are its own.
    TSingleInstance guard(QStringLiteral("lmr"));
    if (!guard.TryAcquire()) {
        const QCoreApplication asking(argc, argv);
        if (!TInstanceActivation::AskRunningProgram())
            std::fputs("Lumora is already running.\n", stderr);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    QApplication::setDesktopFileName(QStringLiteral("lumora"));
    // The windows are hidden most of the time; closing one never ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // Ending the session, a kill or Ctrl+C end the program as "Shut down" does; a session
    // checkpoint (commitDataRequest) has nothing to save: every setting is saved when it changes.
    TTerminationSignals terminationSignals;

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    // The main window owns every other window; it goes before the application object, putting the
    // user's wallpaper back.
    TMainForm mainForm(arguments);
    QObject::connect(&terminationSignals, &TTerminationSignals::Received, &mainForm, &TMainForm::ShutDown);
    TInstanceActivation activation;
    QObject::connect(&activation, &TInstanceActivation::Activated, &mainForm, &TMainForm::ShowWhenAsked);
    activation.Listen();
    mainForm.ApplyLanguage(mainForm.LanguageNumber());
    return QApplication::exec();
}
