// selvano-ctl: the command-line companion; dispatches to one sub-command.
#include "cli/ResponseCommand.h"
#include "cli/SimulateCommand.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <array>
#include <cstdio>

namespace {

struct SubCommand {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

constexpr std::array<SubCommand, 2> kSubCommands{{
    {"response", "response [--factory]   summed response of the factory channel as CSV", RunResponseCommand},
    {"simulate", "simulate --listen PATH [--load FILE] [--trace]   serve the simulated device on a socket",
     RunSimulateCommand},
}};

void PrintUsage(QTextStream& out) {
    out << "usage: selvano-ctl <command> [options]\n\ncommands:\n";
    for (const SubCommand& c : kSubCommands) {
        out << "  " << c.usage << "\n";
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        args = {QStringLiteral("response"), QStringLiteral("--factory")};
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("help") || command == QLatin1String("--help") ||
        command == QLatin1String("-h")) {
        PrintUsage(out);
        return 0;
    }
    for (const SubCommand& c : kSubCommands) {
        if (command == QLatin1String(c.name)) {
            return c.run(args, out, err);
        }
    }
    err << "selvano-ctl: unknown command " << command << "\n";
    PrintUsage(err);
    return 2;
}
