#include "acquisition/ui/Aktuell.h"
#include "app/Global.h"
#include "app/Values.h"
#include "app/ui/ModalHelper.h"
#include "language/Language.h"
#include "support/TestSupport.h"
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <gtest/gtest.h>

namespace {

const bool userStoreRedirected = RedirectUserStore();

struct AktuellTest : ::testing::Test {
    TempProgramFolder folder{false};
    TFormAktuell form;
    void SetUp() override { ResetLanguageState(); }
    void Set(int mv, double x) {
        CurrentValues.Values[mv] = x;
        CurrentValues.Present[mv] = true;
    }
    QList<QLabel*> ValueLabels() const {
        return {form.labelTL, form.LabelTg,  form.LabelP,  form.Labeleta, form.Labellambda,
                form.LabelO2, form.LabelCo2, form.LabelCo, form.LabelNox};
    }
};

TEST_F(AktuellTest, PresentValuesAreFormattedWithTheirUnits) {
    for (QLabel* l : ValueLabels())
        EXPECT_EQ(l->text(), "-") << l->objectName().toStdString();

    Set(mvTGAS, 183.4);
    Set(mvTLUFT, 21.25);
    Set(mvEta, 92.14);
    Set(mvLambda, 1.456);
    Set(mvO2, 3.0);
    Set(mvCO2, 11.96);
    Set(mvCO, 12.6);
    Set(mvNOx, 45);
    Set(mvP, 0.12);
    form.Dispdata();
    EXPECT_EQ(form.LabelTg->text(), "183 °C");
    EXPECT_EQ(form.labelTL->text(), "21,3 °C");
    EXPECT_EQ(form.Labeleta->text(), "92,1 %");
    EXPECT_EQ(form.Labellambda->text(), "1,46");
    EXPECT_EQ(form.LabelO2->text(), "3,0 Vol%");
    EXPECT_EQ(form.LabelCo2->text(), "12,0 Vol%");
    EXPECT_EQ(form.LabelCo->text(), "13 ppm");
    EXPECT_EQ(form.LabelNox->text(), "45 ppm");
    EXPECT_EQ(form.LabelP->text(), "0,12 hPa");

    // The unit follows the setting at the next refresh; the number stays as decoded.
    Settings.MG = true;
    form.Dispdata();
    EXPECT_EQ(form.LabelCo->text(), "13 mg/m³");
    EXPECT_EQ(form.LabelNox->text(), "45 mg/m³");

    ClearValues();
    form.Dispdata();
    for (QLabel* l : ValueLabels())
        EXPECT_EQ(l->text(), "-") << l->objectName().toStdString();
}

TEST_F(AktuellTest, EfficiencyRowShowsEtaElseLossAndKeepsCaption) {
    Set(mvEta, 90.0);
    Set(mvQa, 8.0);
    form.Dispdata();
    EXPECT_EQ(form.Labeleta->text(), "90,0 %");
    EXPECT_EQ(form.LabelEtaText->text(), "Wirkungsgrad");

    CurrentValues.Present[mvEta] = false;
    form.Dispdata();
    EXPECT_EQ(form.Labeleta->text(), "8,0 %");
    EXPECT_EQ(form.LabelEtaText->text(), "Abgasverlust");

    CurrentValues.Present[mvQa] = false;
    form.Dispdata();
    EXPECT_EQ(form.Labeleta->text(), "-");
    EXPECT_EQ(form.LabelEtaText->text(), "Abgasverlust");
}

TEST_F(AktuellTest, GaugeShowsSilenceWithinItsRange) {
    for (auto [ticks, shown] : {std::pair{0, 0}, {500, 500}, {1200, 1200}, {5000, 1200}}) {
        NoDataTicks = ticks;
        form.Timer1Timer();
        EXPECT_EQ(form.Progressbar->value(), shown) << ticks;
    }
    EXPECT_EQ(form.Progressbar->maximum(), 1200);
    EXPECT_FALSE(form.Progressbar->isTextVisible());
}

TEST(AktuellWindow, ShownOnceInTheFrameAndForgottenWhenClosed) {
    TempProgramFolder folder(false);
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    TFormAktuell* first = ShowCurrentValues(&area);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ShowCurrentValues(&area), first);
    EXPECT_EQ(area.subWindowList().size(), 1);
    EXPECT_TRUE(area.subWindowList().first()->isMaximized());
    EXPECT_EQ(area.subWindowList().first()->windowTitle(), "aktuelle Meßdaten");

    area.subWindowList().first()->close();
    EXPECT_TRUE(FormAktuell.isNull());
    EXPECT_TRUE(ReadPlacement(PlacementStore::UserStore, "Aktuell").has_value());
    EXPECT_NE(ShowCurrentValues(&area), nullptr);
    EXPECT_EQ(area.subWindowList().size(), 1);
    area.subWindowList().first()->close();
}

} // namespace
