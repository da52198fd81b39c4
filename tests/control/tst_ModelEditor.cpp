// The edit entry point: which channels every kind of edit changes and marks, crossover and link operations.
#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/Session.h"
#include "model/KTV_Data.h"
#include "model/SystemSettings.h"

#include <QSignalSpy>
#include <QTest>

#include <array>
#include <cmath>
#include <functional>
#include <set>

namespace {

// One kind of edit, made on channel 0 with channels 0 and 1 linked and 2 not.
struct EditCase {
    const char* name;
    ChannelEdit edit;
    std::function<void(CKTV_Data&)> setUp; // on the model directly, before anything is connected or linked
    std::function<void(CModelEditor&)> apply;
    std::function<QString(const CKTV_OutData&)> value; // what the edit changes
    std::function<bool(const CKTV_OutData&)> mark;     // the mark it sets while connected
    std::set<int> changed;                             // channels whose value changes
    std::set<int> marked;                              // channels marked while connected
};

QString Num(int v) {
    return QString::number(v);
}

const std::array<int, CKTV_OutData::kMixInputs> kMixRow{10, 20, 30, 77, 50, 60, 0, 0, 0, 0, 0, 0};

void BandFiveAudible(CKTV_Data& data) {
    for (int c = 0; c < 3; ++c)
        data.Channel(c).Band(5).SetGainCode(230);
}

// Band 5 a +3 dB low shelf of 12 dB/Oct at 300 Hz, band 6 a -2 dB peak switched off, the others flat.
std::array<BandSetting, Layout::kBands> ShelfAndOffPeak() {
    std::array<BandSetting, Layout::kBands> bands{};
    for (int k = 0; k < Layout::kBands; ++k)
        bands[static_cast<std::size_t>(k)].freq = kIsoThirdOctave[static_cast<std::size_t>(k)];
    bands[5] = {CFilter::LowShelf, 1, 300, 15, 230, false};
    bands[6] = {CFilter::Peak, 0, 2500, 40, 180, true};
    return bands;
}

QString BandText(const CFilter& f) {
    return QStringLiteral("%1/%2/%3/%4/%5/%6")
        .arg(f.GetKind())
        .arg(f.GetSlope())
        .arg(f.GetFreq())
        .arg(f.GetQIndex())
        .arg(f.GetGainCode())
        .arg(f.GetEffectiveBypass());
}

const std::vector<EditCase>& Cases() {
    static const std::vector<EditCase> cases{
        {"gain",
         ChannelEdit::Gain,
         {},
         [](CModelEditor& e) { e.SetChannelGain(0, 31); },
         [](const CKTV_OutData& ch) { return Num(ch.GetGainCode()); },
         [](const CKTV_OutData& ch) { return ch.GetGainPending() != 0; },
         {0, 1},
         {0, 1}},
        {"gain off",
         ChannelEdit::Gain,
         {},
         [](CModelEditor& e) { e.SetChannelGain(0, 0); },
         [](const CKTV_OutData& ch) { return Num(ch.GetGainOff()); },
         [](const CKTV_OutData& ch) { return ch.GetGainPending() != 0; },
         {0, 1},
         {0, 1}},
        {"mute",
         ChannelEdit::OutputOn,
         {},
         [](CModelEditor& e) { e.SetOutputOn(0, 0); },
         [](const CKTV_OutData& ch) { return Num(ch.GetOutputOn()); },
         [](const CKTV_OutData& ch) { return ch.GetGainPending() != 0; },
         {0},
         {0}},
        // Polarity stays per channel, but the linked channel's gain group is sent again with it.
        {"polarity",
         ChannelEdit::Polarity,
         {},
         [](CModelEditor& e) { e.SetPolarity(0, 1); },
         [](const CKTV_OutData& ch) { return Num(ch.GetPolarity()); },
         [](const CKTV_OutData& ch) { return ch.GetGainPending() != 0; },
         {0},
         {0, 1}},
        {"delay",
         ChannelEdit::Delay,
         {},
         [](CModelEditor& e) { e.SetDelay(0, 240); },
         [](const CKTV_OutData& ch) { return Num(ch.GetDelay()); },
         [](const CKTV_OutData& ch) { return ch.GetGainPending() != 0; },
         {0},
         {0}},
        {"EQ mode",
         ChannelEdit::EqMode,
         {},
         [](CModelEditor& e) { e.SetEqMode(0, 1); },
         [](const CKTV_OutData& ch) { return Num(ch.GetEqMode()) + Num(ch.Band(3).GetGeqMode()); },
         [](const CKTV_OutData& ch) { return ch.GetGainPending() != 0; },
         {0, 1},
         {0, 1}},
        {"name",
         ChannelEdit::Name,
         {},
         [](CModelEditor& e) { QVERIFY(e.SetName(0, QStringLiteral("Tweet"))); },
         [](const CKTV_OutData& ch) { return ch.GetName(); },
         [](const CKTV_OutData& ch) { return ch.GetNamePending() != 0; },
         {0},
         {0}},
        {"band frequency",
         ChannelEdit::BandFreq,
         {},
         [](CModelEditor& e) { e.SetBandFreq(0, 5, 1234); },
         [](const CKTV_OutData& ch) { return Num(ch.Band(5).GetFreq()); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0; },
         {0, 1},
         {0, 1}},
        {"band bandwidth",
         ChannelEdit::BandBandwidth,
         {},
         [](CModelEditor& e) { e.SetBandBandwidth(0, 5, 40); },
         [](const CKTV_OutData& ch) { return Num(ch.Band(5).GetQIndex()); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0; },
         {0, 1},
         {0, 1}},
        {"band gain",
         ChannelEdit::BandGain,
         {},
         [](CModelEditor& e) { e.SetBandGain(0, 5, 230); },
         [](const CKTV_OutData& ch) { return Num(ch.Band(5).GetGainCode()); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0; },
         {0, 1},
         {0, 1}},
        {"band moved on the graph",
         ChannelEdit::BandGain,
         {},
         [](CModelEditor& e) { e.MoveBand(0, 5, 700, 250); },
         [](const CKTV_OutData& ch) { return Num(ch.Band(5).GetFreq()) + Num(ch.Band(5).GetGainCode()); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0; },
         {0, 1},
         {0, 1}},
        {"band bypass",
         ChannelEdit::BandBypass,
         BandFiveAudible,
         [](CModelEditor& e) { e.SetBandBypass(0, 5, 1); },
         [](const CKTV_OutData& ch) { return Num(ch.Band(5).GetEffectiveBypass()); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0; },
         {0, 1},
         {0, 1}},
        // All-bypass marks no slice: the blocks of the group are queued whole instead.
        {"all bypass",
         ChannelEdit::AllBypass,
         BandFiveAudible,
         [](CModelEditor& e) { QVERIFY(e.SetAllBypass(0, true)); },
         [](const CKTV_OutData& ch) { return Num(ch.Band(5).GetEffectiveBypass()); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0; },
         {0, 1},
         {}},
        {"high-pass family",
         ChannelEdit::XoverFamily,
         {},
         [](CModelEditor& e) { e.SetXoverFamily(0, Xover::HighPass, 1); },
         [](const CKTV_OutData& ch) { return Num(ch.Filters().HighPass().GetFamily()); },
         [](const CKTV_OutData& ch) { return ch.XoverPending(); },
         {0, 1},
         {0, 1}},
        {"low-pass slope",
         ChannelEdit::XoverSlope,
         {},
         [](CModelEditor& e) { e.SetXoverSlope(0, Xover::LowPass, 5); },
         [](const CKTV_OutData& ch) { return Num(ch.Filters().LowPass().GetSlope()); },
         [](const CKTV_OutData& ch) { return ch.XoverPending(); },
         {0, 1},
         {0, 1}},
        {"high-pass corner",
         ChannelEdit::XoverFreq,
         {},
         [](CModelEditor& e) { QCOMPARE(e.SetXoverFreq(0, Xover::HighPass, 300), 300); },
         [](const CKTV_OutData& ch) { return Num(ch.Filters().HighPass().GetFreq()); },
         [](const CKTV_OutData& ch) { return ch.XoverPending(); },
         {0, 1},
         {0, 1}},
        {"every band",
         ChannelEdit::Bands,
         {},
         [](CModelEditor& e) { e.SetBands(0, ShelfAndOffPeak()); },
         [](const CKTV_OutData& ch) { return BandText(ch.Band(5)) + BandText(ch.Band(6)); },
         [](const CKTV_OutData& ch) { return ch.Band(5).GetPending() != 0 && ch.Band(6).GetPending() != 0; },
         {0, 1},
         {0, 1}},
        {"routing",
         ChannelEdit::Mix,
         {},
         [](CModelEditor& e) { e.SetMix(0, kMixRow); },
         [](const CKTV_OutData& ch) { return Num(ch.GetMix(3)) + Num(ch.GetMix(0)); },
         [](const CKTV_OutData& ch) { return ch.GetMixPendingA() != 0; },
         {0, 1},
         {0, 1}},
    };
    return cases;
}

SessionOptions Offline() {
    SessionOptions options;
    options.device = DeviceOption{DeviceOption::Kind::Sim, {}};
    options.timing = TimingProfile::Fast();
    return options;
}

std::set<int> Channels(const QSignalSpy& spy) {
    std::set<int> out;
    for (const QList<QVariant>& args : spy)
        out.insert(args.at(0).toInt());
    return out;
}

} // namespace

class TestModelEditor : public QObject {
    Q_OBJECT

private slots:
    void copyRules_data();
    void copyRules();
    void everyEditKindHasItsRule();
    void lowPassNeverBelowHighPass_data();
    void lowPassNeverBelowHighPass();
    void allBypassOffWithEveryBandFlatStaysOn();
    void linkPairsCopiesTheReference();
    void linkWithoutPairRefused();
    void unlinkAndReloadEndTheLink();
    void eqResetTakesThePartnerWhileLinked();
    void valuesOutsideTheirRangeAreClamped();
    void everyBandSetLeavesAllBypass();
};

void TestModelEditor::copyRules_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("connected");
    for (std::size_t i = 0; i < Cases().size(); ++i) {
        QTest::addRow("%s, disconnected", Cases()[i].name) << static_cast<int>(i) << false;
        QTest::addRow("%s, connected", Cases()[i].name) << static_cast<int>(i) << true;
    }
}

void TestModelEditor::copyRules() {
    QFETCH(int, index);
    QFETCH(bool, connected);
    const EditCase& c = Cases()[static_cast<std::size_t>(index)];

    CSession session(Offline());
    CKTV_Data& data = session.Data();
    if (c.setUp)
        c.setUp(data);
    session.Editor().CopyIntoGroup(1, 0);
    QVERIFY(session.Editor().Linked(0, 1));
    QVERIFY(!session.Editor().Linked(0, 2));
    data.ClearPending(0);
    session.Globals().connected = connected ? 1 : 0;

    std::array<QString, 3> before;
    for (int ch = 0; ch < 3; ++ch)
        before[static_cast<std::size_t>(ch)] = c.value(data.Channel(ch));
    QSignalSpy changedSpy(&session.Editor(), &CModelEditor::channelChanged);
    c.apply(session.Editor());

    for (int ch = 0; ch < 3; ++ch) {
        const CKTV_OutData& out = data.Channel(ch);
        QCOMPARE(c.value(out) != before[static_cast<std::size_t>(ch)], c.changed.count(ch) == 1);
        QCOMPARE(c.mark(out), connected && c.marked.count(ch) == 1);
    }
    // Every channel the edit reached is reported, and no other.
    const std::set<int> reported =
        RuleOf(c.edit).follow == LinkFollow::None ? std::set<int>{0} : std::set<int>{0, 1};
    QCOMPARE(Channels(changedSpy), reported);
}

void TestModelEditor::everyEditKindHasItsRule() {
    for (std::size_t i = 0; i < kChannelEditRules.size(); ++i)
        QCOMPARE(static_cast<std::size_t>(kChannelEditRules[i].edit), i);
}

void TestModelEditor::lowPassNeverBelowHighPass_data() {
    QTest::addColumn<bool>("highPass");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("expectedHigh");
    QTest::addColumn<int>("expectedLow");
    // The low-pass stands at 2000 Hz and the high-pass at 300 Hz before each row.
    QTest::newRow("high-pass above the low-pass") << true << 3000 << 2000 << 2000;
    QTest::newRow("high-pass below") << true << 1000 << 1000 << 2000;
    QTest::newRow("low-pass below the high-pass") << false << 100 << 300 << 300;
    QTest::newRow("low-pass above") << false << 5000 << 300 << 5000;
}

void TestModelEditor::lowPassNeverBelowHighPass() {
    QFETCH(bool, highPass);
    QFETCH(int, asked);
    QFETCH(int, expectedHigh);
    QFETCH(int, expectedLow);
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    editor.CopyIntoGroup(1, 0);
    editor.SetXoverFreq(0, Xover::LowPass, 2000);
    editor.SetXoverFreq(0, Xover::HighPass, 300);

    const int set = editor.SetXoverFreq(0, highPass ? Xover::HighPass : Xover::LowPass, asked);
    QCOMPARE(set, highPass ? expectedHigh : expectedLow);
    for (int ch : {0, 1}) {
        QCOMPARE(session.Data().Channel(ch).HighPass().GetFreq(), expectedHigh);
        QCOMPARE(session.Data().Channel(ch).LowPass().GetFreq(), expectedLow);
    }
}

void TestModelEditor::allBypassOffWithEveryBandFlatStaysOn() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_OutData& ch = session.Data().Channel(0);
    // Every band at 0 dB is bypassed on its own.
    QCOMPARE(ch.AllBandsBypassed(), 1);
    QVERIFY(editor.SetAllBypass(0, true));
    QVERIFY(editor.SetAllBypass(0, false));
    QCOMPARE(ch.AllBandsBypassed(), 1);

    // One audible band: off turns it on again.
    editor.SetBandGain(0, 7, 260);
    QVERIFY(editor.SetAllBypass(0, true));
    QCOMPARE(ch.Band(7).GetEffectiveBypass(), 1);
    QVERIFY(!editor.SetAllBypass(0, false));
    QCOMPARE(ch.Band(7).GetEffectiveBypass(), 0);
}

void TestModelEditor::linkPairsCopiesTheReference() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_Data& data = session.Data();
    // Start-up speaker types 1, 7, 5, 11, 15, 18 pair channels 0-1, 2-3 and 4-5.
    editor.SetChannelGain(0, 25);
    editor.SetBandGain(0, 9, 300);
    editor.SetBandGain(3, 9, 120);
    QSignalSpy groups(&editor, &CModelEditor::linkGroupsChanged);

    QVERIFY(editor.LinkPairs(0));
    QVERIFY(editor.LinkOn());
    QVERIFY(groups.count() >= 1);
    QVERIFY(editor.Linked(0, 1) && editor.Linked(2, 3) && editor.Linked(4, 5));
    QVERIFY(!editor.Linked(1, 2));
    QCOMPARE(editor.PairPartner(1), 0);
    QCOMPARE(data.Channel(1).GetGainCode(), 25);
    QCOMPARE(data.Channel(1).Band(9).GetGainCode(), 300);
    QCOMPARE(data.Channel(3).Band(9).GetGainCode(), 200); // channel 3 took channel 2's flat band

    // The second channel as reference: channel 0 becomes a copy of channel 1.
    editor.Unlink();
    editor.SetChannelGain(1, 40);
    QVERIFY(editor.LinkPairs(1));
    QCOMPARE(data.Channel(0).GetGainCode(), 40);

    // Linked, a gain change on channel 0 changes channel 1 too.
    editor.SetChannelGain(0, 12);
    QCOMPARE(data.Channel(1).GetGainCode(), 12);
}

void TestModelEditor::linkWithoutPairRefused() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    // Types that form no pair: 1 and 2 are first types of different pairs.
    auto& block = session.Globals().systemBlock;
    for (int slot = 0; slot < SystemLayout::kSpeakerSlots; ++slot)
        block[SystemLayout::kSpeakerTypeBytes + static_cast<std::size_t>(slot)] = 0;
    block[SystemLayout::kSpeakerTypeBytes] = 1;
    block[SystemLayout::kSpeakerTypeBytes + 1] = 2;

    const Status linked = editor.LinkPairs(0);
    QVERIFY(!linked);
    QCOMPARE(linked.error().In(0), QStringLiteral("无通道可以联调"));
    QVERIFY(!editor.LinkOn());
    for (int c = 0; c < Layout::kChannels; ++c)
        QCOMPARE(session.Globals().g_linkGroup[static_cast<std::size_t>(c)], c);
}

void TestModelEditor::unlinkAndReloadEndTheLink() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    QVERIFY(editor.LinkPairs(0));
    editor.Unlink();
    QVERIFY(!editor.LinkOn());
    for (int c = 0; c < Layout::kChannels; ++c)
        QCOMPARE(session.Globals().g_linkGroup[static_cast<std::size_t>(c)], c);

    QVERIFY(editor.LinkPairs(0));
    session.Controller().RefreshAll(); // what a completed device read runs
    QVERIFY(!editor.LinkOn());
    QVERIFY(!editor.Linked(0, 1));
}

void TestModelEditor::eqResetTakesThePartnerWhileLinked() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_Data& data = session.Data();
    editor.SetBandGain(0, 4, 300);
    editor.SetBandFreq(0, 4, 900);
    QVERIFY(editor.LinkPairs(0));
    QCOMPARE(data.Channel(1).Band(4).GetGainCode(), 300);
    editor.SetBandGain(2, 4, 300);

    editor.ResetEq(1);
    for (int c : {0, 1}) {
        QCOMPARE(data.Channel(c).Band(4).GetGainCode(), 200);
        QCOMPARE(data.Channel(c).Band(4).GetFreq(), kIsoThirdOctave[4]);
        QCOMPARE(data.Channel(c).AllBandsBypassed(), 1);
    }
    QCOMPARE(data.Channel(2).Band(4).GetGainCode(), 300);

    // Without the link only the channel itself.
    editor.Unlink();
    editor.SetBandGain(0, 4, 300);
    editor.SetBandGain(1, 4, 300);
    editor.ResetEq(0);
    QCOMPARE(data.Channel(0).Band(4).GetGainCode(), 200);
    QCOMPARE(data.Channel(1).Band(4).GetGainCode(), 300);
}

void TestModelEditor::valuesOutsideTheirRangeAreClamped() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_OutData& ch = session.Data().Channel(2);
    editor.SetChannelGain(2, 99);
    editor.SetDelay(2, 5000);
    editor.SetBandFreq(2, 0, 5);
    editor.SetBandGain(2, 0, 999);
    editor.SetXoverSlope(2, Xover::HighPass, 12);
    editor.SelectSource(9);
    editor.SetMasterVolume(-4);
    QCOMPARE(ch.GetGainCode(), 60);
    QCOMPARE(ch.GetDelay(), 960);
    QCOMPARE(ch.Band(0).GetFreq(), 20);
    QCOMPARE(ch.Band(0).GetGainCode(), 400);
    QCOMPARE(ch.HighPass().GetSlope(), 6);
    CSystemSettings system(session.Globals());
    QCOMPARE(system.Source(), 5);
    QCOMPARE(system.MasterVolume(), 0);
    // Edits of channels and bands that do not exist change nothing and say nothing.
    QSignalSpy spy(&editor, &CModelEditor::channelChanged);
    editor.SetChannelGain(8, 10);
    editor.SetBandGain(0, 31, 10);
    QCOMPARE(spy.count(), 0);
}

void TestModelEditor::everyBandSetLeavesAllBypass() {
    CSession session(Offline());
    CModelEditor& editor = session.Editor();
    CKTV_OutData& ch = session.Data().Channel(3);
    editor.SetBandGain(3, 2, 260);
    QVERIFY(editor.SetAllBypass(3, true));

    editor.SetBands(3, ShelfAndOffPeak());
    QCOMPARE(BandText(ch.Band(5)), QStringLiteral("1/1/300/15/230/0"));
    // Switched off, the peak keeps its gain: the band's own bypass, not the 0 dB code.
    QCOMPARE(BandText(ch.Band(6)), QStringLiteral("0/0/2500/40/200/1"));
    QCOMPARE(ch.Band(6).GetGain(), -2.0);
    QCOMPARE(BandText(ch.Band(2)), QStringLiteral("0/0/32/15/200/1"));
    for (int k = 0; k < Layout::kBands; ++k)
        QCOMPARE(ch.Band(k).GetAllBypass(), 0);
    QCOMPARE(ch.GetAllBandsBypassed(), 0);
    // The channel's curve is the sum of what was set: the shelf's +3 dB at the bottom of the grid.
    QVERIFY(std::abs(ch.Filters().SumDb()[0] - 3.0) < 0.05);

    // Values beyond the bands' ranges are clamped.
    std::array<BandSetting, Layout::kBands> wild{};
    wild[0] = {7, 9, 5, 999, 900, false};
    editor.SetBands(3, wild);
    QCOMPARE(BandText(ch.Band(0)), QStringLiteral("2/1/20/295/400/0"));
}

QTEST_GUILESS_MAIN(TestModelEditor)
#include "tst_ModelEditor.moc"
