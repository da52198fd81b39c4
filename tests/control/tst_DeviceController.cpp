// The controller's close against a transport whose reads a test holds: the device is closed only once the
// worker has left its transport call, and is not reopened under it either.
#include "control/DeviceController.h"
#include "link/DeviceAccess.h"
#include "support/CollectingNotifier.h"
#include "support/ModelFixture.h"
#include "support/RecordingView.h"
#include "support/ScriptedTransport.h"

#include <QScopeGuard>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;

class TestDeviceController : public QObject {
    Q_OBJECT

private slots:
    void closeWaitsForTheWorkerToLeaveItsCall();
};

void TestDeviceController::closeWaitsForTheWorkerToLeaveItsCall() {
    auto owned = std::make_unique<CScriptedTransport>();
    CScriptedTransport& transport = *owned;
    CDeviceAccess access(std::move(owned));
    ModelFixture model;
    model.g->language = 0;
    CRecordingView view;
    CCollectingNotifier notifier;
    TimingProfile timing = TimingProfile::Fast();
    timing.stopLimit = 50ms;
    CDeviceController controller(*model.g, *model.data, access, view, timing, &notifier);
    const auto release = qScopeGuard([&transport] { transport.ReleaseReads(); });

    transport.HoldReads(); // a wedged device: the identifier request is written, its read never returns
    QVERIFY(controller.ToggleConnection());
    QVERIFY(transport.WaitForHeldRead());
    const int closes = transport.Closes();

    // The Connect button closes the link: the stop runs out while the read is held.
    QVERIFY(!controller.ToggleConnection());
    QVERIFY(!controller.LinkOpen());
    QVERIFY(!controller.Worker().HasStopped());
    QCOMPARE(transport.Closes(), closes);
    QVERIFY(transport.IsOpen());
    QVERIFY(!controller.FinishClose());
    // Nor is the handle closed and opened again for a new connection meanwhile.
    view.Clear();
    QVERIFY(!controller.ToggleConnection());
    QCOMPARE(view.Messages(), QStringList{QStringLiteral("unable to connect")});
    QCOMPARE(transport.Closes(), closes);

    transport.ReleaseReads();
    QTRY_VERIFY_WITH_TIMEOUT(controller.Worker().HasStopped(), 10000);
    QVERIFY(controller.FinishClose());
    QCOMPARE(transport.Closes(), closes + 1);
    QVERIFY(!transport.IsOpen());
    QVERIFY(controller.FinishClose()); // nothing left to close
    QCOMPARE(transport.Closes(), closes + 1);
    QVERIFY(!transport.ClosedUnderACall());

    // The next connection opens again.
    QVERIFY(controller.ToggleConnection());
    QVERIFY(transport.IsOpen());
}

QTEST_GUILESS_MAIN(TestDeviceController)
#include "tst_DeviceController.moc"
