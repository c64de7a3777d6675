// lumora-pack: builds, lists, verifies and extracts Lumora language pack archives.
#include "CommandArguments.h"
#include "PackCommands.h"

#include <QCoreApplication>
#include <functional>
#include <map>

namespace {

const QString Usage = QStringLiteral(
    "Usage: lumora-pack COMMAND [options] ARGUMENTS\n"
    "\n"
    "Builds, lists, verifies and extracts Lumora language pack archives.\n"
    "\n"
    "Commands:\n"
    "  create PACK.pak DIR    write an archive of the language directory DIR\n"
    "  list PACK.pak          print the entries of an archive\n"
    "  test PACK.pak          check the trailer and every member's CRC-32\n"
    "  extract PACK.pak DIR   unpack an archive into DIR, with its directories, as Lumora does\n"
    "\n"
    "\"lumora-pack COMMAND --help\" describes a command and its options.\n");

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const std::map<QString, std::function<int(const QStringList&)>> commands{
        {"create", PackCommands::Create},
        {"list", PackCommands::List},
        {"test", PackCommands::Test},
        {"extract", PackCommands::Extract}};

    if (arguments.isEmpty()) {
        PrintError(Usage);
        return 2;
    }
    const QString command = arguments.takeFirst();
    if (command == "--help" || command == "-h" || command == "help") {
        PrintOut(Usage);
        return 0;
    }
    const auto found = commands.find(command);
    if (found == commands.end()) {
        PrintError(QStringLiteral("lumora-pack: unknown command %1\n\n%2").arg(command, Usage));
        return 2;
    }
    return found->second(arguments);
}
