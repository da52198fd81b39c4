// The "firmware" sub-command of the companion: the staged firmware update from a file, with progress.
#include "cli/FirmwareCommand.h"

#include "cli/DeviceSession.h"

#include "firmware/FirmwareUpdate.h"
#include "link/Notifier.h"
#include "link/SettingsStore.h"

#include <QFileInfo>

int RunFirmwareCommand(const CliOptions& o, const QStringList& args, QTextStream&, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: selvano-ctl firmware FILE.MVA|FILE.contr\n";
        return CliExit::kUsage;
    }
    const QString& path = args[0];
    if (!QFileInfo(path).isFile()) {
        err << "selvano-ctl: " << path << ": no such file\n";
        return CliExit::kFile;
    }
    CDeviceSession s(o, err);
    // The chosen file becomes the remembered firmware location, as it does in the application.
    CSettingsStore store;
    CFirmwareUpdate update(s.Controller(), store, o.Timing());
    bool finished = false;
    s.Controller().SetFirmwareUpdate(&update);
    s.Controller().SetMessageObserver([&](int message, std::intptr_t wParam, std::intptr_t lParam) {
        if (message == UM_FIRMWARE_PROGRESS)
            s.View().SetTransferPosition(static_cast<int>(wParam));
        else if (message == UM_FIRMWARE_STATUS && lParam == CFirmwareUpdate::kStatusFinished)
            finished = true;
    });
    const auto detach = [&s] {
        s.Controller().StopLinkIO();
        s.Controller().SetMessageObserver({});
        s.Controller().SetFirmwareUpdate(nullptr);
    };

    if (!update.StartUpdate(path)) {
        detach();
        const bool loaded = update.File().DspLoaded() || update.File().ControllerLoaded();
        return loaded ? CliExit::kDevice : CliExit::kFile; // the reason is printed
    }
    s.View().ShowTransferPopup({true, true, update.ProgressRange()});
    const bool done = s.WaitFor([&finished] { return finished; });
    s.View().HideTransferPopup();
    if (!done) {
        err << "selvano-ctl: firmware update " << (s.Interrupted() ? "interrupted" : "failed") << "\n";
        if (s.Controller().LinkOpen())
            s.Controller().CloseLink();
    }
    detach();
    return done ? CliExit::kOk : CliExit::kDevice;
}
