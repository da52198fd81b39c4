// Every message the program sends, byte for byte as it leaves in an output report.
#include "link/KTVCommand.h"
#include "link/LinkWorker.h"
#include "support/CollectingNotifier.h"
#include "support/ReplyFrames.h"
#include "support/ScriptedTransport.h"

#include <QtTest>

#include <cstring>
#include <functional>

using Builder = std::function<std::unique_ptr<SendData>(KTVCommand&)>;
Q_DECLARE_METATYPE(Builder)

namespace {

QByteArray Hex(const char* spaced) {
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

QByteArray Bytes(std::span<const std::uint8_t> b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// A pattern that differs between regions, so that a payload taken from the wrong place shows.
std::uint8_t Pattern(std::size_t i, int seed) {
    return static_cast<std::uint8_t>((i * 7 + 3 + seed * 31) & 0xFF);
}

// One link fixture: a model with known contents, the command object, a transport that acknowledges every
// frame, and a worker driven cycle by cycle on the test thread.
struct Rig {
    ModelGlobals g;
    CCollectingNotifier notifier;
    KTVCommand command{g, notifier};
    CScriptedTransport transport;
    CLinkWorker worker{command, transport, TimingProfile::Fast()};

    Rig() {
        transport.SetResponder([](const Report&) {
            const auto ack = ReplyFrames::Ack();
            return std::vector<Report>{CScriptedTransport::InputReport(ack)};
        });
        worker.OpenLink();

        OutputBlock& ch2 = g.liveImage.outputs[2];
        ch2.bands[5] = {1000, 650, 15, 0, 0};
        ch2.bands[30] = {20000, 600, 15, 0, 0};
        ch2.outputOn = 1;
        ch2.polarity = 0;
        ch2.gainCode = 60;
        ch2.delay = 96;
        ch2.highPass = {20, 2, 2};
        ch2.lowPass = {20000, 2, 2};
        ch2.mix[0] = 100;
        ch2.mix[8] = 7;
        ch2.limThreshold = 360;
        ch2.limAttack = 106;
        ch2.limRelease = 5;
        std::memcpy(ch2.name, "FL", 2);
        g.liveImage.outputs[5].bands[0] = {20, 600, 15, 0, 0};
        g.g_linkGroup[3] = 2; // channels 2 and 3 linked

        g.sourceVolumes = {50, 51, 52, 53, 54, 0, 0, 0};
        std::memcpy(g.Preset(2).name, "Bass           X", 16); // the 16th byte never travels
        std::memcpy(g.liveImage.name, "Live setup 0123Y", 16);
        g.systemBlock = {};
        g.systemBlock[0] = 3;
        g.systemBlock[2] = 42;
        g.systemBlock[4] = 2;
        g.systemBlock[5] = 1;
        g.systemBlock[7] = 1;
        const std::uint8_t speakers[12] = {1, 7, 5, 11, 15, 18, 0, 0, 0, 0, 0, 0};
        std::memcpy(&g.systemBlock[8], speakers, 12);
        for (int i = 0; i < 3; ++i)
            g.systemBlock[24 + 2 * i] = 200;
    }

    // Queues the packet, runs one cycle and returns the one report written.
    Report SendOne(std::unique_ptr<SendData> packet) {
        if (!packet)
            return {};
        command.Push(std::move(packet));
        worker.RunNormalCycle();
        const auto written = transport.Written();
        return written.size() == 1 ? written.front() : Report{};
    }
};

void CompareReport(const Report& report, const QByteArray& frame) {
    QCOMPARE(report[0], std::uint8_t{0});
    QCOMPARE(Bytes(std::span(report).subspan(1, static_cast<std::size_t>(frame.size()))).toHex(' '),
             frame.toHex(' '));
    const auto rest = std::span(report).subspan(1 + static_cast<std::size_t>(frame.size()));
    QVERIFY(std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; }));
}

} // namespace

class TestFrameBuilders : public QObject {
    Q_OBJECT

private slots:
    void catalogue_data();
    void catalogue();
    void wholeBlocks_data();
    void wholeBlocks();
    void markerByteOnlyForLiveIntoPreset();
    void invalidArgumentsBuildNothing();
    void firmwarePacketsCarryTheirStage();
};

void TestFrameBuilders::catalogue_data() {
    QTest::addColumn<Builder>("build");
    QTest::addColumn<QByteArray>("frame");

    auto slice = [](int type, int index, int s) {
        return Builder([=](KTVCommand& c) { return c.BuildSliceWrite(type, index, s); });
    };
    // Channel 2 is linked to channel 3: slices 0..30, 32 and 33 carry the link flag, 31 and 34..36 do not.
    QTest::newRow("EQ band 5, linked channel") << slice(3, 2, 5)
                                               << Hex("A2 A2 A2 A3 B3 01 00 03 02 05 01 00 08 00 "
                                                      "E8 03 8A 02 0F 00 00 00 D3 AA");
    QTest::newRow("EQ band 30, linked channel") << slice(3, 2, 30)
                                                << Hex("A2 A2 A2 A3 B3 01 00 03 02 1E 01 00 08 00 "
                                                       "20 4E 58 02 0F 00 00 00 9F AA");
    QTest::newRow("EQ band 0, unlinked channel") << slice(3, 5, 0)
                                                 << Hex("A2 A2 A2 A3 B3 01 00 03 05 00 00 00 08 00 "
                                                        "14 00 58 02 0F 00 00 00 FD AA");
    QTest::newRow("channel group 31, no link flag") << slice(3, 2, 31)
                                                    << Hex("A2 A2 A2 A3 B3 01 00 03 02 1F 00 00 08 00 "
                                                           "01 00 3C 00 60 00 00 00 F9 AA");
    QTest::newRow("crossover 32") << slice(3, 2, 32)
                                  << Hex("A2 A2 A2 A3 B3 01 00 03 02 20 01 00 08 00 "
                                         "14 00 02 02 20 4E 02 02 E0 AA");
    QTest::newRow("mix A 33")
        << slice(3, 2, 33) << Hex("A2 A2 A2 A3 B3 01 00 03 02 21 01 00 08 00 64 00 00 00 00 00 00 00 FF AA");
    QTest::newRow("mix B 34")
        << slice(3, 2, 34) << Hex("A2 A2 A2 A3 B3 01 00 03 02 22 00 00 08 00 07 00 00 00 00 00 00 00 9E AA");
    QTest::newRow("limiter 35")
        << slice(3, 2, 35) << Hex("A2 A2 A2 A3 B3 01 00 03 02 23 00 00 08 00 00 00 68 01 6A 05 00 00 9E AA");
    QTest::newRow("channel name 36") << slice(3, 2, 36)
                                     << Hex("A2 A2 A2 A3 B3 01 00 03 02 24 00 00 08 00 "
                                            "00 00 46 4C 00 00 00 00 95 AA");
    QTest::newRow("status poll")
        << slice(7, 0, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 03 00 00 00 08 00 00 00 00 00 00 00 00 00 BA AA");

    auto read = [](int preset, int type, int index, bool live) {
        return Builder([=](KTVCommand& c) { return c.BuildBlockRead(preset, type, index, live); });
    };
    QTest::newRow("block read, live image") << read(0, 3, 7, true)
                                            << Hex("A2 A2 A2 A3 B4 01 00 03 07 AB 00 00 08 00 "
                                                   "00 00 00 00 00 00 00 00 12 AA");
    QTest::newRow("block read, preset 3 into live image") << read(3, 3, 1, true)
                                                          << Hex("A2 A2 A2 A3 B4 01 03 03 01 00 00 00 08 00 "
                                                                 "00 00 00 00 00 00 00 00 BC AA");
    QTest::newRow("block read, preset 4 into its copy") << read(4, 3, 0, false)
                                                        << Hex("A2 A2 A2 A3 B4 01 04 03 00 AB 00 00 08 00 "
                                                               "00 00 00 00 00 00 00 00 11 AA");
    QTest::newRow("music block read, preset 2") << read(2, 2, 2, false)
                                                << Hex("A2 A2 A2 A3 B4 01 02 02 02 AB 00 00 08 00 "
                                                       "00 00 00 00 00 00 00 00 14 AA");

    auto sysWrite = [](int sub, int value) {
        return Builder([=](KTVCommand& c) { return c.BuildSystemWrite(sub, value); });
    };
    QTest::newRow("source volumes 48") << sysWrite(48, 0)
                                       << Hex("A2 A2 A2 A3 B3 01 00 04 30 00 00 00 08 00 "
                                              "32 33 34 35 36 00 00 00 B8 AA");
    QTest::newRow("preset name 134 of preset 2")
        << sysWrite(134, 2)
        << Hex("A2 A2 A2 A3 B3 01 02 04 86 00 00 00 10 00 "
               "42 61 73 73 20 20 20 20 20 20 20 20 20 20 20 00 21 AA");
    QTest::newRow("name 134 of the live settings")
        << sysWrite(134, 0)
        << Hex("A2 A2 A2 A3 B3 01 00 04 86 00 00 00 10 00 "
               "4C 69 76 65 20 73 65 74 75 70 20 30 31 32 33 00 71 AA");
    QTest::newRow("system block 144") << sysWrite(144, 0)
                                      << Hex("A2 A2 A2 A3 B3 01 00 04 90 00 00 00 08 00 "
                                             "03 00 2A 00 02 01 00 01 05 AA");
    QTest::newRow("speaker types 145") << sysWrite(145, 0)
                                       << Hex("A2 A2 A2 A3 B3 01 00 04 91 00 00 00 0C 00 "
                                              "01 07 05 0B 0F 12 00 00 00 00 00 00 3E AA");
    QTest::newRow("auxiliary values 146") << sysWrite(146, 0)
                                          << Hex("A2 A2 A2 A3 B3 01 00 04 92 00 00 00 08 00 "
                                                 "C8 00 C8 00 C8 00 00 00 E4 AA");
    QTest::newRow("factory reset 137") << sysWrite(137, 0)
                                       << Hex("A2 A2 A2 A3 B3 01 00 04 89 00 00 00 07 00 "
                                              "00 00 00 00 00 00 00 38 AA");

    auto sysRead = [](int sub, int value) {
        return Builder([=](KTVCommand& c) { return c.BuildSystemRead(sub, value); });
    };
    QTest::newRow("read 48")
        << sysRead(48, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 30 00 00 00 08 00 00 00 00 00 00 00 00 00 89 AA");
    QTest::newRow("read 64")
        << sysRead(64, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 40 00 00 00 08 00 00 00 00 00 00 00 00 00 F9 AA");
    QTest::newRow("read 134 of preset 5")
        << sysRead(134, 5) << Hex("A2 A2 A2 A3 B4 01 05 04 86 00 00 00 08 00 00 00 00 00 00 00 00 00 3A AA");
    QTest::newRow("read 136")
        << sysRead(136, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 88 00 00 00 08 00 00 00 00 00 00 00 00 00 31 AA");
    QTest::newRow("read 144")
        << sysRead(144, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 90 00 00 00 08 00 00 00 00 00 00 00 00 00 29 AA");
    QTest::newRow("read 145")
        << sysRead(145, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 91 00 00 00 08 00 00 00 00 00 00 00 00 00 28 AA");
    QTest::newRow("read 146")
        << sysRead(146, 0) << Hex("A2 A2 A2 A3 B4 01 00 04 92 00 00 00 08 00 00 00 00 00 00 00 00 00 2B AA");

    auto firmware = [](int stage, std::vector<std::uint8_t> bytes) {
        return Builder([=](KTVCommand& c) { return c.BuildFirmwareFrame(stage, bytes); });
    };
    QTest::newRow("firmware 176: sixteen zeros")
        << firmware(176, {})
        << Hex("A2 A2 A2 A3 B3 01 00 04 B0 00 00 00 10 00 "
               "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 16 AA");
    QTest::newRow("firmware 177: short head padded with FF")
        << firmware(177, {0x11, 0x22}) << Hex("A2 A2 A2 A3 B3 01 00 04 B1 00 00 00 04 00 11 22 FF FF 30 AA");
    QTest::newRow("firmware 179: check byte")
        << firmware(179, {0x5A}) << Hex("A2 A2 A2 A3 B3 01 00 04 B3 00 00 00 01 00 5A 5E AA");
    QTest::newRow("firmware 225: sixteen zeros")
        << firmware(225, {})
        << Hex("A2 A2 A2 A3 B3 01 00 04 E1 00 00 00 10 00 "
               "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 47 AA");
    QTest::newRow("firmware 226: 48-byte chunk, 2 bytes and padding")
        << firmware(226, {0x01, 0x02})
        << Hex("A2 A2 A2 A3 B3 01 00 04 E2 00 00 00 30 00 01 02 "
               "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF "
               "FF "
               "FF FF FF FF FF FF FF FF FF FF FF FF FF FF 67 AA");
}

void TestFrameBuilders::catalogue() {
    QFETCH(Builder, build);
    QFETCH(QByteArray, frame);
    Rig rig;
    const Report report = rig.SendOne(build(rig.command));
    CompareReport(report, frame);
    QCOMPARE(rig.command.Count(), 0); // acknowledged and removed
}

void TestFrameBuilders::wholeBlocks_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("fromLive");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("source"); // 0 the live image, p the copy of preset p

    QTest::newRow("live output block, linked channel 2")
        << 0 << 3 << 2 << true << Hex("A2 A2 A2 A3 B3 01 00 03 02 00 01 00 28 01") << 0;
    QTest::newRow("live output block 3 into preset 4")
        << 4 << 3 << 3 << true << Hex("A2 A2 A2 A3 B3 01 04 03 03 00 01 00 28 01") << 0;
    QTest::newRow("output block 6 of preset 5 from its copy")
        << 5 << 3 << 6 << false << Hex("A2 A2 A2 A3 B3 01 05 03 06 00 00 00 28 01") << 5;
    QTest::newRow("live music block")
        << 0 << 2 << 2 << true << Hex("A2 A2 A2 A3 B3 01 00 02 02 00 00 00 70 00") << 0;
    QTest::newRow("music block of preset 1 from its copy")
        << 1 << 2 << 2 << false << Hex("A2 A2 A2 A3 B3 01 01 02 02 00 00 00 70 00") << 1;
}

void TestFrameBuilders::wholeBlocks() {
    QFETCH(int, preset);
    QFETCH(int, type);
    QFETCH(int, index);
    QFETCH(bool, fromLive);
    QFETCH(QByteArray, header);
    QFETCH(int, source);

    Rig rig;
    rig.g.g_linkGroup = {0, 1, 2, 2, 4, 5, 6, 7};
    for (std::size_t i = 0; i < Layout::kImageSize; ++i) {
        rig.g.liveImage.Bytes()[i] = Pattern(i, 0);
        for (int p = 1; p <= 6; ++p)
            rig.g.Preset(p).Bytes()[i] = Pattern(i, p);
    }
    const std::size_t at = type == 3 ? 408 + 298 * static_cast<std::size_t>(index) : 296;
    const std::size_t n = type == 3 ? 296 : 112;
    QByteArray frame = header;
    for (std::size_t i = 0; i < n; ++i)
        frame.append(static_cast<char>(Pattern(at + i, source)));
    frame.append('\0');
    frame.append(static_cast<char>(0xAA));
    frame[frame.size() - 2] = static_cast<char>(ReplyFrames::Xor(std::span(
        reinterpret_cast<const std::uint8_t*>(frame.constData()), static_cast<std::size_t>(frame.size()))));

    const Report report = rig.SendOne(rig.command.BuildBlockWrite(preset, type, index, fromLive));
    QCOMPARE(rig.transport.Written().size(), std::size_t{1}); // one report, no empty one after it
    if (type == 3) {
        QCOMPARE(frame.size(), 312);
        QCOMPARE(report[312], std::uint8_t{0xAA});
    }
    CompareReport(report, frame);
}

void TestFrameBuilders::markerByteOnlyForLiveIntoPreset() {
    Rig rig;
    rig.g.liveImage.inputB[75] = 0;
    auto toLive = rig.command.BuildBlockWrite(0, 2, 2, true);
    QCOMPARE(toLive->Frame()[14 + 75], std::uint8_t{0});
    QCOMPARE(rig.g.liveImage.Bytes()[371], std::uint8_t{0});

    auto fromCopy = rig.command.BuildBlockWrite(3, 2, 2, false);
    QCOMPARE(fromCopy->Frame()[14 + 75], std::uint8_t{0});
    QCOMPARE(rig.g.liveImage.Bytes()[371], std::uint8_t{0});

    auto intoPreset = rig.command.BuildBlockWrite(3, 2, 2, true);
    QCOMPARE(intoPreset->Frame()[14 + 75], std::uint8_t{1});
    QCOMPARE(rig.g.liveImage.Bytes()[371], std::uint8_t{1}); // the live record keeps the marker
}

void TestFrameBuilders::invalidArgumentsBuildNothing() {
    Rig rig;
    QVERIFY(!rig.command.BuildSliceWrite(3, 8, 0));  // no channel 8
    QVERIFY(!rig.command.BuildSliceWrite(3, 0, 37)); // beyond the 296 transferred bytes
    QVERIFY(!rig.command.BuildSliceWrite(5, 0, 0));  // no block type 5
    QVERIFY(!rig.command.BuildBlockWrite(0, 10, 0, true));
    QVERIFY(!rig.command.BuildBlockWrite(21, 3, 0, false)); // preset copies are 1..20
    QVERIFY(!rig.command.BuildSystemWrite(136, 0));         // read-only field
    QVERIFY(!rig.command.BuildSystemWrite(134, 21));
    QVERIFY(!rig.command.BuildFirmwareFrame(180));
    QVERIFY(!rig.command.BuildFirmwareFrame(177, std::vector<std::uint8_t>(5, 0)));
    QVERIFY(!rig.command.BuildFirmwareFrame(178, std::vector<std::uint8_t>(297, 0)));
    QVERIFY(!rig.command.BuildFirmwareFrame(226, std::vector<std::uint8_t>(49, 0)));
}

void TestFrameBuilders::firmwarePacketsCarryTheirStage() {
    Rig rig;
    for (int stage : {176, 177, 178, 179, 224, 225, 226, 227}) {
        const auto packet = rig.command.BuildFirmwareFrame(stage);
        QVERIFY(packet);
        QCOMPARE(packet->firmwareStage, stage);
        QCOMPARE(packet->progressIndex, 0);
    }
    QCOMPARE(rig.command.BuildSystemWrite(144, 0)->firmwareStage, 0);
}

QTEST_APPLESS_MAIN(TestFrameBuilders)
#include "tst_FrameBuilders.moc"
