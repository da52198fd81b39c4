// A session on a simulated device in this process, for end-to-end tests with the fast profile.
#pragma once

#include "control/DeviceController.h"
#include "control/Session.h"
#include "sim/SimDevice.h"
#include "support/ModelFixture.h"
#include "support/RecordingView.h"

#include <QStringList>

#include <functional>
#include <memory>

// One frame as the device received it: "R"/"W", type/index, byte 9 ("AB" for 0xAB), preset, e.g.
// "W 3/7 s0 p2".
QString DescribeFrame(const SimFrame& frame);
// Every frame the device received, described.
QStringList TraceLines(const CSimDevice& sim);
int CountWrites(const QStringList& trace);

inline const QString kStatusPollLine = QStringLiteral("R 4/3 s0 p0");

// A session on a fresh simulated device in this process, with a recording view; the controller posts to
// itself through Qt events, so the waits, which process events, deliver its notifications meanwhile.
struct CControllerRig {
    static constexpr int kLimitMs = 10000; // generous; the fast profile needs a fraction of it

    // The fast profile with a short rest between idle cycles: without it the worker polls several hundred
    // thousand times a second, and the device's trace, which keeps only its newest frames, would lose what a
    // test is about to read.
    static TimingProfile Timing();

    std::shared_ptr<CSimDevice> sim = std::make_shared<CSimDevice>();
    CSession session;
    ModelFixture model{session.Doc()};
    CRecordingView view{session};

    // `adjust` may change the options (timing, notifier, transport) before the session is built on them.
    explicit CControllerRig(const std::function<void(SessionOptions&)>& adjust = {});

    ModelGlobals& G() { return *model.g; }
    CDeviceController& C() { return session.Controller(); }

    // Waits for the condition while delivering notifications; false when the limit passed first.
    bool WaitFor(const std::function<bool()>& condition, int limitMs = kLimitMs);
    // Connects with the Connect button and waits for the applied image.
    bool Connect();
    // Waits until the controller is idle: a close has finished, the device handle is closed.
    bool WaitIdle() {
        return WaitFor([this] { return C().Idle(); });
    }
    // Waits until the device has received `n` more status polls than now: everything queued before has gone.
    bool WaitForPolls(int n);
    // Clears the device's trace and starts counting writes anew.
    void ClearTrace();
    // Write frames the device has received since it was made or the trace was last cleared (counted apart:
    // the trace keeps only the newest frames).
    int WriteCount() const;

private:
    int m_writesBefore = 0;
};
