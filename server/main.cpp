#include "Commands.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char* argv[]) {
    // A client that hangs up while its answer is written must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumora-server"));
    return RunCommand(QCoreApplication::arguments().mid(1));
}
