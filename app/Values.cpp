#include "Values.h"
#include "Global.h"

ValueRecord CurrentValues;
ValueRecord PendingValues;
int DeviceType = 0;
int NoDataTicks = 0;
int NoDataLimit = 1200;
std::array<int, VelaMaxColumns> VelaColumnMap{};
bool VelaHeaderSeen = false;

// Set when the watch has cleared the record; a stale record must never stay on screen, so the
// watch clears again whenever the counter stands at the limit and this is not set.
static bool watchCleared = false;

static const char* const kNames[MeasuredValueCount + 1] = {
    "",      "O2",   "CO2",    "CO",  "NO", "NO2", "NOx",  "SO2",
    "TLUFT", "TGAS", "Lambda", "Eta", "P",  "Qa",  "O2Ref"};

const double MgFactor[MeasuredValueCount + 1] = {1.0, 1.0, 1.0, 1.25, 1.34, 2.05, 2.05, 2.86,
                                                 1.0, 1.0, 1.0, 1.0,  1.0,  1.0,  1.0};
const bool RefToO2[MeasuredValueCount + 1] = {false, false, false, true,  true,  true,  true, true,
                                              false, false, false, false, false, false, false};

QString MeasuredValueName(int mv) {
    return mv >= 0 && mv <= MeasuredValueCount ? QString::fromLatin1(kNames[mv]) : QString();
}

void ClearValues() {
    PendingValues = ValueRecord{};
    CurrentValues = PendingValues;
    VelaColumnMap.fill(0);
    VelaHeaderSeen = false;
}

void ResetNoDataTicks() {
    NoDataTicks = 0;
    watchCleared = false;
}

void NoDataWatchStep() {
    NoDataLimit = DeviceType == 1 ? 1200 : 100;
    if (NoDataTicks < NoDataLimit) ++NoDataTicks;
    if (NoDataTicks >= NoDataLimit && !watchCleared) {
        ClearValues();
        watchCleared = true;
    }
}

double MgConvert(int mv, double x) {
    if (!Settings.MG || mv < 0 || mv > MeasuredValueCount) return x;
    return x * MgFactor[mv];
}

Referred ReferToO2(int mv, double x) {
    (void)mv;
    if (!CurrentValues.Present[mvO2] || CurrentValues.Values[mvO2] >= 20.0) return {x, false};
    double factor = (21.0 - Settings.Bezugo2) / (21.0 - CurrentValues.Values[mvO2]);
    if (!Settings.BONUS && factor < 1.0) factor = 1.0;
    return {x * factor, true};
}

void ResetValueState() {
    CurrentValues = ValueRecord{};
    PendingValues = ValueRecord{};
    DeviceType = 0;
    NoDataTicks = 0;
    NoDataLimit = 1200;
    VelaColumnMap.fill(0);
    VelaHeaderSeen = false;
    watchCleared = false;
}
