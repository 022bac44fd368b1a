#pragma once
// The simulated analyser: a burner that fires and pauses, and the telegrams each analyser type
// sends for its current values. Everything depends only on the seed, so a stream is repeatable.
#include "app/Values.h"
#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>
#include <random>

struct SimValues {
    std::array<double, MeasuredValueCount + 1> v{};
    // False for values the analyser reports as invalid (Lambda, Eta, Qa while the burner rests).
    std::array<bool, MeasuredValueCount + 1> valid{};
};

class BurnerModel {
public:
    explicit BurnerModel(std::uint32_t seed);
    // Advances the burner by one second.
    void Step();
    const SimValues& Values() const { return values_; }
    bool Firing() const { return firing_; }

private:
    double Uniform(double low, double high);
    void Compute();

    std::mt19937 random_;
    bool firing_ = false;
    int phaseLeft_ = 0; // seconds until the burner switches between firing and resting
    int firedFor_ = 0;  // seconds since the burner started
    double o2_ = 20.9, o2Target_ = 5.0;
    double tgas_ = 40.0, tgasTarget_ = 170.0;
    double tluft_ = 21.0;
    double coBase_ = 12.0, noBase_ = 45.0;
    double draught_ = -0.10;
    SimValues values_;
};

// The reference O2 the QAN Orbis reports with its values.
constexpr double SimReferenceO2 = 3.0;

// The QAN Vela header: the column codes of the data lines that VelaDataLine writes.
QByteArray VelaHeaderLine();
// The lines one analyser type sends for one set of values, each ending in CR LF. `setNumber`
// counts the sets from 1 (the QAN Rondo shows it in its first columns). The QAN Vela header is not
// included: the caller sends it at the start and after a pause.
QList<QByteArray> TelegramSet(int deviceType, const SimValues& values, int setNumber);
