// selvano-usbwatch: one running instance of the program as far as the link goes, for the USB rig.
//
//   selvano-usbwatch [--label NAME] [--interrupt] [--timing device|fast]
//
// It wires the real pieces as the application does: the USB HID access with this process's claims, the
// device controller, and the udev monitor whose arrivals connect and whose removals close the link. It
// connects at start as the application does (silently when there is nothing to connect to), then follows
// arrivals and removals until SIGTERM or SIGINT. Every change of the link is one line on stdout.
#include "usb/WatchView.h"

#include "control/DeviceController.h"
#include "link/DeviceMonitor.h"
#include "link/HidDeviceAccess.h"
#include "link/HidTransport.h"
#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"
#include "model/SystemSettings.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnStopSignal(int) {
    g_stop = true;
}

constexpr int kLookMs = 10; // how often the link's state is looked at

const char* FailureText(CHidTransport::OpenFailure failure) {
    switch (failure) {
    case CHidTransport::OpenFailure::None:
        return "none";
    case CHidTransport::OpenFailure::NoDevice:
        return "no device";
    case CHidTransport::OpenFailure::ClaimedByAnother:
        return "claimed by another instance";
    case CHidTransport::OpenFailure::OpenFailed:
        return "open failed";
    }
    return "?";
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString label = QStringLiteral("watch");
    bool interrupt = false;
    bool fast = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--label") && i + 1 < args.size()) {
            label = args[++i];
        } else if (args[i] == QLatin1String("--interrupt")) {
            interrupt = true;
        } else if (args[i] == QLatin1String("--timing") && i + 1 < args.size()) {
            fast = args[++i] == QLatin1String("fast");
        } else {
            std::fputs("usage: selvano-usbwatch [--label NAME] [--interrupt] [--timing device|fast]\n",
                       stderr);
            return 2;
        }
    }
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    if (!CHidTransport::InitLibrary()) {
        std::fputs("selvano-usbwatch: hidapi does not start\n", stderr);
        return 1;
    }

    const TimingProfile timing = fast ? TimingProfile::Fast() : TimingProfile::Device();
    CWatchView view(label);
    auto g = std::make_unique<ModelGlobals>();
    ResetModelGlobals(*g);
    CKTV_Data data(*g);
    data.ApplyAll(g->liveImage, 0);
    auto transport = std::make_unique<CHidTransport>();
    if (interrupt)
        transport->SetReadMode(CHidTransport::ReadMode::InterruptPipe, timing.readWait);
    CHidDeviceAccess access(std::move(transport));
    auto controller = std::make_unique<CDeviceController>(*g, data, access, view, timing);

    CDeviceMonitor monitor([&] { return controller->Snapshot(); });
    QObject::connect(&monitor, &CDeviceMonitor::ArrivalConnection, &app, [&](const QString& path) {
        view.Print(QStringLiteral("arrival ") + path);
        controller->ConnectArrived(path.toStdString());
    });
    QObject::connect(&monitor, &CDeviceMonitor::RemovalClose, &app, [&](const QString& path) {
        view.Print(QStringLiteral("removal ") + path);
        controller->DeviceRemoved(path.toStdString());
    });
    view.Print(monitor.Start() ? QStringLiteral("monitor running") : QStringLiteral("monitor unavailable"));

    if (!controller->AutoConnect())
        view.Print(QStringLiteral("start-up connect: ") + FailureText(access.Hid().LastOpenFailure()));

    // Transitions of the link, as lines: open (identifying and reading), connected (image applied), closed.
    enum class State { Closed, Open, Connected } shown = State::Closed;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &app, [&] {
        if (g_stop) {
            look.stop();
            app.quit();
            return;
        }
        const State now = controller->Connected()  ? State::Connected
                          : controller->LinkOpen() ? State::Open
                                                   : State::Closed;
        if (now == shown)
            return;
        shown = now;
        const QString path = QString::fromStdString(controller->CurrentPath());
        switch (now) {
        case State::Closed:
            view.Print(QStringLiteral("closed ") + path);
            break;
        case State::Open:
            view.Print(QStringLiteral("open ") + path);
            break;
        case State::Connected:
            view.Print(QStringLiteral("connected ") + path + QStringLiteral(" volume ") +
                       QString::number(CSystemSettings(*g).MasterVolume()));
            break;
        }
    });
    look.start(kLookMs);
    app.exec();

    monitor.Stop();
    controller.reset(); // stops the worker and closes the device, which gives up the claim
    CHidTransport::ExitLibrary();
    view.Print(QStringLiteral("stopped"));
    return 0;
}
