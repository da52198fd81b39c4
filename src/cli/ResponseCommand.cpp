// The "response" sub-command of the companion: a channel's summed frequency response as CSV.
#include "cli/ResponseCommand.h"

#include "model/DataDefine.h"
#include "model/KTVEQ.h"

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

void PrintCsv(const CKTVEQ& eq, QTextStream& out) {
    out << "frequency_hz,gain_db\n";
    const auto& sum = eq.SumDb();
    for (std::size_t i = 0; i < sum.size(); ++i) {
        // + 0.0 turns a negative zero into "0.000"
        out << QString::number(g_freqGrid[i]) << ',' << QString::number(sum[i] + 0.0, 'f', 3) << '\n';
    }
}

} // namespace

int RunResponseCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    for (const QString& arg : args) {
        if (arg != QLatin1String("--factory")) {
            err << "response: unknown option " << arg << "\n";
            return 2;
        }
    }
    CKTVEQ eq(kFactoryRangeProfile);
    LoadFactoryChannel(eq);
    eq.CalcSum();
    PrintCsv(eq, out);
    return 0;
}
