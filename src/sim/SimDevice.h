// The simulated device: answers the tool's frames from its own image, presets and system values.
#pragma once

#include "link/Frame.h"
#include "link/ReportTransport.h"
#include "model/ParamImage.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One frame the device received, decoded.
struct SimFrame {
    Frame::Header header;
    std::vector<std::uint8_t> payload;

    // One line for traces: command, preset, type, index, slice, link, N and the payload in hex.
    std::string Describe() const;
    bool operator==(const SimFrame&) const = default;
};

// The device's own memory: what the tool writes lands here and is what it reads back.
struct SimState {
    static constexpr int kPresets = 20;       // stored presets 1..20
    static constexpr int kEffectRecords = 20; // effect numbers 21..40 (block type 10)

    ParamImage live{};
    std::array<ParamImage, kPresets> presets{};
    std::array<std::array<std::uint8_t, Layout::kEffectBlockSize>, kEffectRecords> effects{};
    std::array<std::uint8_t, 32> system{};       // system block: 144 = bytes 0..7, 145 = 8..19, 146 = 24..31
    std::array<std::uint8_t, 8> sourceVolumes{}; // five remembered volumes, three bytes carried (message 48)
    std::uint8_t currentPreset = 0;              // stored preset last loaded into the live image (message 64)

    ParamImage& Preset(int p) { return presets[static_cast<std::size_t>(p - 1)]; }
    const ParamImage& Preset(int p) const { return presets[static_cast<std::size_t>(p - 1)]; }
    std::uint16_t MasterVolume() const { return ReadU16(&system[2]); }

    // The state a new device leaves the factory with, and that a factory reset restores.
    static SimState Factory();
};

// Everything a firmware update delivered, so that tests can compare it with the file sent.
struct SimFirmwareLog {
    std::vector<std::uint8_t> stages;     // sub-code of every firmware frame, in order of arrival
    std::vector<std::uint8_t> dspHead;    // payload of stage 177
    std::vector<std::uint8_t> dsp;        // payloads of stage 178 chunks, concatenated (padding included)
    std::optional<std::uint8_t> dspCheck; // stage 179
    std::vector<std::uint8_t> controller; // payloads of stage 226 chunks, concatenated
    std::optional<std::uint8_t> controllerCheck; // stage 227
};

// Counters of what arrived. A rejected frame gets no answer.
struct SimCounters {
    int accepted = 0;       // valid frames
    int writes = 0;         // valid write frames (0xB3), whatever they name
    int statusPolls = 0;    // valid status-poll reads
    int rejected = 0;       // sum of the reasons below
    int rejectedSync = 0;   // report does not begin with A2 A2 A2 A3
    int rejectedLength = 0; // declared length beyond what the device takes
    int rejectedCheck = 0;
    int rejectedEnd = 0;
    int rejectedAddress = 0; // device address byte other than 1
    int unsupported = 0;     // valid frames naming nothing the device has; acknowledged, nothing changes
    int restarts = 0;        // restarts after firmware stage 176
    int unanswered = 0;      // output reports ignored once the device stopped answering
};

// Thread-safe: the transport side (sessions, reports) runs on the link's worker or the socket server's thread
// while tests turn the knobs and read the state from their own thread.
//
// Reports: an output report is byte 0 = report id, then up to 312 frame bytes; a frame begins at byte 1 of
// a report and a longer one continues at byte 1 of the next. Each reply frame is cut into input reports the
// same way; a read with no reply ready gets an all-zero report.
class CSimDevice {
public:
    static constexpr std::string_view kIdentifier = "PIRKAVO-31EQ-V3.0";
    static constexpr std::size_t kIdentifierSize = 17;
    static constexpr std::size_t kMaxFrame = 4096;      // longest request the device assembles across reports
    static constexpr std::size_t kTraceLimit = 1 << 16; // frames kept in the trace; the oldest go first

    using Clock = std::chrono::steady_clock;
    using Listener = std::function<void(const std::string& line)>;

    CSimDevice();
    CSimDevice(const CSimDevice&) = delete;
    CSimDevice& operator=(const CSimDevice&) = delete;

    // --- Transport side -----------------------------------------------------------------------------------
    // A session is one open handle. Only one may be open (the device is opened without sharing); it dies when
    // the device goes away (unplug, restart) and stays dead even after the device is back. 0 = refused.
    std::uint64_t OpenSession();
    void CloseSession(std::uint64_t session);
    bool SessionAlive(std::uint64_t session);
    // False when the session is dead. Partial requests and unread replies are dropped when a session opens.
    bool WriteReport(std::uint64_t session, const Report& report);
    bool ReadReport(std::uint64_t session, Report& report);
    // When the next reply of a live session becomes readable (now or later); nothing when none is queued.
    std::optional<Clock::time_point> NextReplyAt(std::uint64_t session);

    // --- Knobs
    // ---------------------------------------------------------------------------------------------- A user
    // at the box: the master volume (also remembered for the current source's group), the input source, the
    // master output switch.
    void UserSetVolume(int volume);
    void UserSelectSource(int source);
    void UserSetOutput(bool on);
    // Answer the identifier request with this text (cut or zero-padded to 17 bytes).
    void SetIdentifier(std::string_view identifier);
    // The next n replies are lost: the request still takes effect.
    void DropReplies(int n);
    // Every reply becomes readable only this long after its request arrived.
    void SetReplyDelay(std::chrono::milliseconds delay);
    // The next n replies carry a wrong check byte.
    void CorruptChecks(int n);
    // The next n valid frames are answered with a repeat request (0x65) and not acted on.
    void RequestRepeats(int n);
    // The next n read requests are answered with a data reply without payload and not acted on.
    void AnswerEmpty(int n);
    // The next n output reports are taken as usual; every later one is ignored (no effect, no answer, not
    // traced) until this is set again. A negative n answers for ever, as a new device does. The count
    // survives sessions and restarts: the device hangs, it does not go away.
    void StopAnsweringAfter(int n);
    // 0xA3: replies start A2 A2 A2 A3; 0xEE: replies start with 0xEE and no sync bytes.
    void SetReplyStart(std::uint8_t start);
    // The device goes away (every session dies, queued replies are lost) and comes back.
    void Unplug();
    void PlugIn();
    bool IsPlugged();
    // How long the device stays away when it restarts after firmware stage 176.
    void SetRestartTime(std::chrono::milliseconds time);
    // Called with a one-line description of every frame received (also rejected ones), outside the lock.
    void SetListener(Listener listener);

    // --- State ---------------------------------------------------------------------------------------------
    SimState State() const;
    void ModifyState(const std::function<void(SimState&)>& change);
    std::vector<SimFrame> Trace() const;
    void ClearTrace();
    SimCounters Counters() const;
    SimFirmwareLog Firmware() const;
    std::string Identifier() const;

private:
    struct Reply {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        Clock::time_point readyAt;
        bool restartAfter = false; // the device restarts once the host has this reply
    };

    void RefreshPlugLocked();
    void GoAwayLocked();
    void ResetLinkLocked();
    void FeedLocked(std::span<const std::uint8_t> bytes, std::vector<std::string>& lines);
    void RejectLocked(Frame::Fault fault, std::vector<std::string>& lines);
    void HandleLocked(const SimFrame& frame);
    void HandleWriteLocked(const SimFrame& frame);
    void HandleReadLocked(const SimFrame& frame);
    void HandleSystemWriteLocked(const SimFrame& frame);
    void HandleSystemReadLocked(const SimFrame& frame);
    void HandleFirmwareLocked(const SimFrame& frame);
    void ReplyLocked(std::uint8_t command, const Frame::Header& request,
                     std::span<const std::uint8_t> payload, bool restartAfter = false);
    void UnsupportedLocked(const Frame::Header& request);
    void RestartLocked();

    mutable std::mutex m_mutex;
    SimState m_state;
    std::array<std::uint8_t, kIdentifierSize> m_identifier{};
    SimFirmwareLog m_firmware;
    SimCounters m_counters;
    std::deque<SimFrame> m_trace;
    Listener m_listener;

    // Link state.
    bool m_plugged = true;
    std::optional<Clock::time_point> m_backAt; // restarting: plugged in again from this time
    std::uint64_t m_nextSession = 1;
    std::uint64_t m_session = 0;         // the open session, 0 = none
    std::vector<std::uint8_t> m_partial; // a request spanning reports, collected so far
    std::size_t m_partialTotal = 0;
    std::deque<Reply> m_replies;

    // Knobs.
    int m_drop = 0;
    int m_corrupt = 0;
    int m_repeat = 0;
    int m_empty = 0;
    int m_answering = -1; // output reports still answered; negative: no limit
    std::chrono::milliseconds m_delay{0};
    std::chrono::milliseconds m_restartTime{0};
    std::uint8_t m_replyStart = Frame::kStartRequest;
};
