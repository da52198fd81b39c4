// The pauses and limits of the link, as one profile: the device's own values, none for tests and benchmarks,
// or none but an idle pace for programs on the simulated device.
#pragma once

#include <chrono>

struct TimingProfile {
    using ms = std::chrono::milliseconds;

    ms afterOutputReport{20}; // after each output report written
    ms afterInputReport{50};  // after each input report read
    ms whileEmpty{10};        // further pause while only empty reports have arrived in a cycle
    ms betweenCycles{10};     // sleep after each normal cycle
    ms idlePoll{0};           // instead, rest after a status poll sent with nothing pending, until a wake
    ms replyLimit{3000};      // no valid reply within this time of a cycle's start: link lost
    ms workerWait{3000};      // the worker's wait for one of its events
    ms linkLostSettle{10};    // sleep before posting the link loss
    ms closeSettle{500};      // controller's wait between stopping the worker and closing the link
    ms firmwareLimit{10000};  // firmware update: reopen attempts and reply limit
    ms readWait{0};           // how long a socket read waits for a packet before returning an empty report
    ms stopLimit{6000};       // StopLinkIO's wait for the worker to leave a transport call and its cycle

    // Firmware update. The pause after each input report depends on the stage awaiting its reply: the
    // hand controller answers far more slowly than the DSP.
    ms firmwareAfterReport{5};        // after each output report of a firmware frame
    ms firmwareDspStage{2};           // stages 176..179
    ms firmwareControllerStart{5000}; // stages 224 and 225
    ms firmwareControllerChunk{600};  // stage 226
    ms firmwareControllerCheck{300};  // stage 227
    ms firmwareWhileEmpty{10};        // further pause while only empty reports have arrived in a cycle
    ms firmwareRestartWait{3000};     // stage 176 acknowledged: the device restarts; reopen after this
    ms firmwareRetry{50};             // between attempts to open the device; idle cycle with nothing queued

    // Real hardware.
    static TimingProfile Device() { return {}; }

    // The simulated device: no pauses; limits short enough that a lost reply shows quickly in tests,
    // long enough that a loaded machine never trips them by accident.
    static TimingProfile Fast() {
        TimingProfile t;
        t.afterOutputReport = ms{0};
        t.afterInputReport = ms{0};
        t.whileEmpty = ms{0};
        t.betweenCycles = ms{0};
        t.replyLimit = ms{1000};
        t.workerWait = ms{50};
        t.linkLostSettle = ms{0};
        t.closeSettle = ms{0};
        t.firmwareLimit = ms{2000};
        t.readWait = ms{1};
        t.stopLimit = ms{2000};
        t.firmwareAfterReport = ms{0};
        t.firmwareDspStage = ms{0};
        t.firmwareControllerStart = ms{0};
        t.firmwareControllerChunk = ms{0};
        t.firmwareControllerCheck = ms{0};
        t.firmwareWhileEmpty = ms{0};
        t.firmwareRestartWait = ms{0};
        t.firmwareRetry = ms{0};
        return t;
    }

    // Programs talking to the simulated device: as fast, but an idle link polls the status 20 times a
    // second instead of as often as it can (which kept whole cores busy). Edits and queued batches wake the
    // worker, so they go out as fast as before.
    static TimingProfile Simulated() {
        TimingProfile t = Fast();
        t.idlePoll = ms{50};
        return t;
    }
};
