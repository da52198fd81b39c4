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
    CFirmwareUpdate update(s.Controller().FirmwareHost(), store, o.Timing());
    bool finished = false;
    s.Controller().SetFirmwareUpdate(&update);
    s.Controller().SetMessageObserver([&](int message, std::intptr_t wParam, std::intptr_t lParam) {
        if (message == UM_FIRMWARE_PROGRESS)
            s.View().SetTransferPosition(static_cast<int>(wParam));
        else if (message == UM_FIRMWARE_STATUS && lParam == CFirmwareUpdate::kStatusFinished)
            finished = true;
    });
    const auto detach = [&s] {
        s.Controller().StopForExit(); // the worker leaves the update before it goes
        s.Controller().SetMessageObserver({});
        s.Controller().SetFirmwareUpdate(nullptr);
    };

    if (!update.StartUpdate(path)) {
        detach();
        return CliExit::kFile; // the reason is printed
    }
    // The device may take a while to open; the bar shows once the update has it.
    const bool opened = s.WaitFor([&s] { return s.Controller().FirmwareUpdating(); });
    if (opened)
        s.View().ShowTransferPopup({true, true, update.ProgressRange()});
    const bool done = opened && s.WaitFor([&finished] { return finished; });
    s.View().HideTransferPopup();
    if (!done)
        s.Controller().CloseLink(); // interrupted or timed out with the link still open
    s.WaitClosed(); // the close shows its text ("Update successfully!", "unable to connect") once it is done
    if (!done && (opened || s.Interrupted()))
        err << "selvano-ctl: firmware update " << (s.Interrupted() ? "interrupted" : "failed") << "\n";
    detach();
    return done ? CliExit::kOk : CliExit::kDevice;
}
