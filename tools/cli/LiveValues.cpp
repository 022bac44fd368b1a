#include "LiveValues.h"
#include "app/DialogHook.h"
#include "app/Utils.h"
#include "app/Values.h"
#include <cstdio>

// Decimals as the current-values window shows them; the values it does not show get none.
static constexpr int kDecimals[MeasuredValueCount + 1] = {0, 1, 1, 0, 0, 0, 0, 0,
                                                          1, 0, 2, 1, 2, 1, 1};

void PrintLiveValues() {
    QString line = Now().toString("HH:mm:ss");
    bool any = false;
    for (int mv = 1; mv <= MeasuredValueCount; ++mv) {
        if (!CurrentValues.Present[mv]) continue;
        line += "  " + MeasuredValueName(mv) + " " +
                FormatFixed(0, kDecimals[mv], CurrentValues.Values[mv]);
        any = true;
    }
    if (!any) line += "  -";
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}
