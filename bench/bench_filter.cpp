// Cost of the response mathematics: one filter of each kind and family, a graph drag step (one filter and
// the channel sum, per mouse move) and a whole channel computed from scratch.
#include "model/KTVEQ.h"
#include "model/KTV_Data.h"
#include "response/Filter.h"

#include <benchmark/benchmark.h>

namespace {

const QRect kPlot(0, 0, 900, 400);

// Peak and shelves: arg 0 is the kind, arg 1 the shelf slope (0 or 1).
void BM_BandResponse(benchmark::State& state) {
    CFilter f;
    f.SetGraphSize(kPlot);
    f.SetKind(static_cast<int>(state.range(0)));
    f.SetSlope(static_cast<int>(state.range(1)), 0);
    f.SetFreq(1000, 0);
    f.SetGainCode(260); // +6 dB: a band at 0 dB is bypassed and costs nothing
    f.SetBandwidthIndex(30);
    for (auto _ : state) {
        f.CalcResponse();
        benchmark::DoNotOptimize(f.Response().data());
    }
}
BENCHMARK(BM_BandResponse)
    ->ArgNames({"kind", "slope"})
    ->Args({CFilter::Peak, 0})
    ->Args({CFilter::LowShelf, 0})
    ->Args({CFilter::LowShelf, 1})
    ->Args({CFilter::HighShelf, 0})
    ->Args({CFilter::HighShelf, 1});

// Crossovers: arg 0 the kind (high-pass, low-pass), arg 1 the family, arg 2 the slope index (0 6 dB/Oct:
// one first-order section; 3 24 dB/Oct: two sections; 5 48 dB/Oct: four sections).
void BM_CrossoverResponse(benchmark::State& state) {
    const bool highPass = state.range(0) == CFilter::HighPass;
    CFilter f;
    f.SetIsEqBand(0);
    f.SetGraphSize(kPlot);
    f.SetKind(static_cast<int>(state.range(0)));
    f.SetFamily(static_cast<int>(state.range(1)), 0);
    f.SetSlope(static_cast<int>(state.range(2)), 0);
    f.SetFreq(highPass ? 80 : 2000, 0);
    for (auto _ : state) {
        f.CalcResponse();
        benchmark::DoNotOptimize(f.Response().data());
    }
}
BENCHMARK(BM_CrossoverResponse)
    ->ArgNames({"kind", "family", "slope"})
    ->ArgsProduct({{CFilter::HighPass, CFilter::LowPass},
                   {CFilter::LinkwitzRiley, CFilter::Bessel, CFilter::Butterworth},
                   {0, 3, 5}});

// A channel as a tuned car would have it: every band active, both crossovers on at 48 dB/Oct.
void TuneChannel(CKTVEQ& eq) {
    eq.SetGraphSize(kPlot);
    for (int k = 0; k < eq.BandCount(); ++k) {
        CFilter& band = eq.Band(k);
        band.SetGainCode(k % 2 ? 180 : 230); // -2 dB and +3 dB
        band.SetBandwidthIndex(20 + k);
    }
    eq.Band(0).SetKind(CFilter::LowShelf);
    eq.Band(30).SetKind(CFilter::HighShelf);
    for (CFilter* x : {&eq.HighPass(), &eq.LowPass()}) {
        x->SetFamily(CFilter::LinkwitzRiley, 0);
        x->SetSlope(5, 0);
    }
    eq.HighPass().SetFreq(60, 0);
    eq.LowPass().SetFreq(12000, 0);
}

void BM_ChannelSum(benchmark::State& state) {
    CKTVEQ eq(9);
    TuneChannel(eq);
    for (auto _ : state) {
        eq.CalcSum();
        benchmark::DoNotOptimize(eq.SumPoints().data());
    }
}
BENCHMARK(BM_ChannelSum);

// One mouse move of a band drag: the band takes a new frequency (response and handle geometry), then the
// channel sum and its graph points.
void BM_DragStep(benchmark::State& state) {
    CKTVEQ eq(9);
    TuneChannel(eq);
    CFilter& band = eq.Band(15);
    int step = 0;
    for (auto _ : state) {
        band.SetFreq(800 + (step++ & 63) * 10, 1);
        eq.CalcSum();
        benchmark::DoNotOptimize(eq.SumPoints().data());
    }
}
BENCHMARK(BM_DragStep);

// A whole channel from scratch: the responses of all 33 filters, then the sum.
void BM_ChannelFromScratch(benchmark::State& state) {
    CKTVEQ eq(9);
    TuneChannel(eq);
    for (auto _ : state) {
        for (int i = 0; i < eq.Count(); ++i)
            eq.Filter(i).CalcResponse();
        eq.CalcSum();
        benchmark::DoNotOptimize(eq.SumPoints().data());
    }
}
BENCHMARK(BM_ChannelFromScratch);

// Adopting a whole image into the channel objects (after the connection read, a preset recall or a file
// load): every filter of the eight channels and the carried records takes its record.
void BM_ApplyImage(benchmark::State& state) {
    ModelGlobals g;
    ResetModelGlobals(g);
    for (OutputBlock& block : g.liveImage.outputs) {
        for (int k = 0; k < Layout::kBands; ++k)
            block.bands[k].gain = static_cast<std::uint16_t>(400 + (k % 2 ? 180 : 230));
        block.highPass = XoverRecord{60, 0, 5};
        block.lowPass = XoverRecord{12000, 0, 5};
    }
    CKTV_Data data(g);
    for (auto _ : state) {
        data.ApplyAll(g.liveImage, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ApplyImage)->Unit(benchmark::kMicrosecond);

} // namespace
