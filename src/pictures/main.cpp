// The README's picture of the measured response overlay: the main window on the simulated device with the
// synthetic door-speaker measurement on CH1, an EQ that corrects it, and the measurement dialog beside it.
//
//   selvano-overlay-picture <measurement.txt> <window.png> <dialog.png> [en|zh]
#include "app/DisplayDlg.h"
#include "app/MainFrame.h"
#include "app/MeasurementDlg.h"
#include "app/TavelApp.h"
#include "app/TavelView.h"
#include "control/DeviceController.h"
#include "control/FilterText.h"
#include "control/MeasuredResponse.h"
#include "control/ModelEditor.h"
#include "control/Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

// Cuts where the speaker rises, lifts where the car takes away: what a first pass of tuning might set.
constexpr char kCorrection[] = "Filter 1: ON PK Fc 118 Hz Gain -4.5 dB Q 2.5\n"
                               "Filter 2: ON PK Fc 340 Hz Gain 6.0 dB Q 3.5\n"
                               "Filter 3: ON PK Fc 1850 Hz Gain -5.0 dB Q 2.5\n"
                               "Filter 4: ON PK Fc 4100 Hz Gain 4.0 dB Q 2.5\n"
                               "Filter 5: ON PK Fc 9000 Hz Gain -2.0 dB Q 1.5\n";

constexpr int kLimitMs = 15000;

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    CTavelApp::PrepareProcess();
    QApplication application(argc, argv);
    CTavelApp::SetUpApplication(application);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr,
                     "usage: selvano-overlay-picture <measurement.txt> <window.png> <dialog.png> [en|zh]\n");
        return 2;
    }
    const QString language = args.value(4, QStringLiteral("en"));
    const AppOptions options = AppOptions::Parse(
        {args[0], QStringLiteral("--device"), QStringLiteral("sim"), QStringLiteral("--lang"), language});
    CTavelApp app(options);
    app.Start();

    CSession& session = app.Session();
    CTavelView& view = app.Frame().View();
    QElapsedTimer clock;
    clock.start();
    while (!(session.Controller().Connected() && !view.TransferPopup().isVisible()) &&
           clock.elapsed() < kLimitMs)
        Wait(100);

    session.Editor().SetBands(0, CFilterText::Read(QString::fromLatin1(kCorrection)).bands);
    CMeasuredResponse& measurement = view.Measurement(0);
    measurement.SetSmoothing(CMeasuredResponse::Smoothing::Sixth);
    if (const auto refusal = measurement.ReadFile(args[1])) {
        std::fprintf(stderr, "selvano-overlay-picture: %s\n", qPrintable(refusal->In(0)));
        return 1;
    }
    view.MeasurementChanged(0);
    view.RunCommand(TopCommand::Measurement);
    Wait(500);

    const bool saved = app.Frame().grab().save(args[2], "PNG") &&
                       (view.MeasurementDialog() && view.MeasurementDialog()->grab().save(args[3], "PNG"));
    if (!saved)
        std::fprintf(stderr, "selvano-overlay-picture: cannot write the pictures\n");
    return saved ? 0 : 1;
}
