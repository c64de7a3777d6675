#include "Commands.h"

#include <QCoreApplication>
#include <csignal>
#include <sys/resource.h>

int main(int argc, char* argv[]) {
    // A client that hangs up while its answer is written must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
    // Every open connection takes a descriptor: allow as many as the system lets this process have.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumora-server"));
    return RunCommand(QCoreApplication::arguments().mid(1));
}
