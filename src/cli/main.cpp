// selvano-ctl: the command-line companion; takes the global options and dispatches to one sub-command.
#include "cli/AlignCommand.h"
#include "cli/CliOptions.h"
#include "cli/DeviceCommands.h"
#include "cli/EqTextCommands.h"
#include "cli/FirmwareCommand.h"
#include "cli/ResponseCommand.h"
#include "cli/ShowCommand.h"
#include "cli/SimulateCommand.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <array>

namespace {

struct SubCommand {
    const char* name;
    const char* usage;
    const char* help;
    int (*run)(const CliOptions& options, const QStringList& args, QTextStream& out, QTextStream& err);
};

int Response(const CliOptions&, const QStringList& args, QTextStream& out, QTextStream& err) {
    return RunResponseCommand(args, out, err);
}

int Simulate(const CliOptions&, const QStringList& args, QTextStream& out, QTextStream& err) {
    return RunSimulateCommand(args, out, err);
}

constexpr std::array<SubCommand, 15> kSubCommands{{
    {"info", "info [--json]", "connect, identify and print the system values and preset names",
     RunInfoCommand},
    {"read", "read -o FILE.dsps", "the device's live setup into a setup file", RunReadCommand},
    {"backup", "backup -o FILE.dspa", "all data of the device (system, presets 1..6, live setup) into a file",
     RunBackupCommand},
    {"load", "load FILE.dsps|FILE.dspa [--no-backup]",
     "load a setup or all-data file and send it to the device (an all-data file after a backup)",
     RunLoadCommand},
    {"preset", "preset recall|store|delete N [NAME]",
     "recall device preset N (1..6), store the live setup into it (optionally named), or delete its name",
     RunPresetCommand},
    {"set", "set WHAT VALUE...", "one edit, sent with the application's edit path; see set --help",
     RunSetCommand},
    {"eq-import", "eq-import --channel N [--file SETUP [-o OUT]] [--dry-run] TEXT|-",
     "an equaliser text (Filter and Preamp lines) onto a channel's bands, on the device or in a setup file; "
     "prints what was rounded, clamped or dropped",
     RunEqImportCommand},
    {"eq-export", "eq-export --channel N [--file SETUP] [-o TEXT]",
     "a channel's bands as equaliser text, from the device or a setup file", RunEqExportCommand},
    {"align", "align [--file SETUP [-o OUT]] [--unit cm|inch] [--dry-run] CH=DIST...",
     "channel delays from the speakers' distances to the listening position (the farthest gets 0)",
     RunAlignCommand},
    {"factory-reset", "factory-reset [--yes] [--no-backup]",
     "reset the device to factory settings after a backup (asks unless --yes)", RunFactoryResetCommand},
    {"devices", "devices [--json]", "matching USB devices present: path, ids, claimed or free",
     RunDevicesCommand},
    {"firmware", "firmware FILE.MVA|FILE.contr", "the staged firmware update from a file, with progress",
     RunFirmwareCommand},
    {"show", "show FILE [--json]", "decode a setup or all-data file", RunShowCommand},
    {"response", "response --factory | FILE --channel N [--filter K]",
     "a channel's summed response (or one filter's) on the 241-point grid as CSV", Response},
    {"simulate", "simulate --listen PATH [--load FILE] [--trace]", "serve the simulated device on a socket",
     Simulate},
}};

void PrintUsage(QTextStream& out) {
    out << "usage: selvano-ctl [--device usb|sim|socket:PATH] [--timing device|fast] [--lang en|zh] "
           "[--json]\n"
           "                   <command> [options]\n\ncommands:\n";
    for (const SubCommand& c : kSubCommands)
        out << "  " << c.usage << "\n      " << c.help << "\n";
    out << "\nexit codes: 0 ok, 2 usage, 3 file error, 4 device error\n";
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    QString error;
    const auto options = CliOptions::Take(args, &error);
    if (!options) {
        err << "selvano-ctl: " << error << "\n";
        return CliExit::kUsage;
    }
    if (args.isEmpty()) {
        PrintUsage(options->help ? out : err);
        return options->help ? CliExit::kOk : CliExit::kUsage;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("help")) {
        PrintUsage(out);
        return CliExit::kOk;
    }
    for (const SubCommand& c : kSubCommands) {
        if (command != QLatin1String(c.name))
            continue;
        if (options->help) {
            out << "usage: selvano-ctl " << c.usage << "\n  " << c.help << "\n";
            if (command == QLatin1String("set"))
                RunSetCommand(*options, {}, out, out);
            return CliExit::kOk;
        }
        return c.run(*options, args, out, err);
    }
    err << "selvano-ctl: unknown command " << command << "\n";
    PrintUsage(err);
    return CliExit::kUsage;
}
