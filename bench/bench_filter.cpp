// Cost of one filter's response and of a channel sum: a graph drag recomputes both per mouse move.
#include "model/KTVEQ.h"
#include "response/Filter.h"

#include <benchmark/benchmark.h>

namespace {

void BM_PeakResponse(benchmark::State& state) {
    CFilter f;
    f.SetGainCode(260);
    for (auto _ : state) {
        f.CalcResponse();
        benchmark::DoNotOptimize(f.Response().data());
    }
}
BENCHMARK(BM_PeakResponse);

void BM_CrossoverResponse(benchmark::State& state) {
    CFilter f;
    f.SetKind(CFilter::LowPass);
    f.SetIsEqBand(0);
    f.SetFamily(static_cast<int>(state.range(0)), 0);
    f.SetSlope(5, 0); // 48 dB/Oct: four sections
    f.SetFreq(2000, 0);
    for (auto _ : state) {
        f.CalcResponse();
        benchmark::DoNotOptimize(f.Response().data());
    }
}
BENCHMARK(BM_CrossoverResponse)->Arg(0)->Arg(1)->Arg(2);

void BM_ChannelSum(benchmark::State& state) {
    CKTVEQ eq(9);
    eq.SetGraphSize(QRect(0, 0, 900, 400));
    for (auto _ : state) {
        eq.CalcSum();
        benchmark::DoNotOptimize(eq.SumPoints().data());
    }
}
BENCHMARK(BM_ChannelSum);

} // namespace
