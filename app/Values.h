#pragma once
// The current-value record: every live value passes through it. Decoders write it, windows and
// the recorder read it, all on the GUI thread.
#include <QString>
#include <array>

enum MeasuredValue {
    mvNone = 0,
    mvO2 = 1,
    mvCO2,
    mvCO,
    mvNO,
    mvNO2,
    mvNOx,
    mvSO2,
    mvTLUFT,
    mvTGAS,
    mvLambda,
    mvEta,
    mvP,
    mvQa,
    mvO2Ref = 14,
};
constexpr int MeasuredValueCount = 14;

struct ValueRecord {
    // Index 0 is unused so that the measured-value numbers index directly.
    std::array<double, MeasuredValueCount + 1> Values{};
    std::array<bool, MeasuredValueCount + 1> Present{};
};

extern ValueRecord CurrentValues;
extern ValueRecord PendingValues;
extern int DeviceType;  // 0 none, 1..9 the device list
extern int NoDataTicks; // acquisition ticks since the last accepted telegram
extern int NoDataLimit;

// "O2", "CO2", ... "Qa" for 1..13; "O2Ref" for 14 (it has no list name); "" for 0.
QString MeasuredValueName(int mv);
extern const double MgFactor[MeasuredValueCount + 1];
extern const bool RefToO2[MeasuredValueCount + 1];

void ClearValues();
// Decoders call this whenever they accept a telegram, and opening a link calls it too: the
// counter starts again from 0 and the watch may clear the record once more.
void ResetNoDataTicks();
// One tick of the no-data watch: counts up to the limit and clears the record once the counter
// stands at or above the limit, unless the watch has cleared it since the last ResetNoDataTicks.
void NoDataWatchStep();
double MgConvert(int mv, double x);
struct Referred {
    double value;
    bool present;
};
Referred ReferToO2(int mv, double x);

// Decoder state that ClearValues forgets: the QAN Vela column layout learned from its header line.
// VelaColumnMap[k] is the MeasuredValue of column k (0 = not mapped).
constexpr int VelaMaxColumns = 64;
extern std::array<int, VelaMaxColumns> VelaColumnMap;
extern bool VelaHeaderSeen;

void ResetValueState(); // record, DeviceType, counters and decoder state back to start (tests)
