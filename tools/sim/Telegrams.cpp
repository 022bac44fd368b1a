#include "Telegrams.h"
#include "acquisition/Decoders.h"
#include <algorithm>
#include <cmath>

// A light-oil burner: the analyser's fuel constants for CO2max and the flue-gas loss.
static constexpr double kCO2Max = 15.4;
static constexpr double kLossA2 = 0.68;
static constexpr double kLossB = 0.007;

BurnerModel::BurnerModel(std::uint32_t seed) : random_(seed) {
    // The stream starts with a short rest so that a reader sees the burner start.
    phaseLeft_ = 3;
    Compute();
}

double BurnerModel::Uniform(double low, double high) {
    // Built from the raw generator output so that a seed gives the same stream everywhere.
    const double u = static_cast<double>(random_()) / 4294967296.0;
    return low + (high - low) * u;
}

void BurnerModel::Step() {
    if (phaseLeft_ <= 0) {
        firing_ = !firing_;
        if (firing_) {
            phaseLeft_ = static_cast<int>(Uniform(40, 90));
            o2Target_ = Uniform(3.5, 7.5);
            tgasTarget_ = Uniform(130, 210);
            coBase_ = Uniform(5, 40);
            noBase_ = Uniform(35, 70);
            firedFor_ = 0;
        } else {
            phaseLeft_ = static_cast<int>(Uniform(15, 35));
        }
    }
    --phaseLeft_;
    if (firing_) {
        ++firedFor_;
        if (firedFor_ % 10 == 0) o2Target_ = std::clamp(o2Target_ + Uniform(-0.4, 0.4), 3.0, 8.0);
        o2_ += (o2Target_ - o2_) * 0.3 + Uniform(-0.08, 0.08);
        tgas_ += (tgasTarget_ - tgas_) / 25.0 + Uniform(-0.4, 0.4);
        draught_ += (-0.10 - draught_) * 0.3 + Uniform(-0.01, 0.01);
    } else {
        o2_ += (20.9 - o2_) * 0.35;
        tgas_ += (45.0 - tgas_) / 60.0;
        draught_ += (-0.04 - draught_) * 0.3 + Uniform(-0.005, 0.005);
    }
    tluft_ = std::clamp(tluft_ + Uniform(-0.1, 0.1), 18.0, 24.0);
    Compute();
}

void BurnerModel::Compute() {
    auto& v = values_.v;
    const double o2 = std::clamp(o2_, 0.0, 20.9);
    const bool burning = firing_ && o2 < 20.0;
    v.fill(0.0);
    values_.valid.fill(true);
    v[mvO2] = o2;
    v[mvCO2] = o2 > 20.5 ? 0.0 : kCO2Max * (21.0 - o2) / 21.0;
    if (firing_) {
        // Every start makes a CO puff until the flame has settled.
        v[mvCO] = coBase_ + 250.0 * std::exp(-firedFor_ / 4.0) + Uniform(-2, 2);
        v[mvNO] = noBase_ * (21.0 - o2) / 16.0 + Uniform(-1, 1);
        v[mvNO2] = v[mvNO] * 0.05;
        v[mvSO2] = 8.0 + Uniform(-1, 1);
    }
    v[mvCO] = std::max(0.0, v[mvCO]);
    v[mvNO] = std::max(0.0, v[mvNO]);
    v[mvNOx] = v[mvNO] + v[mvNO2];
    v[mvTLUFT] = tluft_;
    v[mvTGAS] = tgas_;
    v[mvP] = draught_;
    v[mvO2Ref] = SimReferenceO2;
    if (burning) {
        v[mvLambda] = 21.0 / (21.0 - o2);
        v[mvQa] = (tgas_ - tluft_) * (kLossA2 / (21.0 - o2) + kLossB);
        v[mvEta] = 100.0 - v[mvQa];
    } else {
        values_.valid[mvLambda] = values_.valid[mvQa] = values_.valid[mvEta] = false;
    }
}

static int Decimals(int mv) {
    switch (mv) {
    case mvCO:
    case mvNO:
    case mvNO2:
    case mvNOx:
    case mvSO2:
        return 0;
    case mvLambda:
    case mvP:
        return 2;
    default:
        return 1;
    }
}

static QByteArray Number(double x, int decimals, char point = '.') {
    if (std::abs(x) < 0.5 * std::pow(10.0, -decimals)) x = 0.0; // no "-0.00"
    QByteArray text = QByteArray::number(x, 'f', decimals);
    if (point != '.') text.replace('.', point);
    return text;
}

static QByteArray RightAligned(const QByteArray& text, int width) {
    return text.size() >= width ? text : QByteArray(width - text.size(), ' ') + text;
}

static QList<QByteArray> ChannelLines(const DeviceDescription& d, const SimValues& s) {
    QList<QByteArray> lines;
    const ChannelMap& map = *d.channels;
    for (int mv = 1; mv <= MeasuredValueCount; ++mv) {
        if (map[mv] == 0 || (mv == mvNOx && d.formsNOx)) continue;
        const double value = mv == mvP && d.invertsP ? -s.v[mv] : s.v[mv];
        QByteArray line = QByteArray::number(map[mv]).rightJustified(3, '0');
        line += s.valid[mv] ? 'G' : 'F';
        line += Number(s.valid[mv] ? value : 0.0, Decimals(mv));
        line += ";\r\n";
        lines << line;
    }
    return lines;
}

static QList<QByteArray> KeywordLines(const SimValues& s, int setNumber) {
    const auto& v = s.v;
    auto num = [&](int mv) { return RightAligned(Number(v[mv], Decimals(mv), ','), 6); };
    const QByteArray degrees = "\xB0"
                               "C"; // the analyser prints its degree sign in Windows-1252
    QList<QByteArray> lines = {
        "QAN Orbis  Messung " + QByteArray::number(setNumber),
        "O2     " + num(mvO2) + " %",
        "CO2    " + num(mvCO2) + " %",
        "CO     " + num(mvCO) + " ppm",
        "Eta    = " + (s.valid[mvEta] ? num(mvEta) : QByteArray("   0,0")) + " %",
        "Lambda = " + (s.valid[mvLambda] ? num(mvLambda) : QByteArray("  EEEE")),
        "T-Gas  = " + num(mvTGAS) + " " + degrees,
        "T-Luft = " + num(mvTLUFT) + " " + degrees,
        "O2-Bezug : " + Number(v[mvO2Ref], 1, ',') + " %",
        "NO     " + num(mvNO) + " ppm",
        "NO2    " + num(mvNO2) + " ppm",
        "NOx    " + num(mvNOx) + " ppm",
        "SO2    " + num(mvSO2) + " ppm",
    };
    for (QByteArray& line : lines)
        line += "\r\n";
    return lines;
}

static QByteArray ColumnLine(const SimValues& s, int setNumber) {
    QByteArray line = "R" + QByteArray::number(setNumber % 1000000).rightJustified(6, '0');
    line = line.leftJustified(11, ' ');
    for (int mv : {int(mvO2), int(mvCO), int(mvNO), int(mvNO2), int(mvSO2)})
        line += RightAligned(Number(s.v[mv], Decimals(mv)), 7);
    return line + "\r\n";
}

// Column codes of the simulated QAN Vela, in field order; 20 names a quantity the live record does
// not hold (the dew point), which the program must skip.
static constexpr int kVelaCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 20};

QByteArray VelaHeaderLine() {
    QByteArray line = "*";
    for (int code : kVelaCodes)
        line += QByteArray::number(code) + ';';
    return line + "\r\n";
}

static QByteArray VelaDataLine(const SimValues& s) {
    QByteArray line;
    for (int code : kVelaCodes) {
        const int mv = code < VelaCodeCount ? VelaCodeTable[code] : 0;
        if (mv == 0)
            line += "45,0";
        else if (s.valid[mv])
            line += Number(s.v[mv], Decimals(mv), ',');
        line += ';';
    }
    return line + "\r\n";
}

QList<QByteArray> TelegramSet(int deviceType, const SimValues& values, int setNumber) {
    const DeviceDescription* d = DeviceDescriptionOf(deviceType);
    if (!d) return {};
    switch (d->form) {
    case TelegramForm::KeywordLines:
        return KeywordLines(values, setNumber);
    case TelegramForm::ChannelTelegrams:
    case TelegramForm::PlainChannelTelegrams:
        return ChannelLines(*d, values);
    case TelegramForm::FixedColumns:
        return {ColumnLine(values, setNumber)};
    case TelegramForm::VelaRecords:
        return {VelaDataLine(values)};
    case TelegramForm::None:
        break;
    }
    return {};
}
