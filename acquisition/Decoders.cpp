// The five telegram decoders and the table of analyser types.
#include "Decoders.h"
#include "app/Ansi.h"
#include "app/Global.h"
#include "app/Utils.h"
#include <QString>
#include <cmath>

const ChannelMap ChannelTable = {0, 51, 52, 53, 57, 61, 513, 65, 40, 41, 92, 0, 80, 90, 0};
// The QAN Tessa has no channel for NOx, Lambda, Eta and the reference O2.
const ChannelMap TessaChannelTable = {0, 51, 52, 53, 57, 61, 0, 65, 40, 41, 0, 0, 80, 90, 0};

// Codes 16..33 name quantities of the analyser's own files (dew point, ambient CO, ...) that the
// live record does not hold; their columns are skipped.
const std::array<int, VelaCodeCount> VelaCodeTable = {
    mvTLUFT, mvTGAS,   mvP,   mvO2, mvCO, mvNO, mvSO2, mvNO2, 0, 0, mvCO2, mvQa,
    mvEta,   mvLambda, mvNOx, 0,    0,    0,    0,     0,     0, 0, 0,     0,
    0,       0,        0,     0,    0,    0,    0,     0,     0, 0};

static const DeviceDescription kDevices[DeviceTypeCount] = {
    {1, "QAN Orbis", TelegramForm::KeywordLines, DecodeKeywordLine, 9600, nullptr, false, false},
    {2, "QAN Lumo", TelegramForm::ChannelTelegrams, DecodeChannelTelegram, 9600, &ChannelTable,
     true, false},
    {3, "QAN Pilo ", TelegramForm::ChannelTelegrams, DecodeChannelTelegram, 9600, &ChannelTable,
     false, false},
    {4, "QAN Tessa", TelegramForm::PlainChannelTelegrams, DecodePlainChannelTelegram, 9600,
     &TessaChannelTable, false, false},
    {5, "QAN Rondo", TelegramForm::FixedColumns, DecodeColumnTelegram, 9600, nullptr, false, false},
    {6, "QAN Vela", TelegramForm::VelaRecords, DecodeVelaRecord, 9600, nullptr, false, false},
    {7, "QAN Kestrel", TelegramForm::ChannelTelegrams, DecodeChannelTelegram, 9600, &ChannelTable,
     false, false},
    {8, "QAN Heron", TelegramForm::ChannelTelegrams, DecodeChannelTelegram, 115200, &ChannelTable,
     false, false},
    {9, "Wren", TelegramForm::ChannelTelegrams, DecodeChannelTelegram, 115200, &ChannelTable, false,
     true},
};

std::span<const DeviceDescription> DeviceDescriptions() {
    return kDevices;
}

const DeviceDescription* DeviceDescriptionOf(int deviceType) {
    return deviceType >= 1 && deviceType <= DeviceTypeCount ? &kDevices[deviceType - 1] : nullptr;
}

void DecodeLine(int deviceType, QByteArrayView line) {
    if (const DeviceDescription* d = DeviceDescriptionOf(deviceType)) d->decode(line);
}

// Characters `from`..`to` (1-based, inclusive) of the line, clipped to the line.
static QByteArrayView Chars(QByteArrayView line, qsizetype from, qsizetype to) {
    if (to > line.size()) to = line.size();
    if (from < 1) from = 1;
    if (from > to) return {};
    return line.sliced(from - 1, to - from + 1);
}

static bool HasNonBlankBytes(QByteArrayView field) {
    for (char c : field)
        if (c != ' ') return true;
    return false;
}

// A number the reader took can still overflow once multiplied (a 308-digit field times the mg
// factor). Such a value is out of range like any unreadable number and reads as 0: an infinity
// must never reach the windows, the averages or a table.
static double InRange(double v) {
    return std::isfinite(v) ? v : 0.0;
}

// The unit conversion and the O2 reference as the channel and Vela decoders apply them.
static void StoreConverted(int mv, double raw) {
    double v = MgConvert(mv, raw);
    bool present = true;
    if (Settings.MG && Settings.BEZUG && RefToO2[mv]) {
        const Referred r = ReferToO2(mv, v);
        v = r.value;
        present = r.present;
    }
    CurrentValues.Values[mv] = InRange(v);
    CurrentValues.Present[mv] = present;
}

struct ChannelFields {
    int channel;
    char status;
    double value;
};

static ChannelFields ReadChannelFields(QByteArrayView line) {
    const qsizetype length = line.size();
    ChannelFields f;
    f.channel = ReadIntBytes(Chars(line, 1, 3));
    f.status = length >= 4 ? line[3] : ' ';
    // The last character closes the telegram and is not part of the value.
    f.value = length >= 6 ? ReadNumberBytes(Chars(line, 5, length - 1)) : 0.0;
    return f;
}

static int FindChannel(const ChannelMap& map, int channel) {
    for (int i = 1; i <= MeasuredValueCount; ++i)
        if (map[i] == channel) return i;
    return 0;
}

void DecodeChannelTelegram(QByteArrayView line) {
    const ChannelFields f = ReadChannelFields(line);
    ResetNoDataTicks();
    const DeviceDescription* device = DeviceDescriptionOf(DeviceType);
    if (device && device->formsNOx && f.channel == ChannelTable[mvNO2]) {
        // NOx is formed from the NO and NO2 already in the record, before this line's NO2 is
        // stored. With MG on they are already in mg/m³ (and referred when BEZUG is on), so NOx is
        // given as NO2 equivalent and not referred again.
        auto& cv = CurrentValues;
        if (cv.Present[mvNO] && cv.Present[mvNO2]) {
            cv.Values[mvNOx] =
                InRange(Settings.MG ? MgFactor[mvNOx] * (cv.Values[mvNO] / MgFactor[mvNO] +
                                                         cv.Values[mvNO2] / MgFactor[mvNO2])
                                    : cv.Values[mvNO] + cv.Values[mvNO2]);
            cv.Present[mvNOx] = true;
        } else {
            cv.Values[mvNOx] = 0.0;
            cv.Present[mvNOx] = false;
        }
    }
    if (f.channel <= 0) return;
    const int mv = FindChannel(ChannelTable, f.channel);
    if (mv == 0) return;
    if (f.status != 'G') {
        CurrentValues.Values[mv] = 0.0;
        CurrentValues.Present[mv] = false;
        return;
    }
    StoreConverted(mv, f.value);
    if (mv == mvP && device && device->invertsP)
        CurrentValues.Values[mv] = -CurrentValues.Values[mv];
}

void DecodePlainChannelTelegram(QByteArrayView line) {
    if (line.size() < 6) return;
    const ChannelFields f = ReadChannelFields(line);
    ResetNoDataTicks();
    // A channel field that reads as 0 matches nothing, as in the channel telegrams.
    if (f.channel <= 0) return;
    const int mv = FindChannel(TessaChannelTable, f.channel);
    if (mv == 0) return;
    const bool valid = f.status == 'G';
    CurrentValues.Values[mv] = valid ? f.value : 0.0;
    CurrentValues.Present[mv] = valid;
}

void DecodeColumnTelegram(QByteArrayView line) {
    static constexpr struct {
        int mv;
        int first;
    } kColumns[] = {{mvO2, 12}, {mvCO, 19}, {mvNO, 26}, {mvNO2, 33}, {mvSO2, 40}};
    for (const auto& c : kColumns) {
        CurrentValues.Values[c.mv] =
            MgConvert(c.mv, ReadNumberBytes(Chars(line, c.first, c.first + 6)));
        CurrentValues.Present[c.mv] = true;
    }
    ResetNoDataTicks();
}

// Keyword lines fill PendingValues; the lines of NO, NO2, NOx and SO2 publish the whole record.
void DecodeKeywordLine(QByteArrayView line) {
    TokenizerStart(FromAnsi(line.toByteArray()), QStringLiteral(" "));
    QString w[4];
    for (QString& word : w)
        word = CapitalizeSpelled(NextToken()).left(20);
    const QString& w1 = w[0];
    const QString p3 = w1.left(3);
    const QString p4 = w1.left(4);

    auto& pv = PendingValues;
    auto set = [&](int mv, double value, bool publish) {
        pv.Values[mv] = MgConvert(mv, value);
        pv.Present[mv] = true;
        if (publish) {
            ResetNoDataTicks();
            CurrentValues = PendingValues;
        }
    };
    if (w1 == u"CO")
        set(mvCO, ReadNumber(w[1]), false);
    else if (w1 == u"SO2")
        set(mvSO2, ReadNumber(w[1]), true);
    else if (w1 == u"NO2")
        set(mvNO2, ReadNumber(w[1]), true);
    else if (w1 == u"NOX")
        set(mvNOx, ReadNumber(w[1]), true);
    else if (w1 == u"NO")
        set(mvNO, ReadNumber(w[1]), true);
    else if (w1 == u"O2")
        set(mvO2, ReadNumber(w[1]), false);
    else if (w1 == u"CO2")
        set(mvCO2, ReadNumber(w[1]), false);
    else if (w1 == u"ETA" || p3 == u"EFF")
        set(mvEta, ReadNumber(w[2]), false);
    else if (p3 == u"LAM" || p3 == u"EXC") {
        if (w[2] == u"EEEE") {
            pv.Values[mvLambda] = 0.0;
            pv.Present[mvLambda] = false;
        } else {
            set(mvLambda, ReadNumber(w[2]), false);
        }
    } else if (p3 == u"T-G" || p3 == u"T-F")
        set(mvTGAS, ReadNumber(w[2]), false);
    else if (p3 == u"T-L" || p3 == u"T-A" || p3 == u"T-P")
        set(mvTLUFT, ReadNumber(w[2]), false);
    else if (p4 == u"O2-B" || p4 == u"O2-R" || p4 == u"O2-Z")
        set(mvO2Ref, ReadNumber(w[1] == u":" ? w[2] : w[1]), false);
}

// Splits a Vela line into at most VelaFieldCount fields at ";", starting at `start` (0-based).
// Fields past the end of the line stay empty.
static void VelaFields(QByteArrayView line, qsizetype start,
                       std::array<QByteArrayView, VelaFieldCount>& fields) {
    qsizetype pos = start;
    for (auto& field : fields) {
        if (pos >= line.size()) {
            field = {};
            continue;
        }
        qsizetype stop = line.indexOf(';', pos);
        if (stop < 0) stop = line.size();
        field = line.sliced(pos, stop - pos);
        pos = stop + 1;
    }
}

void DecodeVelaRecord(QByteArrayView line) {
    std::array<QByteArrayView, VelaFieldCount> fields;
    if (!line.isEmpty() && line[0] == '*') {
        // The header names the column codes; it is not a sign of measured data.
        VelaFields(line, 1, fields);
        VelaColumnMap.fill(0);
        for (int k = 0; k < VelaFieldCount; ++k) {
            if (!HasNonBlankBytes(fields[k])) continue;
            const int code = ReadIntBytes(fields[k]);
            if (code >= 0 && code < VelaCodeCount) VelaColumnMap[k] = VelaCodeTable[code];
        }
        VelaHeaderSeen = true;
        return;
    }
    ResetNoDataTicks();
    if (!VelaHeaderSeen) return;
    VelaFields(line, 0, fields);
    for (int k = 0; k < VelaFieldCount; ++k) {
        const int mv = VelaColumnMap[k];
        if (mv < 1 || mv > MeasuredValueCount) continue;
        if (HasNonBlankBytes(fields[k]))
            StoreConverted(mv, ReadNumberBytes(fields[k]));
        else
            CurrentValues.Present[mv] = false;
    }
}
