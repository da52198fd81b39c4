// Readable and JSON forms of a model: system values, preset names and channels, for info and show.
#include "cli/SetupReport.h"

#include "base/DataDefine.h"
#include "model/KTV_OutData.h"
#include "model/SystemSettings.h"
#include "response/Filter.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <array>

namespace {

constexpr std::array<const char*, 3> kFamilyNames{"Link_Ril", "Bessel", "Butter_W"};
constexpr std::array<const char*, 7> kSlopeNames{"6dB/Oct",  "12dB/Oct", "18dB/Oct", "24dB/Oct",
                                                 "36dB/Oct", "48dB/Oct", "off"};
constexpr std::array<const char*, 5> kKindNames{"peak", "low_shelf", "high_shelf", "high_pass", "low_pass"};

template <std::size_t N> QString NameAt(const std::array<const char*, N>& names, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < N ? QString::fromLatin1(names[static_cast<std::size_t>(i)])
                                                     : QString::number(i);
}

QString PresetName(ModelGlobals& g, int p) {
    return ReadFieldFull(g.Preset(p).name, sizeof(g.Preset(p).name));
}

QJsonObject CrossoverJson(const CFilter& f) {
    return {{"freq_hz", f.GetFreq()},
            {"family", NameAt(kFamilyNames, f.GetFamily())},
            {"slope", f.GetSlope()},
            {"slope_text", NameAt(kSlopeNames, f.GetSlope())}};
}

QJsonObject ChannelJson(const CKTV_OutData& ch, int c) {
    QJsonArray bands;
    const CKTVEQ& eq = ch.Filters();
    for (int k = 0; k < eq.BandCount(); ++k) {
        const CFilter& b = eq.Band(k);
        bands.append(QJsonObject{{"band", k + 1},
                                 {"kind", NameAt(kKindNames, b.GetKind())},
                                 {"freq_hz", b.GetFreq()},
                                 {"gain_db", b.GetGain()},
                                 {"bandwidth_index", b.GetQIndex()},
                                 {"slope", b.GetSlope()},
                                 {"bypass", b.GetBypass() != 0}});
    }
    QJsonArray mix;
    for (int i = 0; i < CKTV_OutData::kMixInputs; ++i)
        mix.append(ch.GetMix(i));
    const int gain = ch.GetGainCode();
    return {{"channel", c + 1},
            {"name", ch.GetName()},
            {"gain_code", gain},
            {"gain_db", gain == 0 ? QJsonValue(QStringLiteral("off")) : QJsonValue(ChannelGainDb(gain))},
            {"output_on", ch.GetOutputOn() != 0},
            {"polarity_inverted", ch.GetPolarity() != 0},
            {"delay_samples", ch.GetDelay()},
            {"delay_ms", DelayMs(ch.GetDelay())},
            {"high_pass", CrossoverJson(eq.HighPass())},
            {"low_pass", CrossoverJson(eq.LowPass())},
            {"bands", bands},
            {"mix", mix},
            {"limiter", QJsonObject{{"threshold", ch.GetLimThreshold()},
                                    {"attack", ch.GetLimAttack()},
                                    {"release", ch.GetLimRelease()}}}};
}

void PrintSystem(QTextStream& out, const QJsonObject& s, int language) {
    out << "source:         " << s[QStringLiteral("source_text")].toString() << " ("
        << s[QStringLiteral("source")].toInt() << ")\n";
    out << "master volume:  " << s[QStringLiteral("master_volume")].toInt() << "\n";
    out << "master output:  " << (s[QStringLiteral("master_output")].toBool() ? "on" : "off") << "\n";
    out << "noise gate:     " << s[QStringLiteral("noise_gate_text")].toString() << "\n";
    out << "current preset: " << s[QStringLiteral("current_preset")].toInt() << "\n";
    out << "speaker types: ";
    for (const QJsonValue& v : s[QStringLiteral("speaker_types")].toArray())
        out << ' ' << (v.toString().isEmpty() ? QStringLiteral("-") : v.toString()) << ';';
    out << "\nsource volumes:";
    const QJsonObject vols = s[QStringLiteral("source_volumes")].toObject();
    for (int v = 0; v < SystemLayout::kVolumeGroups; ++v) {
        const QString name = kVolumeGroupTexts[static_cast<std::size_t>(v)].In(language);
        out << ' ' << name << '=' << vols[name].toInt();
    }
    out << "\n";
}

} // namespace

QJsonObject SetupReport::SystemJson(ModelGlobals& g, int language) {
    CSystemSettings s(g);
    QJsonArray speakers;
    for (int slot = 0; slot < SystemLayout::kSpeakerSlots; ++slot)
        speakers.append(SpeakerTypeText(s.SpeakerType(slot), language));
    QJsonObject volumes;
    for (int v = 0; v < SystemLayout::kVolumeGroups; ++v)
        volumes.insert(kVolumeGroupTexts[static_cast<std::size_t>(v)].In(language), s.RememberedVolume(v));
    const int gate = s.NoiseGate();
    return {{"source", s.DisplayedSource()},
            {"source_text", kInputSources[static_cast<std::size_t>(s.DisplayedSource())].name.In(language)},
            {"master_volume", s.MasterVolume()},
            {"master_output", s.MasterOutput() != 0},
            {"noise_gate", gate},
            {"noise_gate_text", gate >= 0 && gate < SystemLayout::kNoiseGateSteps
                                    ? kNoiseGateTexts[static_cast<std::size_t>(gate)].In(language)
                                    : QString::number(gate)},
            {"speaker_types", speakers},
            {"source_volumes", volumes},
            {"current_preset", g.currentPreset}};
}

QJsonObject SetupReport::ModelJson(ModelGlobals& g, const CKTV_Data& data, int language, int presetCount,
                                   bool withChannels) {
    QJsonObject o{{"system", SystemJson(g, language)},
                  {"setup_name", ReadFieldFull(g.liveImage.name, sizeof(g.liveImage.name))}};
    QJsonArray presets;
    for (int p = 1; p <= presetCount; ++p)
        presets.append(QJsonObject{{"preset", p}, {"name", PresetName(g, p)}});
    o.insert(QStringLiteral("presets"), presets);
    if (withChannels) {
        QJsonArray channels;
        for (int c = 0; c < Layout::kChannels; ++c)
            channels.append(ChannelJson(data.Channel(c), c));
        o.insert(QStringLiteral("channels"), channels);
    }
    return o;
}

void SetupReport::PrintText(QTextStream& out, ModelGlobals& g, const CKTV_Data& data, int language,
                            int presetCount, bool withChannels, bool withSystem) {
    const QJsonObject m = ModelJson(g, data, language, presetCount, withChannels);
    const QJsonObject s = m[QStringLiteral("system")].toObject();
    if (withSystem)
        PrintSystem(out, s, language);
    out << "setup name:     " << m[QStringLiteral("setup_name")].toString() << "\n";
    for (const QJsonValue& p : m[QStringLiteral("presets")].toArray())
        out << "preset " << p[QStringLiteral("preset")].toInt() << ":       "
            << p[QStringLiteral("name")].toString() << "\n";
    if (!withChannels)
        return;
    for (const QJsonValue& cv : m[QStringLiteral("channels")].toArray()) {
        const QJsonObject c = cv.toObject();
        out << "\nCH" << c[QStringLiteral("channel")].toInt() << " \"" << c[QStringLiteral("name")].toString()
            << "\": gain " << c[QStringLiteral("gain_db")].toVariant().toString() << " dB, "
            << (c[QStringLiteral("output_on")].toBool() ? "on" : "muted") << ", polarity "
            << (c[QStringLiteral("polarity_inverted")].toBool() ? "inverted" : "normal") << ", delay "
            << c[QStringLiteral("delay_samples")].toInt() << " samples ("
            << QString::number(c[QStringLiteral("delay_ms")].toDouble(), 'f', 3) << " ms)\n";
        for (const char* x : {"high_pass", "low_pass"}) {
            const QJsonObject f = c[QLatin1String(x)].toObject();
            out << "  " << x << ": " << f[QStringLiteral("freq_hz")].toInt() << " Hz "
                << f[QStringLiteral("family")].toString() << ' ' << f[QStringLiteral("slope_text")].toString()
                << "\n";
        }
        for (const QJsonValue& bv : c[QStringLiteral("bands")].toArray()) {
            const QJsonObject b = bv.toObject();
            out << "  band " << b[QStringLiteral("band")].toInt() << ": "
                << b[QStringLiteral("freq_hz")].toInt() << " Hz "
                << QString::number(b[QStringLiteral("gain_db")].toDouble(), 'f', 1) << " dB bw "
                << b[QStringLiteral("bandwidth_index")].toInt();
            // A shelf says so; a peak, the kind every band has unless a filter text made it a shelf, does
            // not.
            const QString kind = b[QStringLiteral("kind")].toString();
            if (kind != QLatin1String("peak"))
                out << ' ' << kind << ' ' << ShelfSlopeText(b[QStringLiteral("slope")].toInt(), 0);
            out << (b[QStringLiteral("bypass")].toBool() ? " bypass" : "") << "\n";
        }
        out << "  mix:";
        for (const QJsonValue& v : c[QStringLiteral("mix")].toArray())
            out << ' ' << v.toInt();
        const QJsonObject l = c[QStringLiteral("limiter")].toObject();
        out << "\n  limiter: threshold " << l[QStringLiteral("threshold")].toInt() << ", attack "
            << l[QStringLiteral("attack")].toInt() << ", release " << l[QStringLiteral("release")].toInt()
            << "\n";
    }
}
