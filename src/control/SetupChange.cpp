// What an edit changed between two setups, in words for the Undo and Redo items.
#include "control/SetupChange.h"

#include "base/DataDefine.h"

#include <QStringList>

#include <vector>

namespace {

struct Words {
    const char* band;
    const char* gain;
    const char* q;
    const char* bypass;
    const char* type;
    const char* eq;
    const char* eqBands;
    const char* eqBypass;
    const char* on;
    const char* off;
    const char* mute;
    const char* polarity;
    const char* normal;
    const char* inverted;
    const char* delay;
    const char* samples;
    const char* eqMode;
    const char* parametric;
    const char* graphic;
    const char* highPass;
    const char* lowPass;
    const char* crossover;
    const char* routing;
    const char* name;
    const char* setup;
    const char* setupOf;
    const char* linked;
    const char* unlinked;
};

constexpr Words kEnglish{"band",
                         "gain",
                         "Q",
                         "bypass",
                         "type",
                         "EQ",
                         "EQ: %1 bands",
                         "EQ bypass",
                         "on",
                         "off",
                         "mute",
                         "polarity",
                         "normal",
                         "inverted",
                         "delay",
                         "samples",
                         "EQ mode",
                         "parametric",
                         "graphic",
                         "high-pass",
                         "low-pass",
                         "crossover",
                         "routing",
                         "name",
                         "setup",
                         "Setup of %1 channels",
                         "linked",
                         "Channels unlinked"};
constexpr Words kChinese{
    "频段",        "增益", "Q值",  "直通", "类型", "EQ",   "EQ: %1 个频段", "EQ直通",          "开",
    "关",          "静音", "相位", "正相", "反相", "延时", "采样",          "EQ模式",          "参量",
    "图示",        "高通", "低通", "分频", "路由", "名称", "设置",          "%1 个通道的设置", "联调",
    "通道取消联调"};

const Words& WordsOf(int language) {
    return language == 1 ? kChinese : kEnglish;
}

QString Tr(const char* text) {
    return QString::fromUtf8(text);
}

const QString kArrow = QStringLiteral(" \u2192 ");

// "+3.0 dB", "\u22122.0 dB", "0.0 dB".
QString SignedDb(double db, int decimals) {
    QString number = QString::number(std::abs(db), 'f', decimals);
    if (number == QString::number(0.0, 'f', decimals))
        return number + QStringLiteral(" dB");
    return (db < 0 ? QStringLiteral("\u2212") : QStringLiteral("+")) + number + QStringLiteral(" dB");
}

QString Hz(int freq) {
    return QString::number(freq) + QStringLiteral(" Hz");
}

QString QOf(const CFilter::Params& p) {
    return QText(QOfBandwidthIndex(BandwidthIndex(p.bandwidth)));
}

QString ChannelGainText(const ChannelState& s, const Words& w) {
    if (s.gainOff != 0 || s.gainCode == 0)
        return Tr(w.off);
    return SignedDb(ChannelGainDb(s.gainCode), 0);
}

QString OnOff(bool on, const Words& w) {
    return Tr(on ? w.on : w.off);
}

// The one band that changed, told by what changed in it.
QString BandDetail(int band, const CFilter::Params& a, const CFilter::Params& b, const Words& w) {
    const QString head = Tr(w.band) + QLatin1Char(' ') + QString::number(band + 1) + QLatin1Char(' ');
    const bool freq = a.freq != b.freq;
    const bool gain = a.gain != b.gain;
    const bool bandwidth = a.bandwidth != b.bandwidth;
    const bool bypass = a.bypass != b.bypass || a.allBypass != b.allBypass;
    const bool other = a.kind != b.kind || a.slope != b.slope || a.family != b.family;
    if (other)
        return head + Tr(w.type);
    if (freq && gain && !bandwidth)
        return head + Hz(a.freq) + QLatin1Char(' ') + SignedDb(a.gain, 1) + kArrow + Hz(b.freq) +
               QLatin1Char(' ') + SignedDb(b.gain, 1);
    if (freq && !gain && !bandwidth)
        return head + Hz(a.freq) + kArrow + Hz(b.freq);
    if (gain && !freq && !bandwidth)
        return head + Tr(w.gain) + QLatin1Char(' ') + SignedDb(a.gain, 1) + kArrow + SignedDb(b.gain, 1);
    if (bandwidth && !freq && !gain)
        return head + Tr(w.q) + QLatin1Char(' ') + QOf(a) + kArrow + QOf(b);
    if (bypass && !freq && !gain && !bandwidth) {
        const bool on = (b.allBypass != 0 ? b.allBypass : b.bypass) != 0;
        return head + Tr(w.bypass) + QLatin1Char(' ') + OnOff(on, w);
    }
    return head.trimmed();
}

QString XoverDetail(const char* which, const CFilter::Params& a, const CFilter::Params& b, const Words& w) {
    if (a.freq != b.freq && a.slope == b.slope && a.family == b.family)
        return Tr(which) + QLatin1Char(' ') + Hz(a.freq) + kArrow + Hz(b.freq);
    (void)w;
    return Tr(which);
}

struct ChannelChange {
    QString detail; // with the values
    QString kind;   // without them
};

ChannelChange Change(const ChannelState& a, const ChannelState& b, const Words& w) {
    const unsigned parts = CModelEditor::ChangedParts(a, b);
    const unsigned eqParts = ChannelPart::kBands | ChannelPart::kAllBypass;
    if ((parts & ~eqParts) == 0) {
        std::vector<int> bands;
        for (int k = 0; k < Layout::kBands; ++k)
            if (a.bands[static_cast<std::size_t>(k)] != b.bands[static_cast<std::size_t>(k)])
                bands.push_back(k);
        if (a.allBandsBypassed != b.allBandsBypassed && bands.size() != 1)
            return {Tr(w.eqBypass) + QLatin1Char(' ') + OnOff(b.allBandsBypassed != 0, w), Tr(w.eq)};
        if (bands.size() == 1) {
            const auto k = static_cast<std::size_t>(bands.front());
            return {BandDetail(bands.front(), a.bands[k], b.bands[k], w), Tr(w.eq)};
        }
        return {Tr(w.eqBands).arg(bands.size()), Tr(w.eq)};
    }
    switch (parts) {
    case ChannelPart::kGain:
        return {Tr(w.gain) + QLatin1Char(' ') + ChannelGainText(a, w) + kArrow + ChannelGainText(b, w),
                Tr(w.gain)};
    case ChannelPart::kOutputOn:
        return {Tr(w.mute) + QLatin1Char(' ') + OnOff(b.outputOn == 0, w), Tr(w.mute)};
    case ChannelPart::kPolarity:
        return {Tr(w.polarity) + QLatin1Char(' ') + Tr(b.polarity != 0 ? w.inverted : w.normal),
                Tr(w.polarity)};
    case ChannelPart::kDelay:
        return {Tr(w.delay) + QLatin1Char(' ') + QString::number(a.delay) + kArrow +
                    QString::number(b.delay) + QLatin1Char(' ') + Tr(w.samples),
                Tr(w.delay)};
    case ChannelPart::kEqMode:
    case ChannelPart::kEqMode | ChannelPart::kBands:
        return {Tr(w.eqMode) + QLatin1Char(' ') + Tr(b.eqMode != 0 ? w.graphic : w.parametric), Tr(w.eqMode)};
    case ChannelPart::kCrossover:
        if (a.lowPass == b.lowPass)
            return {XoverDetail(w.highPass, a.highPass, b.highPass, w), Tr(w.crossover)};
        if (a.highPass == b.highPass)
            return {XoverDetail(w.lowPass, a.lowPass, b.lowPass, w), Tr(w.crossover)};
        return {Tr(w.crossover), Tr(w.crossover)};
    case ChannelPart::kMix:
        return {Tr(w.routing), Tr(w.routing)};
    case ChannelPart::kName:
        return {Tr(w.name) + QStringLiteral(" \"") + a.name + QLatin1Char('"') + kArrow + QLatin1Char('"') +
                    b.name + QLatin1Char('"'),
                Tr(w.name)};
    default:
        return {Tr(w.setup), Tr(w.setup)};
    }
}

QString ChannelList(const std::vector<int>& channels, const QString& separator) {
    QStringList names;
    for (int c : channels)
        names << QStringLiteral("CH%1").arg(c + 1);
    return names.join(separator);
}

} // namespace

QString CSetupChange::Describe(const SetupState& before, const SetupState& after, int language) {
    const Words& w = WordsOf(language);
    if (before.linkGroups != after.linkGroups || before.linkOn != after.linkOn) {
        QStringList groups;
        for (int c = 0; c < Layout::kChannels; ++c) {
            std::vector<int> members;
            for (int m = 0; m < Layout::kChannels; ++m)
                if (after.linkGroups[static_cast<std::size_t>(m)] ==
                    after.linkGroups[static_cast<std::size_t>(c)])
                    members.push_back(m);
            if (members.size() > 1 && members.front() == c)
                groups << ChannelList(members, QStringLiteral(" + "));
        }
        if (groups.isEmpty())
            return Tr(w.unlinked);
        return groups.join(QStringLiteral(", ")) + QLatin1Char(' ') + Tr(w.linked);
    }
    std::vector<int> changed;
    std::vector<ChannelChange> changes;
    for (int c = 0; c < Layout::kChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (before.channels[i] == after.channels[i])
            continue;
        changed.push_back(c);
        changes.push_back(Change(before.channels[i], after.channels[i], w));
    }
    if (changed.empty())
        return {};
    bool sameDetail = true;
    bool sameKind = true;
    for (const ChannelChange& change : changes) {
        sameDetail = sameDetail && change.detail == changes.front().detail;
        sameKind = sameKind && change.kind == changes.front().kind;
    }
    const QString channels = ChannelList(changed, QStringLiteral(", "));
    if (sameDetail)
        return channels + QLatin1Char(' ') + changes.front().detail;
    if (sameKind)
        return channels + QLatin1Char(' ') + changes.front().kind;
    if (changed.size() > 3)
        return Tr(w.setupOf).arg(changed.size());
    return channels + QLatin1Char(' ') + Tr(w.setup);
}

int CSetupChange::SingleBand(const SetupState& before, const SetupState& after, int* channel) {
    if (before.linkGroups != after.linkGroups || before.linkOn != after.linkOn)
        return -1;
    int band = -1;
    int first = -1;
    for (int c = 0; c < Layout::kChannels; ++c) {
        const ChannelState& a = before.channels[static_cast<std::size_t>(c)];
        const ChannelState& b = after.channels[static_cast<std::size_t>(c)];
        if (a == b)
            continue;
        if ((CModelEditor::ChangedParts(a, b) & ~(ChannelPart::kBands | ChannelPart::kAllBypass)) != 0)
            return -1;
        for (int k = 0; k < Layout::kBands; ++k) {
            if (a.bands[static_cast<std::size_t>(k)] == b.bands[static_cast<std::size_t>(k)])
                continue;
            if (band >= 0 && band != k)
                return -1;
            band = k;
        }
        if (first < 0)
            first = c;
    }
    if (channel != nullptr)
        *channel = first;
    return band;
}
