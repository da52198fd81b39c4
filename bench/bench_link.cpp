// Cost of the device link: building frames, assembling replies, whole exchanges between the I/O worker and
// the simulated device, the UI thread's waits for the link lock and the CPU an idle link takes.
#include "control/ControllerView.h"
#include "control/DeviceController.h"
#include "control/Session.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/Notifier.h"
#include "link/SocketTransport.h"
#include "link/TransferBatches.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"
#include "sim/SimServer.h"

#include <QTemporaryDir>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include <time.h>

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

// ---- The controller on a running link ---------------------------------------------------------------------

struct ResetGlobals {
    ResetGlobals() {
        EnsureApplication();
        ResetModelGlobals(g);
    }
    ModelGlobals g;
};

// Nothing is shown: the benchmarks look at the controller and the device only.
class NullView : public CControllerView {
public:
    void ShowMessage(const SysText&) override {}
    void ShowTransferPopup(const PopupRequest&) override {}
    void SetTransferPosition(int) override {}
    void HideTransferPopup() override {}
    void SetConnectLook(bool) override {}
    void RefreshAll() override {}
    void RefreshSystemControls() override {}
    void RefreshPresetList() override {}
    void SetCaption(const QString&) override {}
};

// The controller over a transport, its notifications delivered on the benchmark thread, which stands in for
// the UI thread.
struct Session : ResetGlobals {
    Session(std::unique_ptr<CReportTransport> transport, const TimingProfile& timing)
        : access(std::move(transport)), controller(g, data, access, view, timing, &notifier) {
        data.ApplyAll(g.liveImage, 0);
    }

    // Delivers notifications as they come until `until`.
    void DeliverUntil(Clock::time_point until) {
        QueueNotifier::Message m{};
        for (auto now = Clock::now(); now < until; now = Clock::now()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
            if (notifier.Next(m, left))
                controller.HandleMessage(m.message, m.wParam, m.lParam);
        }
    }
    // The Connect button until the device's image is applied.
    bool Connect(std::chrono::milliseconds limit) {
        if (!controller.ToggleConnection())
            return false;
        const auto end = Clock::now() + limit;
        QueueNotifier::Message m{};
        while (!controller.Connected() && Clock::now() < end)
            if (notifier.Next(m, 100ms))
                controller.HandleMessage(m.message, m.wParam, m.lParam);
        return controller.Connected();
    }

    CKTV_Data data{g};
    QueueNotifier notifier;
    NullView view;
    CDeviceAccess access;
    CDeviceController controller;
};

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A two-second drag of the master-volume slider with the device's timing against the simulated device
// (which answers at once): 30 positions a second through the slider's own path, each call timed. The call
// is a lock acquisition around a few stores, so its time is the UI thread's wait for the link lock.
// Positions that fall due while a call waits arrive as one afterwards, as the window system merges
// pointer moves.
void BM_SliderDragLockWait(benchmark::State& state) {
    constexpr int kPositions = 60;
    constexpr auto kStep = std::chrono::microseconds{1000000 / 30};
    // Up and down across the range (0..60), a new value at every position.
    const auto volume = [](int i) { return i < 30 ? 15 + i : 75 - i; };
    for (auto _ : state) {
        auto device = std::make_shared<CSimDevice>();
        Session s(std::make_unique<CInProcessTransport>(device), TimingProfile::Device());
        if (!s.Connect(60s)) {
            state.SkipWithError("the connection did not complete");
            break;
        }
        std::vector<double> waits; // milliseconds
        const auto start = Clock::now();
        for (int i = 0; i < kPositions; ++i) {
            s.DeliverUntil(start + i * kStep);
            while (i + 1 < kPositions && start + (i + 1) * kStep <= Clock::now())
                ++i;
            const auto before = Clock::now();
            s.controller.SetMasterVolumeFromSlider(volume(i));
            waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
        }
        s.DeliverUntil(start + kPositions * kStep);
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        state.SetIterationTime(elapsed.count());

        // The last position reaches the device, or the drag measured a link that did not carry it.
        const auto end = Clock::now() + 5s;
        const int last = volume(kPositions - 1);
        while (device->State().MasterVolume() != last && Clock::now() < end)
            s.DeliverUntil(Clock::now() + 20ms);
        if (device->State().MasterVolume() != last) {
            state.SkipWithError("the last slider position did not reach the device");
            break;
        }
        std::sort(waits.begin(), waits.end());
        state.counters["wait_max_ms"] = waits.back();
        state.counters["wait_median_ms"] = waits[waits.size() / 2];
        state.counters["wait_mean_ms"] =
            std::accumulate(waits.begin(), waits.end(), 0.0) / static_cast<double>(waits.size());
        state.counters["calls"] = static_cast<double>(waits.size());
        s.controller.ToggleConnection();
    }
}
BENCHMARK(BM_SliderDragLockWait)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// An idle connected session on the simulated device with the programs' profile, in this process (0) or served
// on a socket by a server thread of this process (1): the CPU time of the whole process per wall-clock second
// over five seconds (1.0 = one core busy) and the status polls the device answered per second.
void BM_IdleSessionCpu(benchmark::State& state) {
    const bool socket = state.range(0) != 0;
    const TimingProfile timing = TimingProfile::Simulated(); // what programs use on the simulated device
    for (auto _ : state) {
        auto device = std::make_shared<CSimDevice>();
        QTemporaryDir dir;
        std::unique_ptr<CSimServer> server;
        std::unique_ptr<CReportTransport> transport;
        if (socket) {
            const std::string path = dir.filePath(QStringLiteral("box.sock")).toStdString();
            server = std::make_unique<CSimServer>(device, path);
            if (!dir.isValid() || !server->Start()) {
                state.SkipWithError("the server did not start");
                break;
            }
            transport = std::make_unique<CSocketTransport>(path, timing.readWait);
        } else {
            transport = std::make_unique<CInProcessTransport>(device);
        }
        Session s(std::move(transport), timing);
        if (!s.Connect(20s)) {
            state.SkipWithError("the connection did not complete");
            break;
        }
        const int pollsBefore = device->Counters().statusPolls;
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = Clock::now();
        s.DeliverUntil(start + 5s);
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        const int polls = device->Counters().statusPolls - pollsBefore;
        state.SetIterationTime(elapsed.count());
        state.counters["cpu_per_wall_s"] = cpu / elapsed.count();
        state.counters["polls/s"] = polls / elapsed.count();
        s.controller.ToggleConnection();
    }
}
BENCHMARK(BM_IdleSessionCpu)
    ->ArgName("socket")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
