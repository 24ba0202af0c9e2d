// The external plotting programs and PELKO as they are started (the command
// lines they get, menu items of missing programs gone), and the printout of
// the window written to a PDF file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/ProgramStartLinks.h"
#include "app/external/ExternalPrograms.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "state/PaintState.h"
#include "state/ModelParameters.h"
#include "numerics/CCurve.h"
#include "platform/qt/PagePrinting.h"
#include "plot/CWINPlot.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

class ExternalPrograms : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    savedPaths = ProgramPaths;
    SetInstallationFolder(install.path().string());
    fs::create_directories(ProgramPaths.TempFolder);
    WireAsTheProgramStartDoes(window);
    FreeDataSet();
    ModelParameters = ModelParametersRecord{};
    AllocScanSlots(2);
    auto& d = ScanDataSet;
    d.NFILES = 2;
    for (int i = 1; i <= 2; ++i) {
      d.ScanPointCount[i] = 3;
      for (auto* a : {&d.ScanRadius[i], &d.ScanSignal[i], &d.ScanModel[i]}) a->Resize(1, 3);
      for (int k = 1; k <= 3; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.5f * k;
        d.ScanSignal[i][k] = static_cast<float>(i * k);
      }
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = 3;
      d.ScanHeaders[i].Time = 1000.0 * i;
      d.ScanTimeOrder[i] = i;
    }
    d.FitLeftLim = 6.5f;
    d.FitRightLim = 7.5f;
    ModelParameters.Meniscus = 6.2f;
    ModelParameters.Bottom = 7.2f;
    curve = std::make_unique<CCurve>(d.ScanRadius[1].data(), d.ScanSignal[1].data(), 3, 1, 1);
    auto& plot = display::MainPlots.DataPlot;
    plot = std::make_unique<CWINPlot>();
    plot->Place(50, 75, 475, 975);
    plot->AddCurve(curve.get());
    plot->SetRanges(6.0f, 8.0f, 0.0f, 10.0f);
  }
  void TearDown() override {
    display::MainPlots.DataPlot.reset();
    curve.reset();
    FreeDataSet();
    ProgramPaths = savedPaths;
    HeadlessTest::TearDown();
  }
  void Install(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
  }
  std::string Log() {
    std::string all;
    for (const std::string& line : backend().Log()) all += line + "\n";
    return all;
  }

  ScratchFolder install;
  ProgramPathsRecord savedPaths;
  TXLAWindow window{"Sedimentation Analysis"};
  std::unique_ptr<CCurve> curve;
};

TEST_F(ExternalPrograms, MissingPlottingProgramsLoseTheirMenuItems) {
  Install(PlotProgramPath(878));
  for (int id = 878; id <= 883; ++id) ASSERT_TRUE(window.Menu().Contains(id)) << id;
  FindPlotPrograms(window);
  EXPECT_TRUE(window.Menu().Contains(878));
  for (int id = 879; id <= 883; ++id) EXPECT_FALSE(window.Menu().Contains(id)) << id;
}

TEST_F(ExternalPrograms, DataPlotterCommandLine) {
  Install(PlotProgramPath(878));
  FindPlotPrograms(window);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // within the fitting limits
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // meniscus to bottom
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // current y limits
  platform::FormState scans;
  scans.texts[101] = "50";  // clipped to the two scans
  backend().ScriptForm(scans);
  CmPlotDataIn3dGraph(window);
  const std::string expected = "start program " + PlotProgramPath(878) + " 4113 " +
                               ProgramPaths.TempFolder +
                               " 2 1 6.500000e+00 7.500000e+00 0.000000e+00 1.000000e+01 "
                               "6.200000e+00 7.200000e+00 2.000000e+00";
  EXPECT_EQ(LogLinesWith(expected).size(), 1u) << Log();
  EXPECT_TRUE(fs::exists(ProgramPaths.TempFolder + "2.dat"));
  EXPECT_TRUE(fs::exists(ProgramPaths.TempFolder + "times.dat"));
}

TEST_F(ExternalPrograms, PelkoIsLookedForAtEachStart) {
  CmPelkoDataFitResidualsPlot(window);
  EXPECT_EQ(LogLinesWith("Can't seem to find PELKO script at " + PelkoPath()).size(), 1u);
  Install(PelkoPath());
  CmPelkoDataFitResidualsPlot(window);
  EXPECT_EQ(LogLinesWith("start program " + PelkoPath() + " --svdfr " + ProgramPaths.TempFolder +
                         "svdfrdata.dat")
                .size(),
            1u)
      << Log();
}

TEST_F(ExternalPrograms, PrintoutIsOnePdfPage) {
  const std::string pdf = install.File("printout.pdf");
  bool flagWhilePainting = false;
  backend().SetPagePrinter([&](platform::PrintRequest& page) {
    auto paint = page.paint;
    page.paint = [&](platform::Canvas& c) {
      paint(c);
      flagWhilePainting = flagWhilePainting || PaintState.PrintingFlag;
    };
    return platform::qt::WritePagePdf(page, pdf);
  });
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // without the fit information
  CmPrint(window);
  EXPECT_FALSE(PaintState.PrintingFlag);
  const std::string text = ReadWholeFile(pdf);
  ASSERT_EQ(text.rfind("%PDF", 0), 0u);
  EXPECT_NE(text.find("/Count 1"), std::string::npos);
  EXPECT_EQ(LogLinesWith("print Taluvo Printout").size(), 1u);
}

}  // namespace
