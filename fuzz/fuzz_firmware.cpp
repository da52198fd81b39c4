// Loads arbitrary firmware file contents and runs the whole update against the simulated device, cycle by
// cycle on this thread. Either the update finishes and the device holds exactly the file (chunks padded with
// 0xFF), its check byte and the stages in order, or it ends through the link-lost path; it never runs on.
//
// Input: byte 0 chooses the file kind (bit 0: a controller file ".contr", else a DSP file ".MVA"); byte 1
// asks the device for repeats (bits 0..1: how many replies in a row are repeat requests, bits 2..7: before
// which cycle); the rest is the file.
#include "Require.h"
#include "firmware/FirmwareUpdate.h"
#include "link/FirmwareHost.h"
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "link/Notifier.h"
#include "link/SettingsStore.h"
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

class Notes : public CNotifier {
public:
    void Post(int message, std::intptr_t wParam, std::intptr_t lParam) override {
        if (message == UM_FIRMWARE_PROGRESS) {
            Require(wParam == progress + 1, "progress moves one step per acknowledged frame");
            progress = static_cast<int>(wParam);
        } else if (message == UM_FIRMWARE_STATUS) {
            Require(lParam == CFirmwareUpdate::kStatusFinished, "the finishing status");
            ++finished;
        } else if (message == UM_LINK_LOST) {
            ++lost;
        }
    }
    int progress = 0;
    int finished = 0;
    int lost = 0;
};

// The controller as the update sees it: the simulated device behind the in-process transport, the worker
// driven by this thread.
class Host : public CFirmwareHost {
public:
    Host() : worker(command, transport, TimingProfile::Fast()) {}
    ~Host() override {
        worker.StopLinkIO();
        command.SetFirmwareHook(nullptr);
    }
    KTVCommand& Command() override { return command; }
    bool LinkOpen() const override { return linkOpen; }
    void CloseLink() override {
        worker.StopLinkIO();
        transport.Close();
        linkOpen = false;
    }
    void OpenDeviceWithRetries(std::chrono::milliseconds, std::function<void(bool)> done) override {
        done(transport.Open());
    }
    void CancelOpenRetries() override {}
    void StartFirmwareLink(CFirmwareHook& hook) override {
        command.Clear();
        command.SetFirmwareHook(&hook);
        updating = true;
        linkOpen = true;
        worker.OpenLink();
    }
    void EndFirmwareLink() override {
        command.SetFirmwareHook(nullptr);
        updating = false;
    }
    bool FirmwareUpdating() const override { return updating; }
    void SetFirmwareStage(int) override {}
    void ShowMessage(const SysText&) override {}
    void ReportConnectFailure() override { Fail("the simulated device always opens"); }

    ModelGlobals g;
    Notes notes;
    KTVCommand command{g, notes};
    std::shared_ptr<CSimDevice> device = std::make_shared<CSimDevice>();
    CInProcessTransport transport{device};
    CLinkWorker worker;
    CSettingsStore store;
    bool linkOpen = false;
    bool updating = false;
};

// The file as the device must receive it: chunks of `chunk` bytes, the last one filled up with 0xFF.
std::vector<std::uint8_t> Padded(const std::vector<std::uint8_t>& file, std::size_t chunk) {
    std::vector<std::uint8_t> out = file;
    out.resize((file.size() + chunk - 1) / chunk * chunk, 0xFF);
    return out;
}

std::uint8_t CheckOf(const std::vector<std::uint8_t>& file, std::size_t from) {
    std::uint8_t x = 0x12;
    for (std::size_t i = from; i < file.size(); ++i)
        x ^= file[i];
    return x;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static QTemporaryDir dir;
    const bool controller = (data[0] & 1) != 0;
    const int repeats = data[1] & 3;
    const int repeatAtCycle = data[1] >> 2;
    const std::vector<std::uint8_t> file(data + 2, data + size);

    const QString path = dir.filePath(controller ? QStringLiteral("fw.contr") : QStringLiteral("fw.MVA"));
    {
        QFile out(path);
        Require(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "the scratch file opens");
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size()));
    }

    Host host;
    CFirmwareUpdate update(host, host.store, TimingProfile::Fast());
    const bool started = update.StartUpdate(path);
    if (file.empty()) {
        Require(!started && host.device->Firmware().stages.empty(), "an empty file sends nothing");
        return 0;
    }
    Require(started, "a file with contents starts the update");

    const std::size_t chunk = controller ? KTVCommand::kControllerChunkSize : KTVCommand::kDspChunkSize;
    const int frames = static_cast<int>((file.size() + chunk - 1) / chunk) + 3;
    Require(update.ProgressRange() >= frames, "the progress range covers every frame");
    // One idle first cycle, one cycle per frame, a second write of each repeated frame.
    const int cycleLimit = 1 + frames + repeats;
    int cycles = 0;
    while (!update.UpdateFinished() && cycles < cycleLimit + 1) {
        if (cycles == repeatAtCycle && repeats > 0)
            host.device->RequestRepeats(repeats);
        update.FirmwareCycle(host.worker);
        ++cycles;
    }
    Require(update.UpdateFinished(), "the update ends within its frames");

    if (host.notes.lost > 0) {
        // Only a frame the device asked for more than once may end it early.
        Require(repeats >= 2 && host.notes.finished == 0, "an update fails only on repeated repeats");
        Require(host.notes.lost == 1, "the link loss is posted once");
        return 0;
    }
    Require(host.notes.finished == 1, "the end is posted once");
    Require(host.notes.progress == frames && host.notes.progress <= update.ProgressRange(),
            "every frame moved the progress");
    Require(update.OnUpdateFinished(CFirmwareUpdate::kStatusFinished), "the finishing status ends it");
    Require(!host.linkOpen && !host.updating, "the link is closed and the update flag cleared");

    const SimFirmwareLog log = host.device->Firmware();
    std::vector<std::uint8_t> stages;
    if (controller) {
        stages = {224, 225};
        stages.insert(stages.end(), static_cast<std::size_t>(frames - 3), 226);
        stages.push_back(227);
        Require(log.controller == Padded(file, chunk), "the device holds the controller file");
        Require(log.controllerCheck == CheckOf(file, 0), "controller check byte");
    } else {
        stages = {176, 177};
        stages.insert(stages.end(), static_cast<std::size_t>(frames - 3), 178);
        stages.push_back(179);
        std::vector<std::uint8_t> head(
            file.begin(), file.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(file.size(), 4)));
        head.resize(4, 0xFF);
        Require(log.dspHead == head, "the DSP head frame carries the first four bytes");
        Require(log.dsp == Padded(file, chunk), "the device holds the DSP file");
        Require(log.dspCheck == CheckOf(file, 4), "DSP check byte");
        Require(host.device->Counters().restarts == 1, "the device restarted once");
    }
    Require(log.stages == stages, "the stages in order, each once");
    return 0;
}
