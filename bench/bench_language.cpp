// Reading and writing language files of realistic and hostile size.
#include "language/Language.h"
#include <benchmark/benchmark.h>

namespace {

// About the size of a complete language file: 40 windows with 60 texts each.
QByteArray LanguageText(int sections, int lines) {
    QByteArray out;
    for (int s = 0; s < sections; ++s) {
        out += "[Form" + QByteArray::number(s) + "]\r\n";
        for (int l = 0; l < lines; ++l)
            out += "Label" + QByteArray::number(l) + ".Caption=Messwert \xB6 Nummer " +
                   QByteArray::number(l) + "\r\n";
    }
    return out;
}

void BM_ParseLanguageFile(benchmark::State& state) {
    const QByteArray text = LanguageText(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseLanguageText(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ParseLanguageFile)->Args({40, 60})->Args({5000, 2});

void BM_WriteLanguageFile(benchmark::State& state) {
    const TranslationTable table = ParseLanguageText(LanguageText(40, 60));
    for (auto _ : state)
        benchmark::DoNotOptimize(LanguageFileBytes(table));
}
BENCHMARK(BM_WriteLanguageFile);

void BM_FindSection(benchmark::State& state) {
    const TranslationTable table = ParseLanguageText(LanguageText(int(state.range(0)), 1));
    const QString last = QStringLiteral("form%1").arg(state.range(0) - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(table.FindSection(last));
}
BENCHMARK(BM_FindSection)->Arg(40)->Arg(5000);

void BM_SplitEntry(benchmark::State& state) {
    const QString line = QStringLiteral("EditZeit.Item[1]=30 minutes");
    for (auto _ : state) {
        const LanguageEntry e = SplitLanguageEntry(line);
        int n = 0;
        benchmark::DoNotOptimize(ParseLanguageProperty(e.property, &n));
    }
}
BENCHMARK(BM_SplitEntry);

} // namespace

BENCHMARK_MAIN();
