// The "response" sub-command of the companion: a channel's summed frequency response as CSV.
#include "cli/ResponseCommand.h"

#include "base/DataDefine.h"
#include "cli/CliOptions.h"
#include "cli/FileModel.h"
#include "model/KTVEQ.h"
#include "model/KTV_OutData.h"

#include <array>
#include <optional>

namespace {

constexpr int kFactoryBandwidthIndex = 15; // 0.2 octave
constexpr int kFactoryRangeProfile = 9;    // channel 0's crossover drag profile

// The channel as the factory output block sets it: bands at the factory frequencies, all bypassed; both
// crossovers Butterworth, slope index 2, at their off positions.
void LoadFactoryChannel(CKTVEQ& eq) {
    for (int k = 0; k < eq.BandCount(); ++k) {
        CFilter& band = eq.Band(k);
        band.SetGainCode(kEqGainCodeZero);
        band.SetBandwidthIndex(kFactoryBandwidthIndex);
        band.SetFreq(kFactoryBandFreqs[static_cast<std::size_t>(k)], 0);
    }
    for (CFilter* xover : {&eq.HighPass(), &eq.LowPass()}) {
        xover->SetFamily(CFilter::Butterworth, 0);
        xover->SetSlope(2, 0);
    }
    eq.HighPass().SetFreq(20, 0);
    eq.LowPass().SetFreq(20000, 0);
}

constexpr int kChannelFilters = 33; // 31 bands, high-pass, low-pass

constexpr char kUsage[] = "usage: selvano-ctl response --factory | FILE --channel 1..8 [--filter 1..33]\n"
                          "  (filters 1..31 are the EQ bands, 32 the high-pass, 33 the low-pass)\n";

void PrintCsv(const std::array<double, kGridPoints>& sum, QTextStream& out) {
    out << "frequency_hz,gain_db\n";
    for (std::size_t i = 0; i < sum.size(); ++i) {
        // + 0.0 turns a negative zero into "0.000"
        out << QString::number(g_freqGrid[i]) << ',' << QString::number(sum[i] + 0.0, 'f', 3) << '\n';
    }
}

} // namespace

int RunResponseCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString file;
    std::optional<int> channel;
    std::optional<int> filter;
    bool factory = args.isEmpty();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = true;
        if (a == QLatin1String("--factory")) {
            factory = true;
        } else if ((a == QLatin1String("--channel") || a == QLatin1String("--filter")) &&
                   i + 1 < args.size()) {
            const int v = args[++i].toInt(&ok);
            (a == QLatin1String("--channel") ? channel : filter) = v;
        } else if (!a.startsWith(QLatin1Char('-')) && file.isEmpty()) {
            file = a;
        } else {
            ok = false;
        }
        if (!ok) {
            err << "response: bad argument " << a << "\n" << kUsage;
            return CliExit::kUsage;
        }
    }
    const bool channelOk = channel && *channel >= 1 && *channel <= Layout::kChannels;
    const bool filterOk = !filter || (*filter >= 1 && *filter <= kChannelFilters);
    if (factory ? (!file.isEmpty() || channel || filter) : (file.isEmpty() || !channelOk || !filterOk)) {
        err << kUsage;
        return CliExit::kUsage;
    }
    if (factory) {
        CKTVEQ eq(kFactoryRangeProfile);
        LoadFactoryChannel(eq);
        eq.CalcSum();
        PrintCsv(eq.SumDb(), out);
        return CliExit::kOk;
    }
    CFileModel model;
    if (const int rc = model.Load(file, err, 0))
        return rc;
    CKTVEQ& eq = model.Data().Channel(*channel - 1).Filters();
    for (int i = 0; i < eq.Count(); ++i)
        eq.Filter(i).CalcResponse();
    if (filter) {
        PrintCsv(eq.Filter(*filter - 1).Response(), out);
    } else {
        eq.CalcSum();
        PrintCsv(eq.SumDb(), out);
    }
    return CliExit::kOk;
}
