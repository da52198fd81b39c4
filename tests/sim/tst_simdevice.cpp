// The simulated device's answers, byte for byte, its memory, its rejections and its test knobs.
#include "sim/InProcessTransport.h"
#include "sim/SimDevice.h"
#include "support/HandFrames.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

using namespace HandFrames;
Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return b;
}

Bytes Text(const char* s, std::size_t size) {
    Bytes b(size, 0);
    for (std::size_t i = 0; s[i] && i < size; ++i)
        b[i] = static_cast<std::uint8_t>(s[i]);
    return b;
}

void Put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The 296 wire bytes of the factory output block, from the output block table.
Bytes FactoryOutputWire() {
    const unsigned freqs[31] = {20,   26,   33,   41,   51,   62,    81,    101,   124,  161,  201,
                                251,  316,  401,  501,  631,  801,   1001,  1251,  1601, 2001, 2501,
                                3151, 4001, 5001, 6299, 8001, 10001, 12501, 16001, 20000};
    Bytes b(296, 0);
    for (std::size_t k = 0; k < 31; ++k) {
        Put16(b, 8 * k, freqs[k]);
        Put16(b, 8 * k + 2, 600);
        Put16(b, 8 * k + 4, 15);
    }
    b[248] = 1;
    Put16(b, 250, 60);
    Put16(b, 256, 20);
    b[258] = 2;
    b[259] = 2;
    Put16(b, 260, 20000);
    b[262] = 2;
    b[263] = 2;
    b[264] = 100;
    Put16(b, 282, 360);
    b[284] = 106;
    b[285] = 5;
    for (std::size_t i = 290; i < 296; ++i)
        b[i] = ' ';
    return b;
}

Bytes EmptyPresetName() {
    Bytes b(16, ' ');
    b[15] = 0;
    return b;
}

// A device with an open session, exchanging reports the way the tool's link does.
struct Bench {
    std::shared_ptr<CSimDevice> device = std::make_shared<CSimDevice>();
    std::uint64_t session = device->OpenSession();

    // Writes the frame in 313-byte output reports (report id 0, then up to 312 frame bytes each).
    bool Send(const Bytes& frame) {
        for (std::size_t at = 0; at < frame.size(); at += 312) {
            Report r{};
            std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at),
                        std::min<std::size_t>(312, frame.size() - at), r.begin() + 1);
            if (!device->WriteReport(session, r))
                return false;
        }
        return true;
    }

    // The frame bytes of every non-empty input report waiting now, concatenated without the report ids and
    // without the zero padding after the last frame byte.
    Bytes Receive() {
        Bytes all;
        Report r{};
        while (device->ReadReport(session, r) &&
               std::any_of(r.begin(), r.end(), [](auto b) { return b != 0; })) {
            if (r[0] != 0)
                QTest::qFail("input report id is not 0", __FILE__, __LINE__);
            all.insert(all.end(), r.begin() + 1, r.end());
        }
        while (!all.empty() && all.back() == 0)
            all.pop_back();
        return all;
    }

    Bytes Exchange(const Bytes& frame) {
        if (!Send(frame))
            return {};
        return Receive();
    }
};

bool SameState(const SimState& a, const SimState& b) {
    return std::memcmp(&a.live, &b.live, sizeof a.live) == 0 &&
           std::memcmp(&a.presets, &b.presets, sizeof a.presets) == 0 && a.effects == b.effects &&
           a.system == b.system && a.sourceVolumes == b.sourceVolumes && a.currentPreset == b.currentPreset;
}

// Trailing zero padding is cut from received reports, so expected frames compare without it too.
Bytes Trimmed(Bytes b) {
    while (!b.empty() && b.back() == 0)
        b.pop_back();
    return b;
}

} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT

private slots:
    void testFrameHelperAgainstLiteralBytes();
    void answersEachMessageKind_data();
    void answersEachMessageKind();
    void readsBackWhatWasWritten_data();
    void readsBackWhatWasWritten();
    void sliceWriteChangesOnlyItsEightBytes();
    void presetReadIntoLiveLoadsThePreset();
    void factoryResetRestoresFactoryValues();
    void firmwareStagesAreRecordedAndStage176Restarts();
    void restartKeepsTheDeviceAwayForItsRestartTime();
    void malformedFramesAreRejectedAndCounted_data();
    void malformedFramesAreRejectedAndCounted();
    void frameSpanningTwoReportsIsAssembled();
    void unknownRequestsAreAcknowledgedAndChangeNothing_data();
    void unknownRequestsAreAcknowledgedAndChangeNothing();
    void survivesRandomReports();
    void userKnobsShowInTheStatusPoll();
    void identifierKnob();
    void dropKnobLosesRepliesButKeepsTheWrite();
    void delayKnobHoldsTheReply();
    void corruptKnobSpoilsOneCheckByte();
    void repeatKnobAsksAgainWithoutActing();
    void emptyKnobAnswersOneReadWithoutPayload();
    void directStartKnob();
    void stopKnobIgnoresEveryLaterReport();
    void unplugKillsTheSessionUntilReopened();
    void traceRecordsEveryFrameInOrder();
    void inProcessTransport();
};

void TestSimDevice::testFrameHelperAgainstLiteralBytes() {
    // The status poll and its factory answer (volume 60, output on, source 0), written out by hand.
    const Bytes poll{0xA2, 0xA2, 0xA2, 0xA3, 0xB4, 0x01, 0x00, 0x04, 0x03, 0x00, 0x00, 0x00,
                     0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xBA, 0xAA};
    const Bytes reply{0xA2, 0xA2, 0xA2, 0xA3, 0x66, 0x01, 0x00, 0x04, 0x03, 0x00, 0x00, 0x00,
                      0x08, 0x00, 0x3C, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x55, 0xAA};
    QCOMPARE(Read(0, 4, 3), poll);
    QCOMPARE(Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0}), reply);
    Bench bench;
    QCOMPARE(bench.Exchange(poll), reply);
}

void TestSimDevice::answersEachMessageKind_data() {
    QTest::addColumn<Bytes>("request");
    QTest::addColumn<Bytes>("reply");

    const Bytes block296 = Pattern(296, 3);
    const Bytes block112 = Pattern(112, 9);
    QTest::newRow("EQ band slice write") << Write(0, 3, 2, 5, Pattern(8, 1), 1) << Ack(0, 3, 2, 5);
    QTest::newRow("gain group slice write") << Write(0, 3, 2, 31, Pattern(8, 1)) << Ack(0, 3, 2, 31);
    QTest::newRow("name slice write") << Write(0, 3, 7, 36, Pattern(8, 1)) << Ack(0, 3, 7, 36);
    QTest::newRow("output block write, live") << Write(0, 3, 5, 0, block296, 1) << Ack(0, 3, 5, 0);
    QTest::newRow("output block write, preset 4") << Write(4, 3, 0, 0, block296) << Ack(4, 3, 0, 0);
    QTest::newRow("music input block write, preset 2") << Write(2, 2, 2, 0, block112) << Ack(2, 2, 2, 0);
    QTest::newRow("output block read 0xAB, live")
        << Read(0, 3, 1, 0xAB) << Data(0, 3, 1, 0xAB, FactoryOutputWire());
    QTest::newRow("output block read 0xAB, preset 6")
        << Read(6, 3, 7, 0xAB) << Data(6, 3, 7, 0xAB, FactoryOutputWire());
    QTest::newRow("output block read 0, preset 3")
        << Read(3, 3, 4, 0) << Data(3, 3, 4, 0, FactoryOutputWire());
    Bytes musicBlock(112, 0);
    for (std::size_t k = 0; k < 9; ++k) {
        Put16(musicBlock, 8 * k, 1000);
        Put16(musicBlock, 8 * k + 2, 600);
    }
    QTest::newRow("music input block read") << Read(0, 2, 2, 0xAB) << Data(0, 2, 2, 0xAB, musicBlock);
    QTest::newRow("read 48 source volumes")
        << Read(0, 4, 48) << Data(0, 4, 48, 0, {50, 50, 50, 50, 50, 0, 0, 0});
    QTest::newRow("read 64 current preset") << Read(0, 4, 64) << Data(0, 4, 64, 0, {0});
    QTest::newRow("read 134 name of preset 2") << Read(2, 4, 134) << Data(2, 4, 134, 0, EmptyPresetName());
    QTest::newRow("read 136 identifier")
        << Read(0, 4, 136) << Data(0, 4, 136, 0, Text("PIRKAVO-31EQ-V3.0", 17));
    QTest::newRow("read 144 system block")
        << Read(0, 4, 144) << Data(0, 4, 144, 0, {0, 0, 60, 0, 0, 1, 0, 0});
    QTest::newRow("read 145 speaker types")
        << Read(0, 4, 145) << Data(0, 4, 145, 0, {1, 7, 5, 11, 15, 18, 0, 0, 0, 0, 0, 0});
    QTest::newRow("read 146 auxiliary values")
        << Read(0, 4, 146) << Data(0, 4, 146, 0, {200, 0, 200, 0, 200, 0, 0, 0});
    QTest::newRow("status poll") << Read(0, 4, 3) << Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0});
    QTest::newRow("write 48") << Write(0, 4, 48, 0, {1, 2, 3, 4, 5, 6, 7, 8}) << Ack(0, 4, 48, 0);
    QTest::newRow("write 134 name of preset 5") << Write(5, 4, 134, 0, Text("Bass", 16)) << Ack(5, 4, 134, 0);
    QTest::newRow("write 144") << Write(0, 4, 144, 0, {2, 0, 33, 0, 4, 0, 0, 1}) << Ack(0, 4, 144, 0);
    QTest::newRow("write 145") << Write(0, 4, 145, 0, Pattern(12, 1)) << Ack(0, 4, 145, 0);
    QTest::newRow("write 146") << Write(0, 4, 146, 0, Pattern(8, 1)) << Ack(0, 4, 146, 0);
    QTest::newRow("factory reset 137") << Write(0, 4, 137, 0, Bytes(7, 0)) << Ack(0, 4, 137, 0);
    QTest::newRow("firmware 176") << Write(0, 4, 176, 0, Bytes(16, 0)) << Ack(0, 4, 176, 0);
    QTest::newRow("firmware 177") << Write(0, 4, 177, 0, {9, 9, 9, 9}) << Ack(0, 4, 177, 0);
    QTest::newRow("firmware 178") << Write(0, 4, 178, 0, block296) << Ack(0, 4, 178, 0);
    QTest::newRow("firmware 179") << Write(0, 4, 179, 0, {0x5A}) << Ack(0, 4, 179, 0);
    QTest::newRow("firmware 224") << Write(0, 4, 224, 0, Bytes(16, 0)) << Ack(0, 4, 224, 0);
    QTest::newRow("firmware 225") << Write(0, 4, 225, 0, Bytes(16, 0)) << Ack(0, 4, 225, 0);
    QTest::newRow("firmware 226") << Write(0, 4, 226, 0, Pattern(48, 2)) << Ack(0, 4, 226, 0);
    QTest::newRow("firmware 227") << Write(0, 4, 227, 0, {0x11}) << Ack(0, 4, 227, 0);
}

void TestSimDevice::answersEachMessageKind() {
    QFETCH(Bytes, request);
    QFETCH(Bytes, reply);
    Bench bench;
    QCOMPARE(bench.Exchange(request), Trimmed(reply));
    QCOMPARE(bench.Receive(), Bytes{}); // exactly one reply
    QCOMPARE(bench.device->Counters().accepted, 1);
    QCOMPARE(bench.device->Counters().rejected, 0);
    QCOMPARE(bench.device->Counters().unsupported, 0);
}

void TestSimDevice::readsBackWhatWasWritten_data() {
    QTest::addColumn<Bytes>("write");
    QTest::addColumn<Bytes>("read");
    QTest::addColumn<Bytes>("expected");

    const Bytes block = Pattern(296, 5);
    QTest::newRow("output block, live")
        << Write(0, 3, 3, 0, block) << Read(0, 3, 3, 0xAB) << Data(0, 3, 3, 0xAB, block);
    QTest::newRow("output block, preset 20")
        << Write(20, 3, 6, 0, block) << Read(20, 3, 6, 0xAB) << Data(20, 3, 6, 0xAB, block);
    const Bytes music = Pattern(112, 1);
    QTest::newRow("music block, preset 1")
        << Write(1, 2, 2, 0, music) << Read(1, 2, 2, 0xAB) << Data(1, 2, 2, 0xAB, music);
    const Bytes effect = Pattern(96, 4);
    QTest::newRow("effect block, record 25")
        << Write(25, 10, 0, 0, effect) << Read(25, 10, 0, 0xAB) << Data(25, 10, 0, 0xAB, effect);
    QTest::newRow("source volumes") << Write(0, 4, 48, 0, {10, 20, 30, 40, 50, 1, 2, 3}) << Read(0, 4, 48)
                                    << Data(0, 4, 48, 0, {10, 20, 30, 40, 50, 1, 2, 3});
    QTest::newRow("name of preset 3") << Write(3, 4, 134, 0, Text("ABCDEFGHIJKLMNO", 16)) << Read(3, 4, 134)
                                      << Data(3, 4, 134, 0, Text("ABCDEFGHIJKLMNO", 16));
    QTest::newRow("live name") << Write(0, 4, 134, 0, Text("Live", 16)) << Read(0, 4, 134)
                               << Data(0, 4, 134, 0, Text("Live", 16));
    QTest::newRow("system block") << Write(0, 4, 144, 0, {3, 9, 42, 0, 8, 0, 7, 1}) << Read(0, 4, 144)
                                  << Data(0, 4, 144, 0, {3, 9, 42, 0, 8, 0, 7, 1});
    QTest::newRow("speaker types") << Write(0, 4, 145, 0, Pattern(12, 7)) << Read(0, 4, 145)
                                   << Data(0, 4, 145, 0, Pattern(12, 7));
    QTest::newRow("auxiliary values")
        << Write(0, 4, 146, 0, Pattern(8, 3)) << Read(0, 4, 146) << Data(0, 4, 146, 0, Pattern(8, 3));
    QTest::newRow("status poll follows system write")
        << Write(0, 4, 144, 0, {4, 0, 17, 0, 0, 0, 0, 0}) << Read(0, 4, 3)
        << Data(0, 4, 3, 0, {17, 0, 4, 0, 0, 0, 0, 0});
    QTest::newRow("long system payload is cut to the field")
        << Write(0, 4, 146, 0, Pattern(20, 1)) << Read(0, 4, 146) << Data(0, 4, 146, 0, Pattern(8, 1));
}

void TestSimDevice::readsBackWhatWasWritten() {
    QFETCH(Bytes, write);
    QFETCH(Bytes, read);
    QFETCH(Bytes, expected);
    Bench bench;
    QVERIFY(!bench.Exchange(write).empty());
    QCOMPARE(bench.Exchange(read), Trimmed(expected));
}

void TestSimDevice::sliceWriteChangesOnlyItsEightBytes() {
    Bench bench;
    const Bytes slice{0x10, 0x27, 0xC8, 0x01, 0x20, 0x00, 0x01, 0x02};
    QCOMPARE(bench.Exchange(Write(0, 3, 4, 35, slice)), Ack(0, 3, 4, 35));
    Bytes expected = FactoryOutputWire();
    std::copy(slice.begin(), slice.end(), expected.begin() + 35 * 8);
    QCOMPARE(bench.Exchange(Read(0, 3, 4, 0xAB)), Data(0, 3, 4, 0xAB, expected));
    // Other channels and the stored presets are untouched.
    QCOMPARE(bench.Exchange(Read(0, 3, 3, 0xAB)), Data(0, 3, 3, 0xAB, FactoryOutputWire()));
    QCOMPARE(bench.Exchange(Read(1, 3, 4, 0xAB)), Data(1, 3, 4, 0xAB, FactoryOutputWire()));
    // Bytes 296..297 of the block never travel and stay as they were.
    const SimState s = bench.device->State();
    QCOMPARE(s.live.outputs[4].name[6], 0);
    QCOMPARE(s.live.outputs[4].name[7], 0);
}

void TestSimDevice::presetReadIntoLiveLoadsThePreset() {
    Bench bench;
    const Bytes stored = Pattern(296, 11);
    QVERIFY(!bench.Exchange(Write(3, 3, 7, 0, stored)).empty());
    // Read with byte 9 = 0xAB: the preset is only reported.
    QCOMPARE(bench.Exchange(Read(3, 3, 7, 0xAB)), Data(3, 3, 7, 0xAB, stored));
    QCOMPARE(bench.Exchange(Read(0, 3, 7, 0xAB)), Data(0, 3, 7, 0xAB, FactoryOutputWire()));
    QCOMPARE(bench.Exchange(Read(0, 4, 64)), Data(0, 4, 64, 0, {0}));
    // Byte 9 = 0: the preset's block becomes live and preset 3 is the current one.
    QCOMPARE(bench.Exchange(Read(3, 3, 7, 0)), Data(3, 3, 7, 0, stored));
    QCOMPARE(bench.Exchange(Read(0, 3, 7, 0xAB)), Data(0, 3, 7, 0xAB, stored));
    QCOMPARE(bench.Exchange(Read(0, 4, 64)), Data(0, 4, 64, 0, {3}));
}

void TestSimDevice::factoryResetRestoresFactoryValues() {
    Bench bench;
    const SimState factory = bench.device->State();
    QVERIFY(!bench.Exchange(Write(0, 3, 0, 0, Pattern(296, 1))).empty());
    QVERIFY(!bench.Exchange(Write(9, 3, 2, 0, Pattern(296, 2))).empty());
    QVERIFY(!bench.Exchange(Write(0, 4, 144, 0, Pattern(8, 3))).empty());
    QVERIFY(!bench.Exchange(Write(0, 4, 48, 0, Pattern(8, 4))).empty());
    QVERIFY(!bench.Exchange(Write(2, 4, 134, 0, Text("Bass", 16))).empty());
    QVERIFY(!bench.Exchange(Read(4, 3, 0, 0)).empty());
    QVERIFY(!SameState(bench.device->State(), factory));

    QCOMPARE(bench.Exchange(Write(0, 4, 137, 0, Bytes(7, 0))), Ack(0, 4, 137, 0));
    QVERIFY(SameState(bench.device->State(), factory));
    QCOMPARE(bench.Exchange(Read(2, 4, 134)), Data(2, 4, 134, 0, EmptyPresetName()));
    QCOMPARE(bench.Exchange(Read(9, 3, 2, 0xAB)), Data(9, 3, 2, 0xAB, FactoryOutputWire()));
}

void TestSimDevice::firmwareStagesAreRecordedAndStage176Restarts() {
    Bench bench;
    QCOMPARE(bench.Exchange(Write(0, 4, 176, 0, Bytes(16, 0))), Ack(0, 4, 176, 0));
    // The host has the acknowledgement; the device restarts: the old handle is dead, a new one opens.
    QCOMPARE(bench.device->Counters().restarts, 1);
    Report r{};
    QVERIFY(!bench.device->ReadReport(bench.session, r));
    QVERIFY(bench.device->IsPlugged());
    bench.session = bench.device->OpenSession();
    QVERIFY(bench.session != 0);

    const Bytes chunk1 = Pattern(296, 1);
    Bytes chunk2(296, 0xFF);
    chunk2[0] = 1;
    chunk2[1] = 2;
    chunk2[2] = 3;
    chunk2[3] = 4;
    QCOMPARE(bench.Exchange(Write(0, 4, 177, 0, {1, 1, 1, 1})), Ack(0, 4, 177, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 178, 0, chunk1)), Ack(0, 4, 178, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 178, 0, chunk2)), Ack(0, 4, 178, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 179, 0, {0x42})), Ack(0, 4, 179, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 224, 0, Bytes(16, 0))), Ack(0, 4, 224, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 225, 0, Bytes(16, 0))), Ack(0, 4, 225, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 226, 0, Pattern(48, 5))), Ack(0, 4, 226, 0));
    QCOMPARE(bench.Exchange(Write(0, 4, 227, 0, {0x42})), Ack(0, 4, 227, 0));
    QCOMPARE(bench.device->Counters().restarts, 1); // only stage 176 restarts the device

    const SimFirmwareLog log = bench.device->Firmware();
    QCOMPARE(log.stages, (Bytes{176, 177, 178, 178, 179, 224, 225, 226, 227}));
    QCOMPARE(log.dspHead, (Bytes{1, 1, 1, 1}));
    Bytes dsp = chunk1;
    dsp.insert(dsp.end(), chunk2.begin(), chunk2.end());
    QCOMPARE(log.dsp, dsp);
    QCOMPARE(log.dspCheck, std::optional<std::uint8_t>(0x42));
    QCOMPARE(log.controller, Pattern(48, 5));
    QCOMPARE(log.controllerCheck, std::optional<std::uint8_t>(0x42));
}

void TestSimDevice::restartKeepsTheDeviceAwayForItsRestartTime() {
    Bench bench;
    bench.device->SetRestartTime(std::chrono::hours{1});
    QCOMPARE(bench.Exchange(Write(0, 4, 176, 0, Bytes(16, 0))), Ack(0, 4, 176, 0));
    QVERIFY(!bench.device->IsPlugged());
    QCOMPARE(bench.device->OpenSession(), 0u);
    bench.device->PlugIn();
    QVERIFY(bench.device->OpenSession() != 0);

    // A restart whose acknowledgement is lost still happens.
    Bench lost;
    lost.device->DropReplies(1);
    QCOMPARE(lost.Exchange(Write(0, 4, 176, 0, Bytes(16, 0))), Bytes{});
    QCOMPARE(lost.device->Counters().restarts, 1);
    QVERIFY(!lost.device->SessionAlive(lost.session));
}

void TestSimDevice::malformedFramesAreRejectedAndCounted_data() {
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<int>("sync");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("check");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("address");

    Bytes badCheck = Read(0, 4, 3);
    badCheck[22] ^= 0x01;
    Bytes badEnd = Read(0, 4, 3);
    badEnd[23] = 0xAB;
    Bytes badAddress = Read(0, 4, 3);
    badAddress[5] = 2;
    badAddress[22] ^= 0x03; // check byte made right again
    Bytes fourSync = Read(0, 4, 3);
    fourSync.insert(fourSync.begin(), 0xA2);
    Bytes badStart = Read(0, 4, 3);
    badStart[3] = 0xEE;
    Bytes tooLong = Read(0, 4, 3);
    tooLong[12] = 0xFF;
    tooLong[13] = 0xFF;
    Bytes shortPayload = Read(0, 4, 3); // declares 6 bytes, carries 8: the end byte is not where it says
    shortPayload[12] = 6;

    QTest::newRow("check byte") << badCheck << 0 << 0 << 1 << 0 << 0;
    QTest::newRow("end byte") << badEnd << 0 << 0 << 0 << 1 << 0;
    QTest::newRow("length shorter than payload") << shortPayload << 0 << 0 << 0 << 1 << 0;
    QTest::newRow("address 2") << badAddress << 0 << 0 << 0 << 0 << 1;
    QTest::newRow("four sync bytes") << fourSync << 1 << 0 << 0 << 0 << 0;
    QTest::newRow("start byte 0xEE") << badStart << 1 << 0 << 0 << 0 << 0;
    QTest::newRow("garbage") << Bytes{0x01, 0x02, 0x03} << 1 << 0 << 0 << 0 << 0;
    QTest::newRow("length 65535") << tooLong << 0 << 1 << 0 << 0 << 0;
}

void TestSimDevice::malformedFramesAreRejectedAndCounted() {
    QFETCH(Bytes, bytes);
    QFETCH(int, sync);
    QFETCH(int, length);
    QFETCH(int, check);
    QFETCH(int, end);
    QFETCH(int, address);
    Bench bench;
    QCOMPARE(bench.Exchange(bytes), Bytes{}); // no answer
    const SimCounters c = bench.device->Counters();
    QCOMPARE(c.rejectedSync, sync);
    QCOMPARE(c.rejectedLength, length);
    QCOMPARE(c.rejectedCheck, check);
    QCOMPARE(c.rejectedEnd, end);
    QCOMPARE(c.rejectedAddress, address);
    QCOMPARE(c.rejected, 1);
    QCOMPARE(c.accepted, 0);
    QVERIFY(bench.device->Trace().empty());
    // The next good frame is answered as usual.
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0}));
}

void TestSimDevice::frameSpanningTwoReportsIsAssembled() {
    Bench bench;
    const Bytes payload = Pattern(400, 1); // 416 bytes: 312 in the first report, 104 in the second
    QCOMPARE(bench.Exchange(Write(0, 4, 48, 0, payload)), Ack(0, 4, 48, 0));
    QCOMPARE(bench.Exchange(Read(0, 4, 48)), Data(0, 4, 48, 0, Pattern(8, 1)));
    QCOMPARE(bench.device->Counters().rejected, 0);
    QCOMPARE(bench.device->Trace().front().payload, payload);

    // Empty reports between frames are not frames.
    Report empty{};
    QVERIFY(bench.device->WriteReport(bench.session, empty));
    QCOMPARE(bench.Receive(), Bytes{});
    QCOMPARE(bench.device->Counters().rejected, 0);
}

void TestSimDevice::unknownRequestsAreAcknowledgedAndChangeNothing_data() {
    QTest::addColumn<Bytes>("request");
    QTest::addColumn<Bytes>("reply");
    QTest::newRow("unknown command") << Make(0x99, 0, 3, 0, 0, 0, Bytes(8, 1))
                                     << Make(0x64, 0, 3, 0, 0, 0, {});
    QTest::newRow("preset 21 of an output block") << Write(21, 3, 0, 0, Pattern(296, 1)) << Ack(21, 3, 0, 0);
    QTest::newRow("read of preset 200") << Read(200, 3, 0, 0xAB) << Ack(200, 3, 0, 0xAB);
    QTest::newRow("channel 8") << Write(0, 3, 8, 0, Pattern(296, 1)) << Ack(0, 3, 8, 0);
    QTest::newRow("slice 37") << Write(0, 3, 0, 37, Pattern(8, 1)) << Ack(0, 3, 0, 37);
    QTest::newRow("odd payload length") << Write(0, 3, 0, 0, Pattern(100, 1)) << Ack(0, 3, 0, 0);
    QTest::newRow("block type 7") << Read(0, 7, 0) << Ack(0, 7, 0, 0);
    QTest::newRow("write of the identifier") << Write(0, 4, 136, 0, Pattern(17, 1)) << Ack(0, 4, 136, 0);
    QTest::newRow("write of the current preset") << Write(0, 4, 64, 0, {5}) << Ack(0, 4, 64, 0);
    QTest::newRow("read of sub-code 99") << Read(0, 4, 99) << Ack(0, 4, 99, 0);
    QTest::newRow("name of preset 21") << Write(21, 4, 134, 0, Text("X", 16)) << Ack(21, 4, 134, 0);
}

void TestSimDevice::unknownRequestsAreAcknowledgedAndChangeNothing() {
    QFETCH(Bytes, request);
    QFETCH(Bytes, reply);
    Bench bench;
    const SimState before = bench.device->State();
    QCOMPARE(bench.Exchange(request), reply);
    QCOMPARE(bench.device->Counters().unsupported, 1);
    QVERIFY(SameState(bench.device->State(), before));
}

void TestSimDevice::survivesRandomReports() {
    Bench bench;
    QRandomGenerator rng(4711);
    for (int i = 0; i < 3000; ++i) {
        Report r{};
        const int kind = i % 3;
        for (std::size_t k = 1; k < r.size(); ++k)
            r[k] = static_cast<std::uint8_t>(rng.bounded(256));
        if (kind > 0) { // a plausible header with random fields and length
            r[1] = r[2] = r[3] = 0xA2;
            r[4] = 0xA3;
            r[6] = 1;
            r[14] = kind == 1 ? static_cast<std::uint8_t>(rng.bounded(2)) : r[14];
        }
        QVERIFY(bench.device->WriteReport(bench.session, r));
        bench.Receive();
    }
    // Whatever a long frame swallowed is bounded: a few empty reports later the device listens again.
    for (int i = 0; i < 16; ++i)
        QVERIFY(bench.device->WriteReport(bench.session, Report{}));
    bench.Receive();
    QCOMPARE(bench.Exchange(Read(0, 4, 136)), Data(0, 4, 136, 0, Text("PIRKAVO-31EQ-V3.0", 17)));
}

void TestSimDevice::userKnobsShowInTheStatusPoll() {
    Bench bench;
    bench.device->UserSelectSource(5);
    bench.device->UserSetVolume(23);
    bench.device->UserSetOutput(false);
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Data(0, 4, 3, 0, {23, 0, 5, 0, 0, 0, 0, 0}));
    // The volume is remembered for the player's group (4).
    QCOMPARE(bench.Exchange(Read(0, 4, 48)), Data(0, 4, 48, 0, {50, 50, 50, 50, 23, 0, 0, 0}));
    QCOMPARE(bench.Exchange(Read(0, 4, 144)), Data(0, 4, 144, 0, {5, 0, 23, 0, 0, 0, 0, 0}));
}

void TestSimDevice::identifierKnob() {
    Bench bench;
    bench.device->SetIdentifier("OTHER-BOX-V1");
    QCOMPARE(bench.Exchange(Read(0, 4, 136)), Data(0, 4, 136, 0, Text("OTHER-BOX-V1", 17)));
    bench.device->SetIdentifier("PIRKAVO-31EQ-V3.0-and-more");
    QCOMPARE(bench.Exchange(Read(0, 4, 136)), Data(0, 4, 136, 0, Text("PIRKAVO-31EQ-V3.0", 17)));
}

void TestSimDevice::dropKnobLosesRepliesButKeepsTheWrite() {
    Bench bench;
    bench.device->DropReplies(2);
    QCOMPARE(bench.Exchange(Write(0, 4, 48, 0, {1, 2, 3, 4, 5, 0, 0, 0})), Bytes{});
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Bytes{});
    QCOMPARE(bench.Exchange(Read(0, 4, 48)), Data(0, 4, 48, 0, {1, 2, 3, 4, 5, 0, 0, 0}));
}

void TestSimDevice::delayKnobHoldsTheReply() {
    using namespace std::chrono;
    Bench bench;
    const milliseconds delay{300};
    bench.device->SetReplyDelay(delay);
    const auto start = steady_clock::now();
    QVERIFY(bench.Send(Read(0, 4, 3)));
    const Bytes early = bench.Receive();
    if (steady_clock::now() - start < delay)
        QCOMPARE(early, Bytes{});
    auto ready = [&] {
        const auto at = bench.device->NextReplyAt(bench.session);
        return at && *at <= steady_clock::now();
    };
    QTRY_VERIFY_WITH_TIMEOUT(ready(), 10000);
    const Bytes reply = bench.Receive();
    QVERIFY(steady_clock::now() - start >= delay);
    QCOMPARE(reply, Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0}));
}

void TestSimDevice::corruptKnobSpoilsOneCheckByte() {
    Bench bench;
    bench.device->CorruptChecks(1);
    Bytes spoilt = Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0});
    spoilt[spoilt.size() - 2] ^= 0xFF;
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), spoilt);
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0}));
}

void TestSimDevice::repeatKnobAsksAgainWithoutActing() {
    Bench bench;
    bench.device->RequestRepeats(1);
    const Bytes write = Write(0, 4, 48, 0, {9, 9, 9, 9, 9, 0, 0, 0});
    QCOMPARE(bench.Exchange(write), Make(0x65, 0, 4, 48, 0, 0, {}));
    QCOMPARE(bench.device->State().sourceVolumes[0], 50);
    QCOMPARE(bench.Exchange(write), Ack(0, 4, 48, 0));
    QCOMPARE(bench.device->State().sourceVolumes[0], 9);
}

void TestSimDevice::emptyKnobAnswersOneReadWithoutPayload() {
    Bench bench;
    bench.device->AnswerEmpty(1);
    QCOMPARE(bench.Exchange(Write(0, 4, 144, 0, {1, 0, 40, 0, 0, 1, 0, 0})),
             Ack(0, 4, 144, 0)); // writes unaffected
    QCOMPARE(bench.Exchange(Read(3, 3, 0, 0)), Data(3, 3, 0, 0, {}));
    QCOMPARE(bench.device->State().currentPreset, 0); // the read did not act
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Data(0, 4, 3, 0, {40, 1, 1, 0, 0, 0, 0, 0}));
}

void TestSimDevice::directStartKnob() {
    Bench bench;
    bench.device->SetReplyStart(0xEE);
    Bytes direct = Make(0x64, 0, 3, 0, 31, 0, {}, 0xEE);
    direct.erase(direct.begin(), direct.begin() + 3);
    QCOMPARE(direct.front(), 0xEE);
    QCOMPARE(bench.Exchange(Write(0, 3, 0, 31, Pattern(8, 1))), direct);
}

// After its last answered report the device takes nothing more, in this session or the next, until told.
void TestSimDevice::stopKnobIgnoresEveryLaterReport() {
    Bench bench;
    bench.device->StopAnsweringAfter(2);
    QCOMPARE(bench.Exchange(Write(0, 4, 48, 0, {1, 2, 3, 4, 5, 0, 0, 0})), Ack(0, 4, 48, 0));
    QCOMPARE(bench.Exchange(Read(0, 4, 48)), Data(0, 4, 48, 0, {1, 2, 3, 4, 5, 0, 0, 0}));
    QCOMPARE(bench.Exchange(Write(0, 4, 48, 0, {7, 7, 7, 7, 7, 0, 0, 0})), Bytes{});
    QCOMPARE(bench.device->State().sourceVolumes[0], 1); // not acted on
    bench.device->CloseSession(bench.session);
    bench.session = bench.device->OpenSession();
    QVERIFY(bench.session != 0);
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Bytes{});
    QCOMPARE(bench.device->Counters().unanswered, 2);
    QCOMPARE(bench.device->Trace().size(), std::size_t{2});

    bench.device->StopAnsweringAfter(-1);
    QCOMPARE(bench.Exchange(Read(0, 4, 48)), Data(0, 4, 48, 0, {1, 2, 3, 4, 5, 0, 0, 0}));
}

void TestSimDevice::unplugKillsTheSessionUntilReopened() {
    Bench bench;
    QVERIFY(bench.Send(Read(0, 4, 3)));        // a reply waits when the device goes
    QCOMPARE(bench.device->OpenSession(), 0u); // opened without sharing
    bench.device->Unplug();
    Report r{};
    QVERIFY(!bench.device->ReadReport(bench.session, r));
    QVERIFY(!bench.device->WriteReport(bench.session, r));
    QCOMPARE(bench.device->OpenSession(), 0u);
    bench.device->PlugIn();
    QVERIFY(!bench.device->ReadReport(bench.session, r)); // the old handle stays dead
    bench.session = bench.device->OpenSession();
    QVERIFY(bench.session != 0);
    QCOMPARE(bench.Receive(), Bytes{}); // the reply went with the device
    QCOMPARE(bench.Exchange(Read(0, 4, 3)), Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0}));
}

void TestSimDevice::traceRecordsEveryFrameInOrder() {
    Bench bench;
    std::vector<std::string> lines;
    bench.device->SetListener([&](const std::string& line) { lines.push_back(line); });
    bench.Exchange(Write(0, 3, 2, 31, {1, 0, 60, 0, 0, 0, 0, 0}, 1));
    Bytes bad = Read(0, 4, 3);
    bad[22] ^= 1;
    bench.Exchange(bad);
    bench.Exchange(Read(4, 4, 134));

    const std::vector<SimFrame> trace = bench.device->Trace();
    QCOMPARE(trace.size(), 2u);
    QCOMPARE(trace[0].header.command, 0xB3);
    QCOMPARE(trace[0].header.type, 3);
    QCOMPARE(trace[0].header.index, 2);
    QCOMPARE(trace[0].header.slice, 31);
    QCOMPARE(trace[0].header.link, 1);
    QCOMPARE(trace[0].payload, (Bytes{1, 0, 60, 0, 0, 0, 0, 0}));
    QCOMPARE(trace[1].header.command, 0xB4);
    QCOMPARE(trace[1].header.preset, 4);
    QCOMPARE(trace[1].header.index, 134);

    QCOMPARE(lines.size(), 3u);
    QCOMPARE(lines[0], "write preset=0 type=3 index=2 slice=31 link=1 N=8 : 01 00 3c 00 00 00 00 00");
    QCOMPARE(lines[1], "rejected: check byte");
    QCOMPARE(lines[2], "read preset=4 type=4 index=134 slice=0 link=0 N=8 : 00 00 00 00 00 00 00 00");

    // Counted apart from the trace: one write; the spoilt poll is no poll, a good one is.
    QCOMPARE(bench.device->Counters().writes, 1);
    QCOMPARE(bench.device->Counters().statusPolls, 0);
    bench.Exchange(Read(0, 4, 3));
    QCOMPARE(bench.device->Counters().statusPolls, 1);

    bench.device->ClearTrace();
    QVERIFY(bench.device->Trace().empty());
}

void TestSimDevice::inProcessTransport() {
    auto device = std::make_shared<CSimDevice>();
    CInProcessTransport transport(device);
    Report r{};
    QVERIFY(!transport.IsOpen());
    QVERIFY(!transport.WriteReport(r));
    QVERIFY(transport.DevicePath().empty());
    QVERIFY(transport.Open());
    QCOMPARE(transport.DevicePath(), "sim");

    CInProcessTransport second(device);
    QVERIFY(!second.Open()); // the device is opened without sharing

    r.fill(0xCC);
    QVERIFY(transport.ReadReport(r)); // nothing waiting: an all-zero report
    QVERIFY(std::all_of(r.begin(), r.end(), [](auto b) { return b == 0; }));

    const Bytes poll = Read(0, 4, 3);
    std::copy(poll.begin(), poll.end(), r.begin() + 1);
    QVERIFY(transport.WriteReport(r));
    QVERIFY(transport.ReadReport(r));
    const Bytes reply = Data(0, 4, 3, 0, {60, 1, 0, 0, 0, 0, 0, 0});
    QVERIFY(std::equal(reply.begin(), reply.end(), r.begin() + 1));

    device->Unplug();
    QVERIFY(!transport.ReadReport(r));
    QVERIFY(!transport.WriteReport(r));
    QVERIFY(!transport.Open());
    device->PlugIn();
    QVERIFY(!transport.ReadReport(r));
    QVERIFY(transport.Open());
    QVERIFY(transport.ReadReport(r));

    transport.Close();
    QVERIFY(!transport.IsOpen());
    QVERIFY(second.Open());
}

QTEST_APPLESS_MAIN(TestSimDevice)
#include "tst_simdevice.moc"
