// Cost of the device link: building frames, assembling replies, and whole exchanges between the I/O worker
// and the in-process simulated device with the fast timing profile.
#include "control/DeviceController.h"
#include "control/Session.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/Notifier.h"
#include "link/TransferBatches.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Counts notifications and lets the benchmark thread wait for one.
class WaitingNotifier : public CNotifier {
public:
    void Post(int message, std::intptr_t, std::intptr_t) override {
        std::lock_guard lock(m_mutex);
        ++m_counts[message];
        m_posted.notify_all();
    }
    bool WaitFor(int message, int count, std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(m_mutex);
        return m_posted.wait_for(lock, limit, [&] { return m_counts[message] >= count; });
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_counts.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::map<int, int> m_counts;
};

// A model, its command object and a simulated device behind the in-process transport.
struct Link {
    Link() { ResetModelGlobals(g); }
    ModelGlobals g;
    WaitingNotifier notifier;
    KTVCommand command{g, notifier};
    std::shared_ptr<CSimDevice> device = std::make_shared<CSimDevice>();
    CInProcessTransport transport{device};
};

// ---- Frames ---------------------------------------------------------------------------------------------

void BM_BuildSliceWrite(benchmark::State& state) {
    Link link;
    int slice = 0;
    for (auto _ : state) {
        auto packet = link.command.BuildSliceWrite(KTVCommand::kTypeOutput, 3, slice);
        slice = (slice + 1) % 37;
        benchmark::DoNotOptimize(packet->Data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildSliceWrite);

void BM_BuildBlockWrite(benchmark::State& state) {
    Link link;
    for (auto _ : state) {
        auto packet = link.command.BuildBlockWrite(0, KTVCommand::kTypeOutput, 5, true);
        benchmark::DoNotOptimize(packet->Data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * 312);
}
BENCHMARK(BM_BuildBlockWrite);

// ---- Reply assembly -------------------------------------------------------------------------------------

// One input report holding a whole reply frame.
Report ReplyReport(std::uint8_t command, std::uint8_t preset, std::uint8_t type, std::uint8_t index,
                   std::uint8_t byte9, const std::vector<std::uint8_t>& payload) {
    Frame::Header h;
    h.command = command;
    h.preset = preset;
    h.type = type;
    h.index = index;
    h.slice = byte9;
    const std::vector<std::uint8_t> frame = Frame::Build(h, payload);
    Report report{};
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    return report;
}

// The largest reply (an output block, 312 bytes) assembled and stored into the live image; the queue is
// empty so that only the reply side is measured.
void BM_AssembleBlockReply(benchmark::State& state) {
    Link link;
    const Report report =
        ReplyReport(Frame::kCmdData, 0, KTVCommand::kTypeOutput, 2, 0xAB, std::vector<std::uint8_t>(296, 7));
    for (auto _ : state)
        benchmark::DoNotOptimize(link.command.FeedReport(report));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * 312);
}
BENCHMARK(BM_AssembleBlockReply);

// An acknowledge, the most frequent reply: 16 frame bytes, then the rest of the report is skipped.
void BM_AssembleAck(benchmark::State& state) {
    Link link;
    const Report report = ReplyReport(Frame::kCmdAck, 0, 0, 0, 0, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(link.command.FeedReport(report));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AssembleAck);

// A stream of status replies cut into small chunks, as a byte-stream transport would deliver them.
void BM_AssembleChunkedStream(benchmark::State& state) {
    Link link;
    link.command.SetPollCompareCounter(0); // counted, never compared: no notifications
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 64; ++i) {
        const Report r =
            ReplyReport(Frame::kCmdData, 0, KTVCommand::kTypeSystem, KTVCommand::kSubStatus, 0, {60, 1, 0});
        stream.insert(stream.end(), r.begin() + 1, r.begin() + 1 + 19);
    }
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += chunk)
            benchmark::DoNotOptimize(
                link.command.FeedBytes(stream.data() + at, std::min(chunk, stream.size() - at)));
        link.command.SetPollCompareCounter(0);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_AssembleChunkedStream)->Arg(1)->Arg(7)->Arg(64);

// ---- Exchanges with the simulated device ------------------------------------------------------------------

// Normal cycles driven on this thread: each exchange is a status poll queued by one cycle and written,
// answered and read by the next. No thread handover, so this is the cost of the work itself.
void BM_ExchangeCycles(benchmark::State& state) {
    Link link;
    link.transport.Open();
    CLinkWorker worker(link.command, link.transport, TimingProfile::Fast());
    worker.OpenLink();
    for (auto _ : state) {
        worker.RunNormalCycle(); // queues the poll
        worker.RunNormalCycle(); // writes it and reads the reply
    }
    if (link.device->Counters().accepted != static_cast<int>(state.iterations()))
        state.SkipWithError("not every poll was answered");
    state.counters["exchanges/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExchangeCycles);

// The I/O worker thread running free against the device for a fixed time; counts the frames the device
// answered. This includes the worker's waits and its handover of the link lock.
void BM_ExchangeWorker(benchmark::State& state) {
    for (auto _ : state) {
        Link link;
        link.transport.Open();
        CLinkWorker worker(link.command, link.transport, TimingProfile::Fast());
        const auto start = Clock::now();
        worker.StartLinkIO();
        std::this_thread::sleep_for(200ms);
        const int exchanges = link.device->Counters().accepted;
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        worker.StopLinkIO();
        state.SetIterationTime(elapsed.count());
        state.counters["exchanges/s"] = benchmark::Counter(exchanges / elapsed.count());
    }
}
BENCHMARK(BM_ExchangeWorker)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// What connecting asks of the device, through the worker: open, start the worker, identifier read, then the
// system reads, the six preset names and the eight output blocks of the live image, until the image read is
// done. The controller queues exactly these batches; its own window work is not part of this.
void BM_ConnectAndReadBack(benchmark::State& state) {
    for (auto _ : state) {
        Link link;
        CLinkWorker worker(link.command, link.transport, TimingProfile::Fast());
        CTransferBatches batches(link.command);
        const auto start = Clock::now();
        if (!link.transport.Open()) {
            state.SkipWithError("the device did not open");
            break;
        }
        batches.ReadDeviceIdentifier();
        worker.StartLinkIO();
        if (!link.notifier.WaitFor(UM_DEVICE_ID_READ, 1) ||
            std::memcmp(link.g.deviceId.data(), CSimDevice::kIdentifier.data(), 15) != 0) {
            state.SkipWithError("no identifier");
            break;
        }
        {
            std::lock_guard lock(link.command.LinkLock());
            batches.SystemReads();
            batches.ReadPresetIntoLive(0, false);
        }
        if (!link.notifier.WaitFor(UM_IMAGE_READ_DONE, 1)) {
            state.SkipWithError("the read-back did not finish");
            break;
        }
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());
        worker.StopLinkIO();
        link.transport.Close();
    }
}
BENCHMARK(BM_ConnectAndReadBack)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Hands the link's notifications to the benchmark thread, which delivers them to the controller as the
// application's event loop would.
class QueueNotifier : public CNotifier {
public:
    struct Message {
        int message;
        std::intptr_t wParam;
        std::intptr_t lParam;
    };
    void Post(int message, std::intptr_t wParam, std::intptr_t lParam) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({message, wParam, lParam});
        m_posted.notify_all();
    }
    bool Next(Message& out, std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, limit, [this] { return !m_messages.empty(); }))
            return false;
        out = m_messages.front();
        m_messages.pop_front();
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Message> m_messages;
};

// The controller's steps and timers need the application object of the UI thread.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_link";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// A tuned device: every band of every channel active, both crossovers on, so that adopting the image
// computes every response (a band at 0 dB is flat and costs nothing).
void TuneImage(ParamImage& image) {
    for (OutputBlock& block : image.outputs) {
        for (int k = 0; k < Layout::kBands; ++k)
            block.bands[k].gain = static_cast<std::uint16_t>(400 + (k % 2 ? 180 : 230));
        block.highPass = XoverRecord{60, 0, 5};
        block.lowPass = XoverRecord{12000, 0, 5};
    }
}

// The Connect button until the device's image is applied: the controller of a session opens the device,
// asks for its identifier, checks it, queues the read-back, and adopts the tuned image into the channel
// objects (every filter's response recomputed). Notifications are delivered on this thread as soon as they
// are posted.
void BM_ControllerConnect(benchmark::State& state) {
    EnsureApplication();
    for (auto _ : state) {
        QueueNotifier notifier;
        SessionOptions options;
        options.device.kind = DeviceOption::Kind::Sim;
        options.sim = std::make_shared<CSimDevice>();
        options.sim->ModifyState([](SimState& d) { TuneImage(d.live); });
        options.timing = TimingProfile::Fast();
        options.notifier = &notifier;
        CSession session(options);
        CDeviceController& controller = session.Controller();

        const auto start = Clock::now();
        if (!controller.ToggleConnection()) {
            state.SkipWithError("the device did not open");
            break;
        }
        QueueNotifier::Message m{};
        while (!controller.Connected() && notifier.Next(m, 10s))
            controller.HandleMessage(m.message, m.wParam, m.lParam);
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        if (!controller.Connected()) {
            state.SkipWithError("the connection did not complete");
            break;
        }
        state.SetIterationTime(elapsed.count());
        controller.ToggleConnection(); // starts the close; the session's end waits for the worker
    }
}
BENCHMARK(BM_ControllerConnect)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
