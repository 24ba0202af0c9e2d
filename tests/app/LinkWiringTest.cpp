// Every link the lower layers call upward through is installed once the
// program has started: the test starts the main window as the program does
// and lists each link still empty, still at the loud "not wired" default or
// still at its record's default. Each record's member list is checked
// against the record's size, so a link added to a record without being
// listed here fails too.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/ShellFixture.h"
#include "app/commands/DistributionCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "app/options/ProgramOptions.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/InitialDistribution.h"
#include "data/ResidualBitmap.h"
#include "models/FitResultDisplay.h"
#include "models/SimulationErrors.h"
#include "models/SimulationRoads.h"
#include "platform/RecordingCanvas.h"
#include "data/DataOperationLinks.h"
#include "display/DisplayLinks.h"
#include "display/DistributionPlot.h"
#include "distributions/ContiGrid.h"
#include "distributions/CtotMovie.h"
#include "distributions/DistributionTimeCourse.h"
#include "distributions/MonteCarlo.h"
#include "distributions/PriorDialog.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "lamm/LammDisplayLinks.h"
#include "models/FitDriver.h"
#include "models/ParametersCommand.h"
#include "models/TempParameterFile.h"
#include "state/ContiNonidSimLink.h"
#include "state/DisplayState.h"
#include "state/DistributionPlotFlags.h"
#include "state/Links.h"
#include "support/TestSupport.h"
#include "state/LoadOptions.h"
#include "state/MonteCarloLinks.h"
#include "state/RestorePreviousAnalysis.h"
#include "state/TimeStampCheck.h"
#include "tools/BoundaryAnalysis.h"
#include "ui/WidgetLinks.h"

namespace {

// The same callable: one lambda type (a default and its copy), or one
// function.
template <class R, class... A>
bool SameTarget(const std::function<R(A...)>& a, const std::function<R(A...)>& b) {
  if (static_cast<bool>(a) != static_cast<bool>(b)) return false;
  if (!a) return true;
  if (a.target_type() != b.target_type()) return false;
  using Pointer = R (*)(A...);
  if (const Pointer* p = a.template target<Pointer>()) return *p == *b.template target<Pointer>();
  return true;
}

// Walks the links of one record. A link counts as installed when it is
// callable, is not the unwired default, and differs from the record's own
// default (when the record has one).
template <class Record>
class RecordAudit {
 public:
  RecordAudit(std::string name, const Record& installed, const Record* defaults,
              std::vector<std::string>& unwired)
      : name_(std::move(name)), installed_(installed), defaults_(defaults), unwired_(unwired) {}

  ~RecordAudit() {
    // Members that are no links (a flag) round the size up.
    const std::size_t listed = links_ * sizeof(std::function<void()>) + otherBytes_;
    const std::size_t rounded = (listed + alignof(Record) - 1) / alignof(Record) * alignof(Record);
    EXPECT_EQ(rounded, sizeof(Record)) << name_ << ": a link of the record is not listed here";
  }

  template <class Signature>
  RecordAudit& Link(const char* member, std::function<Signature> Record::*link) {
    ++links_;
    const std::function<Signature>& now = installed_.*link;
    const bool atDefault = defaults_ && SameTarget(now, (*defaults_).*link);
    if (!links::IsInstalled(now) || atDefault) unwired_.push_back(name_ + "." + member);
    return *this;
  }

  RecordAudit& Other(std::size_t bytes) {
    otherBytes_ += bytes;
    return *this;
  }

 private:
  std::string name_;
  const Record& installed_;
  const Record* defaults_;
  std::vector<std::string>& unwired_;
  std::size_t links_ = 0;
  std::size_t otherBytes_ = 0;
};

// The record's defaults as its reset function makes them; the installed
// links are put back.
template <class Record>
Record DefaultsOf(Record& global, void (*reset)()) {
  const Record installed = global;
  reset();
  Record defaults = global;
  global = installed;
  return defaults;
}

template <class Signature>
void Global(const char* name, const std::function<Signature>& link,
            std::vector<std::string>& unwired) {
  if (!links::IsInstalled(link)) unwired.push_back(name);
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += "\n  " + n;
  return text;
}

}  // namespace

class LinkWiring : public ShellTest {};

TEST_F(LinkWiring, TheStartedProgramHasInstalledEveryLink) {
  ProgramOptions.DisclaimerAgreed = true;
  TXLAApp app;
  app.CreateMainWindow();
  app.MainWindow()->Create();

  std::vector<std::string> unwired;
  {
    using R = ViewLinksRecord;
    const R defaults = DefaultsOf(ViewLinks, ResetViewLinks);
    RecordAudit<R>("ViewLinks", ViewLinks, &defaults, unwired)
        .Link("ResetEqTest", &R::ResetEqTest)
        .Link("CancelMouseAction", &R::CancelMouseAction)
        .Link("CloseExtrapolationPlot", &R::CloseExtrapolationPlot)
        .Link("FinishMouseAction", &R::FinishMouseAction)
        .Link("AskResetCtot", &R::AskResetCtot)
        .Link("ShiftScansUndoRotorStretch", &R::ShiftScansUndoRotorStretch)
        .Link("OpenParameterDialog", &R::OpenParameterDialog);
  }
  {
    using R = ModelCommandLinksRecord;
    const R defaults = DefaultsOf(ModelCommandLinks, ResetModelCommandLinks);
    RecordAudit<R>("ModelCommandLinks", ModelCommandLinks, &defaults, unwired)
        .Link("ClearDistributionPlots", &R::ClearDistributionPlots)
        .Link("InitDistributionPlot", &R::InitDistributionPlot)
        .Link("ResetEqTest", &R::ResetEqTest)
        .Link("MwScreenOpen", &R::MwScreenOpen)
        .Link("CloseMwScreen", &R::CloseMwScreen)
        .Link("ExtrapolationDataExist", &R::ExtrapolationDataExist)
        .Link("FreeExtrapolationData", &R::FreeExtrapolationData)
        .Link("CalibrateCMPowerLaw", &R::CalibrateCMPowerLaw)
        .Link("ToggleFitMAndS", &R::ToggleFitMAndS)
        .Link("CheckBufferSedCompatibility", &R::CheckBufferSedCompatibility);
  }
  {
    using R = TempParameterFileLinksRecord;
    const R defaults = DefaultsOf(TempParameterFileLinks, ResetTempParameterFileLinks);
    RecordAudit<R>("TempParameterFileLinks", TempParameterFileLinks, &defaults, unwired)
        .Link("ResetModelFlags", &R::ResetModelFlags)
        .Link("IssueModelCommand", &R::IssueModelCommand)
        .Link("ClearFlotationGridReset", &R::ClearFlotationGridReset)
        .Link("SaveCtotBesideParameters", &R::SaveCtotBesideParameters)
        .Link("LoadCtotBesideParameters", &R::LoadCtotBesideParameters)
        .Link("CheckBufferSedCompatibility", &R::CheckBufferSedCompatibility)
        .Link("FixBufferSedimentationParams", &R::FixBufferSedimentationParams)
        .Link("BufferSedOff", &R::BufferSedOff)
        .Link("DrawMeniscusCursor", &R::DrawMeniscusCursor)
        .Link("CheckMenuItem", &R::CheckMenuItem)
        .Link("ReloadSavedFitParameters", &R::ReloadSavedFitParameters)
        .Link("QuietMode", &R::QuietMode)
        .Link("SerialFitRunning", &R::SerialFitRunning);
  }
  {
    using R = FitDisplayLinksRecord;
    const R defaults = DefaultsOf(FitDisplayLinks, ResetFitDisplayLinks);
    RecordAudit<R>("FitDisplayLinks", FitDisplayLinks, &defaults, unwired)
        .Link("FitResultText", &R::FitResultText)
        .Link("DrawFinalFit", &R::DrawFinalFit)
        .Link("ShowEvaluationProgress", &R::ShowEvaluationProgress);
  }
  {
    using R = DataOperationLinksRecord;
    const R defaults = DefaultsOf(DataOperationLinks, ResetDataOperationLinks);
    RecordAudit<R>("DataOperationLinks", DataOperationLinks, &defaults, unwired)
        .Link("ShowWaitCursor", &R::ShowWaitCursor)
        .Link("PushDisplayRange", &R::PushDisplayRange)
        .Link("SetDataPlotRanges", &R::SetDataPlotRanges)
        .Link("ShowToolPlot", &R::ShowToolPlot)
        .Link("SimulateModel", &R::SimulateModel)
        .Link("LoadDistributionFile", &R::LoadDistributionFile)
        .Link("RunContinuousModel", &R::RunContinuousModel);
  }
  {
    using R = MonteCarloLinksRecord;
    const R defaults = DefaultsOf(MonteCarloLinks, ResetMonteCarloLinks);
    RecordAudit<R>("MonteCarloLinks", MonteCarloLinks, &defaults, unwired)
        .Link("MonteCarloDistributions", &R::MonteCarloDistributions)
        .Link("MonteCarloLimits", &R::MonteCarloLimits)
        .Link("MonteCarloSw", &R::MonteCarloSw)
        .Link("RunMonteCarloSw", &R::RunMonteCarloSw)
        .Link("MonteCarloFinish", &R::MonteCarloFinish)
        .Link("MonteCarloSwResult", &R::MonteCarloSwResult)
        .Other(sizeof(bool));
    EXPECT_TRUE(MonteCarloLinks.Installed);
  }
  {
    using R = WidgetLinksRecord;
    const R defaults{};
    RecordAudit<R>("WidgetLinks", WidgetLinks, &defaults, unwired)
        .Link("PlotSpace", &R::PlotSpace);
  }
  {
    using R = SpeedPlanningLinksRecord;
    const R defaults{};
    RecordAudit<R>("SpeedPlanningLinks", SpeedPlanningLinks, &defaults, unwired)
        .Link("ShowProgressPlot", &R::ShowProgressPlot);
  }
  {
    using R = PreferenceLinksRecord;
    const R defaults{};
    RecordAudit<R>("PreferenceLinks", PreferenceLinks, &defaults, unwired)
        .Link("LoadIntegrationRanges", &R::LoadIntegrationRanges);
  }
  {
    using R = DistributionCommandLinksRecord;
    const R defaults{};
    RecordAudit<R>("DistributionCommandLinks", DistributionCommandLinks, &defaults, unwired)
        .Link("HideIntegrateButton", &R::HideIntegrateButton)
        .Link("WriteDistribution2D", &R::WriteDistribution2D)
        .Link("FitTimeDependentSMMoving", &R::FitTimeDependentSMMoving)
        .Link("FitTimeDependentSMIncreasing", &R::FitTimeDependentSMIncreasing)
        .Link("RenderTimeDependentPlot", &R::RenderTimeDependentPlot)
        .Link("FreeTimeDependentFitData", &R::FreeTimeDependentFitData);
  }
  {
    using R = LammDisplayLinksRecord;
    const R defaults = DefaultsOf(LammDisplayLinks, ResetLammDisplayLinks);
    RecordAudit<R>("LammDisplayLinks", LammDisplayLinks, &defaults, unwired)
        .Link("DataPlot", &R::DataPlot)
        .Link("DrawCurve", &R::DrawCurve);
  }
  {
    using R = display::MainDisplayLinksRecord;
    const R defaults{};
    RecordAudit<R>("MainDisplayLinks", display::MainDisplayLinks, &defaults, unwired)
        .Link("ExitProgram", &R::ExitProgram)
        .Link("ModelCurvesReady", &R::ModelCurvesReady)
        .Link("ReferenceMeniscus", &R::ReferenceMeniscus)
        .Link("RedrawDistributionPlot", &R::RedrawDistributionPlot)
        .Link("DrawPriorOverlay", &R::DrawPriorOverlay)
        .Link("ToolPlotsExist", &R::ToolPlotsExist)
        .Link("PaintToolLayer", &R::PaintToolLayer)
        .Link("RepaintEqTestPlot", &R::RepaintEqTestPlot)
        .Link("ExtrapolationPlot", &R::ExtrapolationPlot)
        .Link("DrawCtotOverlay", &R::DrawCtotOverlay)
        .Link("FitResultText", &R::FitResultText)
        .Link("PaintToolStatus", &R::PaintToolStatus)
        .Link("PaintScreenButtons", &R::PaintScreenButtons)
        .Link("PeakLabelsActive", &R::PeakLabelsActive)
        .Link("ClearPeakLabels", &R::ClearPeakLabels)
        .Link("PaintFitResultLines", &R::PaintFitResultLines)
        .Link("UpdateRuntimeMenus", &R::UpdateRuntimeMenus);
  }
  {
    using R = display::DistributionPlotLinksRecord;
    const R defaults{};
    RecordAudit<R>("DistributionPlotLinks", display::DistributionPlotLinks, &defaults, unwired)
        .Link("ShowIntegrateButton", &R::ShowIntegrateButton)
        .Link("HideIntegrateButton", &R::HideIntegrateButton)
        .Link("ReleaseMonteCarloCurves", &R::ReleaseMonteCarloCurves);
  }
  {
    using R = TimeCourseLinksRecord;
    const R defaults{};
    RecordAudit<R>("TimeCourseLinks", TimeCourseLinks, &defaults, unwired)
        .Link("ShowDistributionNow", &R::ShowDistributionNow);
  }
  {
    using R = PriorDialogLinksRecord;
    const R defaults{};
    RecordAudit<R>("PriorDialogLinks", PriorDialogLinks, &defaults, unwired)
        .Link("PriorKnowledgeOfDiscreteSpecies", &R::PriorKnowledgeOfDiscreteSpecies)
        .Link("ImportGJPrior", &R::ImportGJPrior);
  }
  {
    using R = MonteCarloDisplayLinksRecord;
    const R defaults{};
    RecordAudit<R>("MonteCarloDisplayLinks", MonteCarloDisplayLinks, &defaults, unwired)
        .Link("AddLimitCurves", &R::AddLimitCurves)
        .Link("RemoveLimitCurves", &R::RemoveLimitCurves);
  }
  {
    using R = CtotMovieLinksRecord;
    const R defaults{};
    RecordAudit<R>("CtotMovieLinks", CtotMovieLinks, &defaults, unwired)
        .Link("FieldInUse", &R::FieldInUse)
        .Link("FillFromField", &R::FillFromField)
        .Link("FreezeCtot", &R::FreezeCtot);
  }
  {
    using R = ParametersCommandLinksRecord;
    const R defaults{};
    RecordAudit<R>("ParametersCommandLinks", ParametersCommandLinks, &defaults, unwired)
        .Link("EqTestActive", &R::EqTestActive)
        .Link("ResetEqTest", &R::ResetEqTest)
        .Link("EditMeniscusBottomLimits", &R::EditMeniscusBottomLimits)
        .Link("RebuildTwoDimensionalPlot", &R::RebuildTwoDimensionalPlot)
        .Link("LoadCtotDataFiles", &R::LoadCtotDataFiles)
        .Link("WienerSkewingParameters", &R::WienerSkewingParameters)
        .Link("CalibrateCMPowerLaw", &R::CalibrateCMPowerLaw);
  }
  {
    using R = BoundaryAnalysisLinksRecord;
    const R defaults{};
    RecordAudit<R>("BoundaryAnalysisLinks", BoundaryAnalysisLinks, &defaults, unwired)
        .Link("Text", &R::Text)
        .Link("StepShown", &R::StepShown);
  }
  // The services of the distribution analysis: an empty one refuses its
  // model with a message, so each must be there once the program runs.
  {
    using R = StoredDistributionServicesRecord;
    RecordAudit<R>("StoredDistributionServices", StoredDistributionServices, nullptr, unwired)
        .Link("CalculateppAFit", &R::CalculateppAFit)
        .Link("RestoreDetectionView", &R::RestoreDetectionView)
        .Link("RenderDistributionPlot", &R::RenderDistributionPlot)
        .Link("SetDistributionXTitle", &R::SetDistributionXTitle)
        .Link("BufferMismatchOn", &R::BufferMismatchOn)
        .Link("NonidealExtraSpecies", &R::NonidealExtraSpecies);
  }
  {
    using R = GridServicesRecord;
    RecordAudit<R>("GridServices", GridServices, nullptr, unwired)
        .Link("ClearDistributionPlots", &R::ClearDistributionPlots)
        .Link("BuildDistributionPlot", &R::BuildDistributionPlot)
        .Link("MakePriorProfile", &R::MakePriorProfile)
        .Link("LoadMsTable", &R::LoadMsTable)
        .Link("MsTableMolarMass", &R::MsTableMolarMass)
        .Link("PrepareNonidealMeanField", &R::PrepareNonidealMeanField);
  }
  {
    using R = ContiKernelServicesRecord;
    RecordAudit<R>("ContiKernelServices", ContiKernelServices, nullptr, unwired)
        .Link("DlsKernel", &R::DlsKernel)
        .Link("DlsKernelColumn", &R::DlsKernelColumn)
        .Link("EqExponentialKernel", &R::EqExponentialKernel)
        .Link("RunNonidcofsSedList", &R::RunNonidcofsSedList)
        .Link("ApplyNonlinearDetection", &R::ApplyNonlinearDetection)
        .Link("NonlinearDetectionRmsd", &R::NonlinearDetectionRmsd)
        .Link("DataAreFieldAcf", &R::DataAreFieldAcf)
        .Link("ConvertToFieldAcf", &R::ConvertToFieldAcf);
  }
  // The hooks of the program-wide records.
  Global("BuildMainDataPlots", BuildMainDataPlots, unwired);
  Global("RenderDataPlot", RenderDataPlot, unwired);
  Global("RenderResidualPlot", RenderResidualPlot, unwired);
  Global("UpdateHistogramPlot", UpdateHistogramPlot, unwired);
  Global("BuildResidualHistogram", BuildResidualHistogram, unwired);
  Global("ShowNoiseButtons", ShowNoiseButtons, unwired);
  Global("HideNoiseButtons", HideNoiseButtons, unwired);
  Global("ShowLoadProgress", ShowLoadProgress, unwired);
  Global("RemoveLoadProgress", RemoveLoadProgress, unwired);
  Global("RunModel", RunModel, unwired);
  Global("InvokeRunModel", InvokeRunModel, unwired);
  Global("RepaintMainWindow", RepaintMainWindow, unwired);
  Global("SetMainWindowCaption", SetMainWindowCaption, unwired);
  Global("CheckTemperatureFluctuation", CheckTemperatureFluctuation, unwired);
  Global("DebugLog", DebugLog, unwired);
  Global("TimeStampCheck", TimeStampCheck, unwired);
  Global("OfferRestorePreviousData", OfferRestorePreviousData, unwired);
  Global("DestroyContiNonidSim", DestroyContiNonidSim, unwired);
  Global("InitDistributionPlot", InitDistributionPlot, unwired);
  Global("DestroyMainPlots", DestroyMainPlots, unwired);
  Global("ReapplyNonlinearDetection", ReapplyNonlinearDetection, unwired);
  Global("FreeNonlinearDetectionArrays", FreeNonlinearDetectionArrays, unwired);
  Global("WriteScanRmsDefault", WriteScanRmsDefault, unwired);
  Global("ExtrapolateInitialDataLeft", ExtrapolateInitialDataLeft, unwired);
  Global("ExtrapolateInitialDataRight", ExtrapolateInitialDataRight, unwired);
  Global("ResidualPlotYRange", ResidualPlotYRange, unwired);
  Global("TimedPlotRefresh", TimedPlotRefresh, unwired);
  Global("OpenLammNumericsDialog", OpenLammNumericsDialog, unwired);
  Global("StoreLammColumnForKernel", StoreLammColumnForKernel, unwired);
  // The engines' table is of plain functions: empty means not installed.
  if (SimulationRoads.ScanOverlays == nullptr) unwired.push_back("SimulationRoads.ScanOverlays");

  EXPECT_TRUE(unwired.empty()) << "links not installed by the program start:" << Joined(unwired);
}

// Once the window has closed, the links it had installed are back at their
// "not installed" defaults: a late call is reported like that of any link
// never installed, and does not end the program; hiding the window's
// buttons then has nothing left to hide and is no programming error.
TEST_F(LinkWiring, LinksOfAClosedWindowAreReportedNotThrown) {
  ProgramOptions.DisclaimerAgreed = true;
  {
    TXLAApp app;
    app.CreateMainWindow();
    app.MainWindow()->Create();
  }
  testsupport::unwiredCallsAllowed = true;
  platform::RecordingCanvas canvas;
  auto& main = display::MainDisplayLinks;
  const struct {
    const char* link;
    std::function<void()> call;
  } reported[] = {
      {"ExitProgram", [&] { main.ExitProgram(); }},
      {"FitResultText", [&] { main.FitResultText(); }},
      {"PaintFitResultLines", [&] { main.PaintFitResultLines(canvas, 0, 0); }},
      {"DrawCtotOverlay", [&] { main.DrawCtotOverlay(canvas); }},
      {"PaintScreenButtons", [&] { main.PaintScreenButtons(canvas); }},
      {"PeakLabelsActive", [&] { EXPECT_FALSE(main.PeakLabelsActive()); }},
      {"ClearPeakLabels", [&] { main.ClearPeakLabels(); }},
      {"UpdateRuntimeMenus", [&] { main.UpdateRuntimeMenus(); }},
      {"ToolPlotsExist", [&] { EXPECT_FALSE(main.ToolPlotsExist()); }},
      {"PaintToolLayer",
       [&] { EXPECT_EQ(main.PaintToolLayer(canvas), display::ToolLayer::None); }},
      {"RepaintEqTestPlot", [&] { EXPECT_TRUE(main.RepaintEqTestPlot().IsNull()); }},
      {"ShowIntegrateButton", [] { display::DistributionPlotLinks.ShowIntegrateButton(); }},
      {"ShowDistributionNow", [] { TimeCourseLinks.ShowDistributionNow(); }},
      {"FitDisplayLinks.FitResultText", [] { FitDisplayLinks.FitResultText(nullptr); }},
  };
  testing::internal::CaptureStderr();
  for (const auto& r : reported) {
    const std::size_t before = links::UnwiredCallCount();
    EXPECT_NO_THROW(r.call()) << r.link;
    EXPECT_EQ(links::UnwiredCallCount(), before + 1) << r.link;
  }
  const std::size_t before = links::UnwiredCallCount();
  EXPECT_NO_THROW(display::DistributionPlotLinks.HideIntegrateButton());
  EXPECT_NO_THROW(DistributionCommandLinks.HideIntegrateButton());
  EXPECT_EQ(links::UnwiredCallCount(), before);
  testing::internal::GetCapturedStderr();
}

TEST(LinkDefaults, TheUnwiredDefaultIsCountedAndAnsweredWithAnEmptyValue) {
  testsupport::unwiredCallsAllowed = true;
  std::function<int(double, char)> number = links::Unwired;
  std::function<void(const std::string&)> nothing = links::Unwired;
  EXPECT_FALSE(links::IsInstalled(number));
  EXPECT_FALSE(links::IsInstalled(std::function<void()>{}));
  const std::size_t before = links::UnwiredCallCount();
  testing::internal::CaptureStderr();
  EXPECT_EQ(number(2.5, 'x'), 0);
  nothing("x");
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(links::UnwiredCallCount(), before + 2);
  EXPECT_NE(report.find("programming error"), std::string::npos);
  nothing = [](const std::string&) {};
  EXPECT_TRUE(links::IsInstalled(nothing));
}
