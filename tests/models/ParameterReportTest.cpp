// The parameter report: its exact text in the file and on the clipboard,
// the file name beside the data and the question before overwriting.

#include <string>

#include "ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/ParameterReport.h"

namespace {

class ParameterReportTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    AllocParameterVector();
    ModelParametersRecord& m = ModelParameters;
    m.ComponentOn = {0, 1, 0, 1, 0};
    m.Concentration = {0, 0.8f, 0.0f, 0.25f, 0};
    m.MassOrD = {0, 66000.0f, 0, 150000.0f, 0};
    m.MassOrDFitted = {0, 1, 0, 0, 0};
    m.SedCoefficient = {0, 4.4f, 0, 7.25f, 0};
    m.SedCoefficientFitted = {0, 0, 0, 1, 0};
    m.Meniscus = 5.95f;
    m.MeniscusFitted = 1;
    m.Bottom = 7.2f;
    m.Baseline = 0.01f;
    ScanDataSet.FitLeftLim = 6.0f;
    ScanDataSet.FitRightLim = 7.1f;
    FitControl.CurrentRmsd = 0.005f;
    FitControl.FitPointCount = 1000.0f;
    FitControl.TINoiseFitted = true;
    PackParameterVector();
  }
  void TearDown() override {
    DataFileLocation = DataFileLocationRecord{};
    ModelsTest::TearDown();
  }
};

TEST_F(ParameterReportTest, FileAndClipboardTexts) {
  const std::string components =
      "\n\ncomponent 1 included:\nM\t=\t66000.000000 g/Mol\t(floated)\ns\t=\t4.400 S";
  const std::string third =
      "\n\ncomponent 3 included:\nM\t=\t150000.000000 g/Mol\t(fixed)\ns\t=\t7.250 S";
  const std::string middle =
      "\n\nconcentrations = 0.800 | 0.250 | (first is total, next are fractions)"
      "\n\nmeniscus at \t5.9500 cm\t\t(floated)\nbottom at \t7.2000 cm\t\t(fixed)\n\n"
      "baseline at \t0.01000 OD";
  const std::string tail =
      "\nfitted from 6.0000 to 7.1000 cm\nwith constant initial distribution"
      "\nsimulation start time 0.000000 sec\t\t(fixed)\n"
      "\nrmsd=0.005000 (n=1000,SSR=0.025000)\n";
  EXPECT_EQ(ParameterReportText(false),
            components + "\t\t\t(fixed)\n" + third + "\t\t\t(floated)\n" + middle +
                "\t\t(fixed)\n\t\t(time independently fitted)" + tail);
  EXPECT_EQ(ParameterReportText(true),
            components + "\t\t\t(fixed)" + third + "\t\t\t(floated)" + middle +
                "\t\t(fitxed)\n\t\ttime independent baseline fitted\n" + tail);
  ASSERT_TRUE(CopyParametersText(nullptr));
  EXPECT_EQ(backend().ClipboardText(), ParameterReportText(true));
}

TEST_F(ParameterReportTest, ContinuousModelInTheDFormWithNothingSwitchedOn) {
  SelectModelKind(ModelKind::ContinuousCS);
  FitControl.MassInsteadOfD = false;
  ModelParameters.ComponentOn = {0, 0, 0, 0, 0};
  FitControl.TINoiseFitted = false;
  PackParameterVector();
  const std::string text = ParameterReportText(false);
  EXPECT_EQ(text.rfind("\n\nconcentrations = (first is total, next are fractions)", 0), 0u);
  ModelParameters.ComponentOn[1] = 1;
  PackParameterVector();
  EXPECT_NE(ParameterReportText(false).find("D\t=\t"), std::string::npos);
}

TEST_F(ParameterReportTest, FileGoesBesideTheDataAndIsNotOverwrittenWithoutYes) {
  ScratchFolder folder;
  DataFileLocation.Extension = ".RA1";
  const std::string path = folder.File("fitparams");
  EXPECT_EQ(ParameterFilePath(path), folder.File("fitparams.RA1"));
  EXPECT_EQ(SaveParameterFile(nullptr, path), folder.File("fitparams.RA1"));
  EXPECT_EQ(ReadWholeFile(folder.File("fitparams.RA1")), ParameterReportText(false));

  folder.Write("fitparams.RA1", "keep");
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  EXPECT_EQ(SaveParameterFile(nullptr, path), "");
  EXPECT_EQ(ReadWholeFile(folder.File("fitparams.RA1")), "keep");
  EXPECT_EQ(LogLinesWith("box [ERROR] (information) parameters not saved").size(), 1u);
  EXPECT_EQ(LogLinesWith("already exists!").size(), 1u);
}

}  // namespace
