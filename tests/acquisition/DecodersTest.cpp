// The five telegram decoders: the worked examples, the conversions each form applies (and the
// ones it must not), and the decoder state.
#include "acquisition/Decoders.h"
#include "app/Global.h"
#include "app/Values.h"
#include <gtest/gtest.h>
#include <initializer_list>

namespace {

class Decoders : public ::testing::Test {
protected:
    void SetUp() override { ResetGlobalState(); }
    void TearDown() override { ResetGlobalState(); }

    // Decodes the lines with the decoder of `type`, after a tick count that shows a reset.
    void Decode(int type, std::initializer_list<const char*> lines) {
        DeviceType = type;
        for (const char* line : lines)
            DecodeLine(type, QByteArrayView(line));
    }
    static double V(int mv) { return CurrentValues.Values[mv]; }
    static bool P(int mv) { return CurrentValues.Present[mv]; }
};

TEST_F(Decoders, DeviceTableFollowsTheDeviceList) {
    const char* names[] = {"QAN Orbis", "QAN Lumo",    "QAN Pilo ", "QAN Tessa", "QAN Rondo",
                           "QAN Vela",  "QAN Kestrel", "QAN Heron", "Wren"};
    const TelegramForm forms[] = {
        TelegramForm::KeywordLines,     TelegramForm::ChannelTelegrams,
        TelegramForm::ChannelTelegrams, TelegramForm::PlainChannelTelegrams,
        TelegramForm::FixedColumns,     TelegramForm::VelaRecords,
        TelegramForm::ChannelTelegrams, TelegramForm::ChannelTelegrams,
        TelegramForm::ChannelTelegrams};
    ASSERT_EQ(DeviceDescriptions().size(), 9u);
    for (int t = 1; t <= 9; ++t) {
        const DeviceDescription* d = DeviceDescriptionOf(t);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->deviceType, t);
        EXPECT_STREQ(d->name, names[t - 1]);
        EXPECT_EQ(d->form, forms[t - 1]) << t;
    }
    EXPECT_EQ(DeviceDescriptionOf(0), nullptr);
    EXPECT_EQ(DeviceDescriptionOf(10), nullptr);
    // The USB buttons open these analysers at their own rates.
    EXPECT_EQ(DeviceDescriptionOf(7)->defaultBaud, 9600);
    EXPECT_EQ(DeviceDescriptionOf(8)->defaultBaud, 115200);
    EXPECT_EQ(DeviceDescriptionOf(9)->defaultBaud, 115200);

    // No decoder for "none" or an unknown type: the record and the counter stay as they are.
    NoDataTicks = 7;
    DecodeLine(0, "052G9.8;");
    DecodeLine(10, "052G9.8;");
    EXPECT_FALSE(P(mvCO2));
    EXPECT_EQ(NoDataTicks, 7);
}

TEST_F(Decoders, ChannelTelegramExamples) {
    NoDataTicks = 50;
    Decode(3, {"052G9.8;"});
    EXPECT_DOUBLE_EQ(V(mvCO2), 9.8);
    EXPECT_TRUE(P(mvCO2));
    EXPECT_EQ(NoDataTicks, 0);

    Decode(3, {"052F9.8;"});
    EXPECT_EQ(V(mvCO2), 0.0);
    EXPECT_FALSE(P(mvCO2));

    // Unknown channel and channel 0: nothing changes, but the line is a sign of life.
    Decode(3, {"052G9.8;"});
    for (const char* line : {"999G5.0;", "000G5.0;", "", "05", "xyzG1;"}) {
        NoDataTicks = 50;
        Decode(3, {line});
        EXPECT_EQ(NoDataTicks, 0) << line;
        EXPECT_DOUBLE_EQ(V(mvCO2), 9.8) << line;
        EXPECT_TRUE(P(mvCO2)) << line;
    }
    // The last character closes the telegram; a 5-character line carries no value.
    Decode(3, {"051G7", "040G21.5", "041G180,5x"});
    EXPECT_EQ(V(mvO2), 0.0);
    EXPECT_TRUE(P(mvO2));
    EXPECT_DOUBLE_EQ(V(mvTLUFT), 21.0);
    EXPECT_DOUBLE_EQ(V(mvTGAS), 180.5);
}

TEST_F(Decoders, DraughtSignIsInvertedForTheWrenOnly) {
    for (int type : {2, 3, 7, 8, 9}) {
        ResetValueState();
        Decode(type, {"080G0.12;"});
        EXPECT_DOUBLE_EQ(V(mvP), type == 9 ? -0.12 : 0.12) << type;
    }
}

TEST_F(Decoders, LumoFormsNOxBeforeStoringNO2) {
    Decode(2, {"057G40;", "061G5;", "061G7;"});
    EXPECT_DOUBLE_EQ(V(mvNOx), 45.0); // the NO2 of the record before this line
    EXPECT_TRUE(P(mvNOx));
    EXPECT_DOUBLE_EQ(V(mvNO2), 7.0);

    // Without NO there is no NOx.
    Decode(2, {"057F40;", "061G7;"});
    EXPECT_EQ(V(mvNOx), 0.0);
    EXPECT_FALSE(P(mvNOx));

    // Other analysers take NOx from its own channel only.
    ResetValueState();
    Decode(3, {"057G40;", "061G5;", "061G7;"});
    EXPECT_FALSE(P(mvNOx));
}

TEST_F(Decoders, LumoNOxInMgIsNO2EquivalentAndReferredOnce) {
    Settings.MG = true;
    Decode(2, {"057G40;", "061G5;", "061G7;"});
    // NO 40 ppm = 53.6 mg, NO2 5 ppm = 10.25 mg: NOx as NO2 = 2.05 * 45 ppm.
    EXPECT_NEAR(V(mvNOx), 92.25, 1e-9);
    EXPECT_NEAR(V(mvNO2), 14.35, 1e-9);

    Settings.BEZUG = true;
    ResetValueState();
    Decode(2, {"051G9.0;", "057G40;", "061G5;", "061G7;"});
    EXPECT_NEAR(V(mvNO), 40 * 1.34 * 1.5, 1e-9);
    EXPECT_NEAR(V(mvNOx), 92.25 * 1.5, 1e-9);
    EXPECT_TRUE(P(mvNOx));
}

TEST_F(Decoders, ChannelTelegramConversions) {
    struct Case {
        bool mg, bezug, bonus;
        const char* o2line; // nullptr: no O2 in the record
        double co;
        bool present;
    } cases[] = {
        {false, false, false, "051G9.0;", 100.0, true},
        {false, true, false, "051G9.0;", 100.0, true}, // the reference needs MG
        {true, false, false, "051G9.0;", 125.0, true},
        {true, true, false, "051G9.0;", 187.5, true},
        {true, true, false, "051G2.0;", 125.0, true}, // factor 18/19 raised to 1
        {true, true, true, "051G2.0;", 125.0 * 18.0 / 19.0, true},
        {true, true, false, nullptr, 125.0, false},
        {true, true, false, "051G20.0;", 125.0, false},
        {true, true, false, "051F9.0;", 125.0, false},
    };
    for (const Case& c : cases) {
        ResetValueState();
        Settings.MG = c.mg;
        Settings.BEZUG = c.bezug;
        Settings.BONUS = c.bonus;
        if (c.o2line) Decode(3, {c.o2line});
        Decode(3, {"053G100;"});
        EXPECT_NEAR(V(mvCO), c.co, 1e-9)
            << c.mg << c.bezug << c.bonus << (c.o2line ? c.o2line : "");
        EXPECT_EQ(P(mvCO), c.present) << c.mg << c.bezug << c.bonus;
    }
    // O2 and temperatures are never converted; NOx and SO2 take their own factors.
    ResetValueState();
    Settings.MG = true;
    Settings.BEZUG = false;
    Decode(3, {"051G5.0;", "041G180;", "513G10;", "065G10;"});
    EXPECT_DOUBLE_EQ(V(mvO2), 5.0);
    EXPECT_DOUBLE_EQ(V(mvTGAS), 180.0);
    EXPECT_NEAR(V(mvNOx), 20.5, 1e-9);
    EXPECT_NEAR(V(mvSO2), 28.6, 1e-9);
}

TEST_F(Decoders, PlainChannelTelegrams) {
    Settings.MG = Settings.BEZUG = true;
    NoDataTicks = 50;
    Decode(4, {"51G9"}); // shorter than 6 characters: ignored entirely
    EXPECT_FALSE(P(mvO2));
    EXPECT_EQ(NoDataTicks, 50);

    // No unit conversion, no reference (O2 is absent), no sign change, no NOx forming.
    Decode(4, {"053G100;", "080G0.12;", "057G40;", "061G5;", "061G7;"});
    EXPECT_DOUBLE_EQ(V(mvCO), 100.0);
    EXPECT_TRUE(P(mvCO));
    EXPECT_DOUBLE_EQ(V(mvP), 0.12);
    EXPECT_FALSE(P(mvNOx));
    EXPECT_EQ(NoDataTicks, 0);

    // Channels the QAN Tessa does not have, and channel 0, match nothing.
    Decode(4, {"092G1.25;", "513G50;", "000G5.0;", "00xG5.0;"});
    EXPECT_FALSE(P(mvLambda));
    EXPECT_FALSE(P(mvNOx));

    Decode(4, {"053E100;"});
    EXPECT_EQ(V(mvCO), 0.0);
    EXPECT_FALSE(P(mvCO));
}

TEST_F(Decoders, ColumnTelegrams) {
    Settings.MG = Settings.BEZUG = true;
    Decode(3, {"041G180;"}); // a value the column form does not carry stays
    NoDataTicks = 50;
    //            1234567890123456789012345678901234567890123456
    Decode(5, {"R000001       20.9    100     30      2      8"});
    EXPECT_DOUBLE_EQ(V(mvO2), 20.9);
    EXPECT_DOUBLE_EQ(V(mvCO), 125.0); // mg factor, and no O2 reference even with BEZUG
    EXPECT_NEAR(V(mvNO), 40.2, 1e-9);
    EXPECT_NEAR(V(mvNO2), 4.1, 1e-9);
    EXPECT_NEAR(V(mvSO2), 22.88, 1e-9);
    for (int mv : {mvO2, mvCO, mvNO, mvNO2, mvSO2})
        EXPECT_TRUE(P(mv)) << mv;
    EXPECT_DOUBLE_EQ(V(mvTGAS), 180.0);
    EXPECT_EQ(NoDataTicks, 0);

    // A short line reads the missing fields as 0 and still marks them present.
    Decode(5, {"R000002       5,5"});
    EXPECT_DOUBLE_EQ(V(mvO2), 5.5);
    EXPECT_EQ(V(mvSO2), 0.0);
    EXPECT_TRUE(P(mvSO2));
}

TEST_F(Decoders, KeywordLinesPublishWithTheirBlock) {
    NoDataTicks = 50;
    Decode(1, {"CO 17 ppm"});
    EXPECT_FALSE(P(mvCO));
    EXPECT_EQ(NoDataTicks, 50);
    Decode(1, {"NO 30 ppm"});
    EXPECT_DOUBLE_EQ(V(mvCO), 17.0);
    EXPECT_DOUBLE_EQ(V(mvNO), 30.0);
    EXPECT_TRUE(P(mvCO) && P(mvNO));
    EXPECT_EQ(NoDataTicks, 0);

    ResetValueState();
    Settings.MG = Settings.BEZUG = true;
    Decode(1, {"O2 9,0 %", "CO 17 ppm", "NO 30 ppm"});
    EXPECT_DOUBLE_EQ(V(mvCO), 21.25); // mg factor, never the O2 reference
    EXPECT_NEAR(V(mvNO), 40.2, 1e-9);
}

TEST_F(Decoders, KeywordLineForms) {
    Settings.MG = true;
    Decode(1, {"  o2     4,3 %", "CO2    11,7 %", "Eta    = 92,1 %", "Effizienz : 91,5",
               "LAMBDA = 1,25",
               "T-Gas  = 180,2 \xB0"
               "C",
               "T-Luft = 21,3", "O2-Bezug : 3", "nox 50 ppm"});
    EXPECT_DOUBLE_EQ(V(mvO2), 4.3);
    EXPECT_DOUBLE_EQ(V(mvCO2), 11.7);
    EXPECT_DOUBLE_EQ(V(mvEta), 91.5);
    EXPECT_DOUBLE_EQ(V(mvLambda), 1.25);
    EXPECT_DOUBLE_EQ(V(mvTGAS), 180.2);
    EXPECT_DOUBLE_EQ(V(mvTLUFT), 21.3);
    EXPECT_DOUBLE_EQ(V(mvO2Ref), 3.0);
    EXPECT_NEAR(V(mvNOx), 102.5, 1e-9);
    EXPECT_TRUE(P(mvLambda) && P(mvO2Ref) && P(mvEta));

    Decode(1, {"LAMBDA = EEEE", "O2-REF 6", "SO2 0 ppm"});
    EXPECT_EQ(V(mvLambda), 0.0);
    EXPECT_FALSE(P(mvLambda));
    EXPECT_DOUBLE_EQ(V(mvO2Ref), 6.0);

    // Lines that match no keyword change nothing; "Öl" is spelled OEL and is no keyword either.
    const ValueRecord before = PendingValues;
    Decode(1, {"QAN Orbis  Messung 12", "\xD6l 5", "", "      ", "COX 5", "N 5"});
    EXPECT_EQ(PendingValues.Values, before.Values);
    EXPECT_EQ(PendingValues.Present, before.Present);
}

TEST_F(Decoders, VelaRecordsFollowTheirHeader) {
    NoDataTicks = 50;
    Decode(6, {"20.5;12;1.9;"}); // before any header: ignored, but a sign of life
    EXPECT_FALSE(P(mvO2));
    EXPECT_EQ(NoDataTicks, 0);

    NoDataTicks = 50;
    Decode(6, {"*3;4;10;"});
    EXPECT_EQ(NoDataTicks, 50);
    Decode(6, {"20.5;12;1.9;"});
    EXPECT_DOUBLE_EQ(V(mvO2), 20.5);
    EXPECT_DOUBLE_EQ(V(mvCO), 12.0);
    EXPECT_DOUBLE_EQ(V(mvCO2), 1.9);
    EXPECT_TRUE(P(mvO2) && P(mvCO) && P(mvCO2));

    // A blank field marks its value absent and leaves the number.
    Decode(6, {"20,1; ;2,0"});
    EXPECT_FALSE(P(mvCO));
    EXPECT_DOUBLE_EQ(V(mvCO), 12.0);
    EXPECT_DOUBLE_EQ(V(mvCO2), 2.0);

    // After the record is cleared, data waits for the next header.
    ClearValues();
    Decode(6, {"9;9;9;"});
    EXPECT_FALSE(P(mvO2));
    Decode(6, {"*10;;3;", "1,5;7;8,5;"});
    EXPECT_DOUBLE_EQ(V(mvCO2), 1.5);
    EXPECT_DOUBLE_EQ(V(mvO2), 8.5);
    EXPECT_FALSE(P(mvCO));
}

TEST_F(Decoders, VelaHeaderLimits) {
    // Codes beyond 33, negative codes, codes of quantities the record does not hold, and fields
    // beyond the sixteenth map nothing.
    QByteArray header = "*9999;-3;20;8;";
    for (int k = 4; k < 16; ++k)
        header += "4;";
    header += "3;3;3;"; // fields 17.. name O2
    Decode(6, {header.constData()});
    QByteArray data = "1;2;3;4;";
    for (int k = 4; k < 16; ++k)
        data += "5;";
    data += "6;6;6;";
    Decode(6, {data.constData()});
    EXPECT_FALSE(P(mvO2));
    EXPECT_DOUBLE_EQ(V(mvCO), 5.0);
    for (int k = VelaFieldCount; k < VelaMaxColumns; ++k)
        EXPECT_EQ(VelaColumnMap[k], 0);
}

TEST_F(Decoders, VelaAppliesMgAndTheReferenceWithTheO2OfItsOwnLine) {
    Settings.MG = Settings.BEZUG = true;
    Decode(6, {"*3;4;1;", "9,0;100;180,5;"});
    EXPECT_DOUBLE_EQ(V(mvCO), 187.5);
    EXPECT_TRUE(P(mvCO));
    EXPECT_DOUBLE_EQ(V(mvTGAS), 180.5);
    Decode(6, {"20,5;100;180,5;"});
    EXPECT_DOUBLE_EQ(V(mvCO), 125.0);
    EXPECT_FALSE(P(mvCO));
}

} // namespace
