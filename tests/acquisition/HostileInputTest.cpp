// Whatever an analyser or a broken cable sends, the decoders neither crash nor read out of bounds,
// and the record only ever holds finite numbers. Seeded, so a failure can be repeated.
#include "acquisition/Decoders.h"
#include "acquisition/LineCutter.h"
#include "app/Global.h"
#include "app/Utils.h"
#include "app/Values.h"
#include <QElapsedTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override { ResetGlobalState(); }
    void TearDown() override { ResetGlobalState(); }

    static void ExpectSaneRecord(const char* context) {
        for (int mv = 1; mv <= MeasuredValueCount; ++mv) {
            ASSERT_TRUE(std::isfinite(CurrentValues.Values[mv])) << context << " value " << mv;
            ASSERT_TRUE(std::isfinite(PendingValues.Values[mv])) << context << " value " << mv;
        }
        for (int k = 0; k < VelaMaxColumns; ++k)
            ASSERT_TRUE(VelaColumnMap[k] >= 0 && VelaColumnMap[k] <= MeasuredValueCount) << context;
    }
};

// Text that looks enough like telegrams to reach deep into every decoder.
QByteArray RandomLine(std::mt19937& random) {
    static const char alphabet[] = "0123456789;;;***---,,,...GGGF  $eE\xff\xd6\xfcxCONOLAMT";
    const int kind = random() % 100;
    qsizetype length = random() % 48;
    if (kind == 0) length = random() % 20000;
    QByteArray line(length, Qt::Uninitialized);
    for (char& c : line)
        c = random() % 4 == 0 ? char(random() % 256) : alphabet[random() % (sizeof alphabet - 1)];
    if (kind < 10 && !line.isEmpty()) line[0] = '*';
    return line;
}

TEST_F(HostileInput, RandomBytesThroughEveryDecoder) {
    std::mt19937 random(20240611);
    QElapsedTimer clock;
    clock.start();
    LineCutter cutter;
    long lines = 0;
    // A fixed amount of work, cut short on a slow machine.
    for (int round = 0; round < 200000 && clock.elapsed() < 2500; ++round) {
        DeviceType = 1 + random() % 9;
        Settings.MG = random() % 2;
        Settings.BEZUG = random() % 2;
        Settings.BONUS = random() % 2;
        Settings.Bezugo2 = (random() % 250) / 10.0;
        QByteArray chunk = RandomLine(random);
        chunk += random() % 8 == 0 ? '\n' : '\r';
        cutter.Feed(chunk, [&](QByteArrayView line) {
            ++lines;
            DecodeLine(DeviceType, line);
        });
        // Now and then the same bytes without the cutter, as the dongle path hands them over.
        if (random() % 16 == 0) DecodeLine(DeviceType, chunk);
        if (random() % 1000 == 0) NoDataWatchStep();
        if (random() % 5000 == 0) ClearValues();
        ExpectSaneRecord("random");
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(lines, 1000);
}

TEST_F(HostileInput, HandMadeLines) {
    QByteArray megabyte(1 << 20, '9');
    QByteArray manyFields = "*";
    for (int k = 0; k < 40; ++k)
        manyFields += QByteArray::number(k * 250) + ";";
    // Readable, but beyond the range of a double once the mg factor or a sum is applied.
    const QByteArray huge = "8" + QByteArray(307, '0');
    const QByteArray lines[] = {
        QByteArray("\x00\x00\x00", 3),
        "\xff\xff\xff\xff\xff\xff\xff",
        megabyte,
        "051G" + megabyte + ";",
        "*" + megabyte,
        ";;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;",
        "051G1e400;",
        "051G--5;",
        "051G1.2.3;",
        manyFields,
        "*9999;99999999999999999999;-2147483648;$7fffffff;$;",
        "CO 1e400",
        "O2-Bezug :",
        "LAMBDA",
        "057G" + huge + ";",
        "061G" + huge + ";",
        "061G" + huge + ";",
        "065G" + huge + ";",
        "*6;",
        huge + ";",
    };
    Settings.MG = Settings.BEZUG = Settings.BONUS = true;
    for (const QByteArray& line : lines)
        for (int type = 1; type <= DeviceTypeCount; ++type) {
            DeviceType = type;
            DecodeLine(type, line);
            DecodeLine(6, line); // then as a Vela data line with whatever header came last
            ExpectSaneRecord(line.left(20).constData());
        }
    // The lenient readers decide these, never the exception of a conversion.
    ResetValueState();
    DeviceType = 3;
    DecodeLine(3, "051G--5;");
    EXPECT_EQ(CurrentValues.Values[mvO2], 0.0);
    DecodeLine(3, "051G1e400;");
    EXPECT_EQ(CurrentValues.Values[mvO2], 1.0);
    // The QAN Lumo's NOx sum of two huge but representable values must not overflow either.
    DeviceType = 2;
    for (const char* channel : {"057G", "061G", "061G"})
        DecodeLine(2, channel + huge + ";");
    EXPECT_TRUE(std::isfinite(CurrentValues.Values[mvNOx]));
    EXPECT_TRUE(std::isfinite(CurrentValues.Values[mvNO2]));
}

// The byte readers of the decoders must give what ReadInt / ReadNumber give for the same text.
TEST_F(HostileInput, ByteReadersAgreeWithTheTextReaders) {
    static const char alphabet[] = "0123456789-,.$aAfFx +";
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        QByteArray text(random() % 14, Qt::Uninitialized);
        for (char& c : text)
            c = random() % 10 == 0 ? char(random() % 256)
                                   : alphabet[random() % (sizeof alphabet - 1)];
        const QString asText = QString::fromLatin1(text);
        ASSERT_EQ(ReadIntBytes(text), ReadInt(asText)) << text.toHex().constData();
        const double a = ReadNumberBytes(text), b = ReadNumber(asText);
        ASSERT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << text.toHex().constData();
    }
    for (const char* text : {"2147483647", "2147483648", "-2147483648", "-2147483649", "--5", "-",
                             "12.5", "x-7y", "COM12"})
        EXPECT_EQ(ReadIntBytes(text), ReadInt(QString::fromLatin1(text))) << text;
    // Leading zeros do not make a number out of range.
    EXPECT_EQ(ReadIntBytes("000000000000000000042"), 42);
}

} // namespace
