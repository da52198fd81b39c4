// The "simulate" sub-command of the companion: serves the simulated device on a socket until interrupted.
#include "cli/SimulateCommand.h"

#include "presets/SimFile.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include <pthread.h>

namespace {

constexpr char kUsage[] = "usage: selvano-ctl simulate --listen PATH [--load FILE] [--trace]\n";

// Trace lines come from the server's thread while the main thread waits for a signal; stdio serialises them.
void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int RunSimulateCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString listen;
    QString load;
    bool trace = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--listen") && i + 1 < args.size()) {
            listen = args[++i];
        } else if (a == QLatin1String("--load") && i + 1 < args.size()) {
            load = args[++i];
        } else if (a == QLatin1String("--trace")) {
            trace = true;
        } else {
            err << "simulate: unexpected argument " << a << "\n" << kUsage;
            return 2;
        }
    }
    if (listen.isEmpty()) {
        err << kUsage;
        return 2;
    }

    auto device = std::make_shared<CSimDevice>();
    if (!load.isEmpty()) {
        const Status loaded = SimFile::Load(*device, load);
        if (!loaded) {
            err << "simulate: " << load << ": " << loaded.error().en << "\n";
            return 3;
        }
    }

    // Block the stop signals before the server's thread exists, so that only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CSimServer server(device, listen.toStdString(),
                      trace ? CSimServer::Trace(PrintLine) : CSimServer::Trace());
    std::string error;
    if (!server.Start(&error)) {
        err << "simulate: " << QString::fromStdString(error) << "\n";
        return 4;
    }
    out << "simulated device listening on " << listen << " (Ctrl+C stops)\n";
    out.flush();

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();

    const SimCounters c = device->Counters();
    out << "stopped: " << server.ClientsServed() << " clients, " << c.accepted << " frames, " << c.rejected
        << " rejected\n";
    return 0;
}
