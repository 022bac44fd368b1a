// The current-value record as the decoders and the polling loop rely on it: clearing, the no-data
// watch and the two conversions.
#include "app/Global.h"
#include "app/Values.h"
#include <gtest/gtest.h>

namespace {

class Values : public ::testing::Test {
protected:
    void SetUp() override { ResetGlobalState(); }
    void TearDown() override { ResetGlobalState(); }

    static void FillRecord() {
        for (int mv = 1; mv <= MeasuredValueCount; ++mv) {
            CurrentValues.Values[mv] = PendingValues.Values[mv] = mv;
            CurrentValues.Present[mv] = PendingValues.Present[mv] = true;
        }
        VelaHeaderSeen = true;
    }
    static bool AnyPresent() {
        for (int mv = 1; mv <= MeasuredValueCount; ++mv)
            if (CurrentValues.Present[mv]) return true;
        return false;
    }
    static void Steps(int n) {
        for (int i = 0; i < n; ++i)
            NoDataWatchStep();
    }
};

TEST_F(Values, ClearValuesEmptiesBothRecordsAndTheVelaLayout) {
    FillRecord();
    ClearValues();
    for (int mv = 1; mv <= MeasuredValueCount; ++mv) {
        EXPECT_EQ(CurrentValues.Values[mv], 0.0);
        EXPECT_FALSE(CurrentValues.Present[mv]);
        EXPECT_EQ(PendingValues.Values[mv], 0.0);
        EXPECT_FALSE(PendingValues.Present[mv]);
    }
    EXPECT_FALSE(VelaHeaderSeen);
}

TEST_F(Values, WatchClearsOnceAtTheLimit) {
    for (int type : {3, 1}) {
        ResetValueState();
        DeviceType = type;
        const int limit = type == 1 ? 1200 : 100;
        ResetNoDataTicks();
        FillRecord();
        Steps(limit - 1);
        EXPECT_TRUE(AnyPresent()) << type;
        EXPECT_EQ(NoDataTicks, limit - 1);
        Steps(1);
        EXPECT_FALSE(AnyPresent()) << type;
        EXPECT_EQ(NoDataTicks, limit);
        EXPECT_EQ(NoDataLimit, limit);

        // The counter rests at the limit and does not clear a second time...
        CurrentValues.Present[mvO2] = true;
        Steps(50);
        EXPECT_EQ(NoDataTicks, limit);
        EXPECT_TRUE(CurrentValues.Present[mvO2]);

        // ...until an accepted telegram starts the count again.
        ResetNoDataTicks();
        Steps(limit);
        EXPECT_FALSE(CurrentValues.Present[mvO2]);
    }
}

TEST_F(Values, LeavingTheOrbisAboveTheNewLimitClearsAtOnce) {
    DeviceType = 1;
    ResetNoDataTicks();
    Steps(500);
    FillRecord();
    DeviceType = 3;
    Steps(1);
    // Stale values must not stay on screen; the gauge keeps showing the counter.
    EXPECT_FALSE(AnyPresent());
    EXPECT_EQ(NoDataTicks, 500);
    EXPECT_EQ(NoDataLimit, 100);
    FillRecord();
    Steps(10);
    EXPECT_TRUE(AnyPresent());
    EXPECT_EQ(NoDataTicks, 500);
}

TEST_F(Values, MgConvertFollowsTheSetting) {
    EXPECT_DOUBLE_EQ(MgConvert(mvCO, 100), 100);
    Settings.MG = true;
    const double expected[] = {0, 10, 10, 12.5, 13.4, 20.5, 20.5, 28.6, 10, 10, 10, 10, 10, 10, 10};
    for (int mv = 1; mv <= MeasuredValueCount; ++mv)
        EXPECT_NEAR(MgConvert(mv, 10), expected[mv], 1e-12) << mv;
}

TEST_F(Values, ReferToO2Examples) {
    Settings.MG = Settings.BEZUG = true;
    Settings.Bezugo2 = 3.0;
    struct Case {
        bool o2Present;
        double o2;
        bool bonus;
        double value;
        bool present;
    } cases[] = {
        {true, 9.0, false, 187.5, true},
        {true, 2.0, false, 125.0, true},
        {true, 2.0, true, 125.0 * 18 / 19, true},
        {true, 19.99, false, 125.0 * 18 / (21 - 19.99), true},
        {true, 20.0, false, 125.0, false},
        {true, 20.9, false, 125.0, false},
        {false, 9.0, false, 125.0, false},
    };
    for (const Case& c : cases) {
        CurrentValues.Present[mvO2] = c.o2Present;
        CurrentValues.Values[mvO2] = c.o2;
        Settings.BONUS = c.bonus;
        const Referred r = ReferToO2(mvCO, MgConvert(mvCO, 100));
        EXPECT_NEAR(r.value, c.value, 1e-9) << c.o2 << c.bonus;
        EXPECT_EQ(r.present, c.present) << c.o2 << c.bonus;
    }
    // The worked example of the bonus calculation.
    Settings.BONUS = true;
    CurrentValues.Present[mvO2] = true;
    CurrentValues.Values[mvO2] = 2.0;
    EXPECT_NEAR(ReferToO2(mvCO, 125).value, 118.42105263, 1e-6);
}

} // namespace
