// Time alignment from speaker distances: the delay of each channel that makes every speaker's sound reach
// the listening position at the same moment.
#include "control/TimeAlignment.h"

#include "control/ModelEditor.h"
#include "model/KTV_Data.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr SysText kLine{"CH%1: %2, delay %3 samples = %4 ms (%5 of travel)",
                        "CH%1：%2，延时 %3 个采样 = %4 毫秒（传播 %5）"};
constexpr SysText kLineWas{"CH%1: %2, delay %3 samples = %4 ms (%5 of travel), was %6 samples",
                           "CH%1：%2，延时 %3 个采样 = %4 毫秒（传播 %5），原为 %6 个采样"};

QString Distance(double metres, CTimeAlignment::Unit unit) {
    const double v = CTimeAlignment::InUnit(metres, unit);
    return QString::asprintf("%.1f", v + 0.0) +
           (unit == CTimeAlignment::Unit::Cm ? QStringLiteral(" cm") : QStringLiteral(" inch"));
}

} // namespace

double CTimeAlignment::Metres(double distance, Unit unit) {
    return unit == Unit::Cm ? distance / 100.0 : distance / kInchesPerMetre;
}

double CTimeAlignment::InUnit(double metres, Unit unit) {
    return unit == Unit::Cm ? metres * 100.0 : metres * kInchesPerMetre;
}

TimeAlignmentPlan CTimeAlignment::Plan(std::span<const SpeakerDistance> speakers, int temperature) {
    TimeAlignmentPlan plan;
    plan.temperature = temperature;
    const auto refuse = [&plan](TimeAlignmentPlan::Refusal why, int channel) {
        plan.refusal = why;
        plan.refusedChannel = channel;
        plan.channels.clear();
        return plan;
    };
    if (speakers.empty())
        return refuse(TimeAlignmentPlan::Refusal::NoSpeaker, -1);
    std::set<int> seen;
    for (const SpeakerDistance& s : speakers) {
        if (s.channel < 0 || s.channel >= Layout::kChannels)
            return refuse(TimeAlignmentPlan::Refusal::BadChannel, s.channel);
        if (!seen.insert(s.channel).second)
            return refuse(TimeAlignmentPlan::Refusal::Twice, s.channel);
        if (!(s.metres >= 0.0) || !std::isfinite(s.metres))
            return refuse(TimeAlignmentPlan::Refusal::BadDistance, s.channel);
    }
    const auto closer = [](const SpeakerDistance& a, const SpeakerDistance& b) {
        return a.metres < b.metres;
    };
    const SpeakerDistance& farthest = *std::max_element(speakers.begin(), speakers.end(), closer);
    const SpeakerDistance& nearest = *std::min_element(speakers.begin(), speakers.end(), closer);
    plan.nearest = nearest.channel;
    plan.farthest = farthest.channel;
    plan.spreadMetres = farthest.metres - nearest.metres;
    plan.spreadSamples = DelaySamplesOfMs(DistanceDelayMs(plan.spreadMetres, temperature));
    if (plan.spreadSamples > kDelayMaxSamples)
        return refuse(TimeAlignmentPlan::Refusal::TooWide, -1);
    for (const SpeakerDistance& s : speakers)
        plan.channels.push_back({s.channel, s.metres,
                                 DelaySamplesOfMs(DistanceDelayMs(farthest.metres - s.metres, temperature)),
                                 -1});
    return plan;
}

TimeAlignmentPlan CTimeAlignment::Align(CModelEditor& editor, const CKTV_Data& data,
                                        std::span<const SpeakerDistance> speakers, int temperature) {
    TimeAlignmentPlan plan = Plan(speakers, temperature);
    if (!plan.Ok())
        return plan;
    for (AlignedChannel& c : plan.channels) {
        c.oldSamples = data.Channel(c.channel).GetDelay();
        editor.SetDelay(c.channel, c.samples);
    }
    return plan;
}

QString CTimeAlignment::RefusalText(const TimeAlignmentPlan& plan, Unit unit, int language) {
    const QString channel = QString::number(plan.refusedChannel + 1);
    switch (plan.refusal) {
    case TimeAlignmentPlan::Refusal::None:
        break;
    case TimeAlignmentPlan::Refusal::NoSpeaker:
        return kNoSpeaker.In(language);
    case TimeAlignmentPlan::Refusal::BadChannel:
        return kBadChannel.In(language, {channel});
    case TimeAlignmentPlan::Refusal::Twice:
        return kTwice.In(language, {channel});
    case TimeAlignmentPlan::Refusal::BadDistance:
        return kBadDistance.In(language, {channel});
    case TimeAlignmentPlan::Refusal::TooWide:
        return kTooWide.In(language,
                           {Distance(plan.spreadMetres, unit), QString::number(plan.nearest + 1),
                            QString::number(plan.farthest + 1), QString::number(plan.spreadSamples),
                            QString::asprintf("%.3f", DistanceDelayMs(plan.spreadMetres, plan.temperature))});
    }
    return {};
}

QStringList CTimeAlignment::Report(const TimeAlignmentPlan& plan, Unit unit, int language) {
    if (!plan.Ok())
        return {RefusalText(plan, unit, language)};
    QStringList lines;
    for (const AlignedChannel& c : plan.channels) {
        const double ms = DelayMs(c.samples);
        const double travelled = SpeedOfSound(plan.temperature) * ms / 1000.0;
        QStringList args{QString::number(c.channel + 1), Distance(c.metres, unit), QString::number(c.samples),
                         QString::asprintf("%.3f", ms), Distance(travelled, unit)};
        if (c.oldSamples >= 0 && c.oldSamples != c.samples) {
            args << QString::number(c.oldSamples);
            lines << kLineWas.In(language, args);
        } else {
            lines << kLine.In(language, args);
        }
    }
    return lines;
}
