// The Wiener-skewing switch and its parameter table as a user fills it:
// what is taken, what switches the correction off, and the "try again"
// question after a refused or cancelled table.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/scantools/DataToolCommands.h"
#include "app/window/TXLAWindow.h"
#include "models/TempParameterFile.h"
#include "support/TestSupport.h"

namespace {

using platform::BoxAnswer;

// Form ids of the table: the magnitude cell, the signal cell, the
// magnitude's fit box.
constexpr int kMagnitudeCell = 989;
constexpr int kSignalCell = 979;
constexpr int kMagnitudeFitBox = 1989;

class WienerSkewing : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    saved_ = CorrectionOptions.WienerSkewing;
  }
  void TearDown() override {
    CorrectionOptions.WienerSkewing = saved_;
    HeadlessTest::TearDown();
  }
  void FillTable(const char* magnitude, const char* signal, int fit, bool ok = true) {
    platform::FormState entries;
    entries.texts = {{kMagnitudeCell, magnitude}, {kSignalCell, signal}};
    entries.checked = {{kMagnitudeFitBox, fit}};
    backend().ScriptForm(entries, ok);
  }
  bool AskedAgain() { return !LogLinesWith("Wiener skewing parameter error").empty(); }

  TXLAWindow window{"Sedimentation Analysis"};
  WienerSkewingRecord saved_;
};

}  // namespace

TEST_F(WienerSkewing, CommandSwitchesTheCorrection) {
  for (const BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::No}) {
    backend().ScriptBoxAnswer(answer);
    CmWienerSkewingCorrection(window);
    EXPECT_EQ(CorrectionOptions.WienerSkewing.On, answer == BoxAnswer::Yes);
  }
  EXPECT_EQ(backend().ShownForms().size(), 0u);  // the parameters are not asked here
}

TEST_F(WienerSkewing, TableEntries) {
  struct Case {
    const char* what;
    const char* magnitude;
    const char* signal;
    bool ok;
    std::optional<BoxAnswer> tryAgain;  // the answer to "try again?", when asked
    bool returned;
    bool on;
    float magnitudeAfter;  // cm^2 ml/mg
    float signalAfter;
    int fittedAfter;
  } cases[] = {
      {"positive magnitude taken in units of 1e-6", "2.5", "0.8", true, std::nullopt, true, true,
       2.5e-6f, 0.8f, 1},
      {"zero magnitude switches off", "0", "0.8", true, std::nullopt, true, false, 1e-6f, 0.5f,
       0},
      {"negative magnitude without signal switches off", "-1", "0", true, std::nullopt, true,
       false, 1e-6f, 0.5f, 0},
      {"negative magnitude with signal refused", "-1", "0.8", true, BoxAnswer::No, false, false,
       1e-6f, 0.5f, 0},
      {"cancelled", "2.5", "0.8", false, BoxAnswer::No, false, false, 1e-6f, 0.5f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    CorrectionOptions.WienerSkewing = {true, 1e-6f, 0.5f, 0};
    FillTable(c.magnitude, c.signal, 1, c.ok);
    if (c.tryAgain) backend().ScriptBoxAnswer(*c.tryAgain);
    EXPECT_EQ(WienerSkewingParameters(window), c.returned);
    EXPECT_EQ(AskedAgain(), c.tryAgain.has_value());
    const auto& w = CorrectionOptions.WienerSkewing;
    EXPECT_EQ(w.On, c.on);
    EXPECT_FLOAT_EQ(w.Magnitude, c.magnitudeAfter);
    EXPECT_FLOAT_EQ(w.SignalPerConcentration, c.signalAfter);
    EXPECT_EQ(w.MagnitudeFitted, c.fittedAfter);
  }
}

// Yes to "try again?" shows the table once more; its entries are taken but
// the first call still reports the failure.
TEST_F(WienerSkewing, TryingAgainTakesTheSecondTable) {
  CorrectionOptions.WienerSkewing = {true, 1e-6f, 0.5f, 0};
  FillTable("-1", "0.8", 0);
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  FillTable("3", "0.7", 0);
  EXPECT_FALSE(WienerSkewingParameters(window));
  const auto& w = CorrectionOptions.WienerSkewing;
  EXPECT_TRUE(w.On);
  EXPECT_FLOAT_EQ(w.Magnitude, 3e-6f);
  EXPECT_FLOAT_EQ(w.SignalPerConcentration, 0.7f);
  EXPECT_EQ(backend().ShownForms().size(), 2u);
  // The table shows the stored magnitude in units of 1e-6.
  EXPECT_EQ(backend().ShownForms().front().initial.Text(kMagnitudeCell).substr(0, 1), "1");
}
