// Line cutting plus decoding, per telegram form: what one polling tick costs for the bytes an
// analyser sends. Items are telegram lines; an analyser at 115200 baud sends about 11,500 bytes/s.
#include "acquisition/Decoders.h"
#include "acquisition/LineCutter.h"
#include "app/Global.h"
#include "app/Values.h"
#include <benchmark/benchmark.h>

namespace {

// One second of an analyser of each form, as the analysers send it (CR LF after every line).
const char* const kChannelSet = "051G4.3;\r\n052G11.7;\r\n053G17;\r\n057G42;\r\n061G2;\r\n"
                                "513G44;\r\n065G8;\r\n040G21.3;\r\n041G180.2;\r\n092G1.26;\r\n"
                                "080G-0.10;\r\n090G7.4;\r\n";
const char* const kKeywordSet = "QAN Orbis  Messung 12\r\nO2        4,3 %\r\nCO2      11,7 %\r\n"
                                "CO         17 ppm\r\nEta    =  92,6 %\r\nLambda =  1,26\r\n"
                                "T-Gas  = 180,2 \xB0"
                                "C\r\nT-Luft =  21,3 \xB0"
                                "C\r\n"
                                "O2-Bezug : 3,0 %\r\nNO         42 ppm\r\nNO2         2 ppm\r\n"
                                "NOx        44 ppm\r\nSO2         8 ppm\r\n";
const char* const kColumnSet = "R000012       4.3     17     42      2      8\r\n";
const char* const kVelaSet = "21,3;180,2;-0,10;4,3;17;42;8;2;11,7;7,4;92,6;1,26;44;45,0;\r\n";
const char* const kVelaHeader = "*0;1;2;3;4;5;6;7;10;11;12;13;14;20;\r\n";

void Run(benchmark::State& state, int deviceType, const char* set, bool decode) {
    ResetGlobalState();
    Settings.MG = Settings.BEZUG = state.range(0) != 0;
    DeviceType = deviceType;
    QByteArray stream;
    for (int i = 0; i < 1000; ++i)
        stream += set;
    const qsizetype lines = stream.count('\r');
    if (deviceType == 6) DecodeLine(6, QByteArrayView(kVelaHeader).chopped(2));
    LineCutter cutter;
    long seen = 0;
    for (auto _ : state) {
        cutter.Feed(stream, [&](QByteArrayView line) {
            ++seen;
            if (decode) DecodeLine(deviceType, line);
        });
        benchmark::DoNotOptimize(CurrentValues);
    }
    benchmark::DoNotOptimize(seen);
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * stream.size());
}

void BM_CutOnly(benchmark::State& s) {
    Run(s, 3, kChannelSet, false);
}
void BM_ChannelTelegrams(benchmark::State& s) {
    Run(s, 3, kChannelSet, true);
}
void BM_ChannelTelegramsLumo(benchmark::State& s) {
    Run(s, 2, kChannelSet, true);
}
void BM_PlainChannelTelegrams(benchmark::State& s) {
    Run(s, 4, kChannelSet, true);
}
void BM_ColumnTelegrams(benchmark::State& s) {
    Run(s, 5, kColumnSet, true);
}
void BM_VelaRecords(benchmark::State& s) {
    Run(s, 6, kVelaSet, true);
}
void BM_KeywordLines(benchmark::State& s) {
    Run(s, 1, kKeywordSet, true);
}

// Argument: 0 plain ppm, 1 with mg/m³ and the O2 reference.
BENCHMARK(BM_CutOnly)->Arg(0);
BENCHMARK(BM_ChannelTelegrams)->Arg(0)->Arg(1);
BENCHMARK(BM_ChannelTelegramsLumo)->Arg(1);
BENCHMARK(BM_PlainChannelTelegrams)->Arg(0);
BENCHMARK(BM_ColumnTelegrams)->Arg(0)->Arg(1);
BENCHMARK(BM_VelaRecords)->Arg(0)->Arg(1);
BENCHMARK(BM_KeywordLines)->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
