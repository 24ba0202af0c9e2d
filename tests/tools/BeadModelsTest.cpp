// The HYDROPRO input file, its results lines and the BEST/BEMINE
// extrapolation of D to an infinitely fine triangulation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "support/TestSupport.h"
#include "tools/BeadModels.h"

namespace {

TEST(BeadModels, HydroproInputFile) {
  HydroproParameters p;
  p.name = "lyso";
  EXPECT_EQ(HydroproInputText(p),
            "lyso\nlyso\nlyso.pdb\n"
            "3.20,\t\t!AER, radius of atomic elements\n"
            "-1,\t\t!NSIG\n"
            "293.1,\t\t!Temperature (K)\n"
            "0.01002,\t\t!Solvent viscosity (Poise)\n"
            "-1.0,\t\t!Mw (Da)\n"
            "0.7300,\t\t!vbar (ml/g)\n"
            "0.99823,\t\t!Solvent density (g/ml)\n"
            "0,\n0,\n0,\n0,\n*                   ");
  p.nsig = 2;
  p.sigmin = 1.5f;
  p.sigmax = 2.5f;
  const std::string text = HydroproInputText(p);
  EXPECT_NE(text.find("2,\t\t!NSIG\n1.50,\t\t!NSIG\n2.50,\t\t!NSIG\n293.1"), std::string::npos);
}

TEST(BeadModels, WorkingFoldersNeverReuseAName) {
  ScratchFolder folder;
  EXPECT_EQ(FreeFolderName(folder.path().string(), "lyso"), "lyso");
  std::filesystem::create_directory(folder.path() / "lyso");
  EXPECT_EQ(FreeFolderName(folder.path().string(), "lyso"), "lyso_");
  std::filesystem::create_directory(folder.path() / "lyso_");
  EXPECT_EQ(FreeFolderName(folder.path().string(), "lyso"), "lyso__");
}

// Cancelling the wait stops the process it started: that must be HYDROPRO
// itself, or a cancelled HYDROPRO would go on computing in the background.
TEST(BeadModels, TheScriptHandsItsProcessToHydropro) {
  ScratchFolder folder;
  const auto write = [&](const char* name, const std::string& text) {
    std::ofstream(folder.path() / name) << text;
  };
  // A stand-in HYDROPRO writes its own process id.
  write("fakehydropro", "#!/bin/sh\necho $$ > program.pid\n");
  std::filesystem::permissions(folder.path() / "fakehydropro", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  write("hydropro.sh", HydroproScriptText("fakehydropro"));
  const std::string command = "cd '" + folder.path().string() +
                              "' && sh -c 'echo $$ > shell.pid; exec /bin/sh hydropro.sh' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadWholeFile((folder.path() / "program.pid").string()),
            ReadWholeFile((folder.path() / "shell.pid").string()));
}

TEST(BeadModels, HydroproResultLines) {
  const HydroproResults r = ParseHydroproResults(
      "HYDROPRO\n*** warning: few beads\nTranslational diffusion coefficient: 1.1E-06\n"
      "Sedimentation coefficient:       1.910E+00 Svedberg\n***second\n");
  ASSERT_EQ(r.errors.size(), 2u);
  EXPECT_EQ(r.errors[0], "*** warning: few beads");
  EXPECT_EQ(r.errors[1], "***second");
  EXPECT_EQ(r.sedimentationLine, "Sedimentation coefficient:       1.910E+00 Svedberg");
  EXPECT_TRUE(ParseHydroproResults("no result\n").sedimentationLine.empty());
}

std::string BestBlock(double n, double d) {
  char text[200];
  std::snprintf(text, sizeof text,
                "  Number of Surface Patches%8.0f\n some lines\n  DTT(EXACT) = %.6E\n", n, d);
  return text;
}

TEST(BeadModels, ExtrapolationDropsAnOutlyingSmallestModel) {
  // D = D0 + b/N with a little scatter for the four largest models; the
  // smallest far off.
  const double d0 = 6e-7, b = 1e-5;
  std::string text;
  const std::pair<double, double> models[] = {
      {200.0, 1e-10}, {800.0, -1e-10}, {400.0, -1e-10}, {1600.0, 1e-10}};
  for (auto [n, scatter] : models) text += BestBlock(n, d0 + b / n + scatter);
  text += BestBlock(100.0, 9e-7);
  const std::vector<BeadBlock> blocks = ParseBestOutput(text);
  ASSERT_EQ(blocks.size(), 5u);
  BeadExtrapolation e;
  std::string reason;
  ASSERT_TRUE(ExtrapolateBeadDiffusion(blocks, e, reason));
  EXPECT_EQ(e.used, 4);
  EXPECT_NEAR(e.d0, d0, 1e-10);
  EXPECT_EQ(e.blocks.front().triangles, 1600);
  EXPECT_EQ(e.blocks.back().triangles, 100);
}

TEST(BeadModels, DegenerateBlocksAreRefused) {
  BeadExtrapolation e;
  std::string reason;
  EXPECT_FALSE(ExtrapolateBeadDiffusion({}, e, reason));
  // Two models of one size cannot be extrapolated in 1/N.
  EXPECT_FALSE(ExtrapolateBeadDiffusion({{500, 6e-7}, {500, 6.1e-7}}, e, reason));
  EXPECT_FALSE(reason.empty());
  // One model is its own answer.
  ASSERT_TRUE(ExtrapolateBeadDiffusion({{500, 6e-7}}, e, reason));
  EXPECT_EQ(e.d0, 6e-7);
}

TEST(BeadModels, SValueOfTheExtrapolatedD) {
  EXPECT_NEAR(BeadModelS(1e5, 0.73, 6e-7), 6.68, 0.005);
}

TEST(BeadModels, LineFit) {
  LineFit f;
  ASSERT_TRUE(FitLine({1, 2, 3}, {3, 5, 7}, f));
  EXPECT_NEAR(f.slope, 2, 1e-12);
  EXPECT_NEAR(f.intercept, 1, 1e-12);
  EXPECT_NEAR(f.ssr, 0, 1e-20);
  EXPECT_FALSE(FitLine({2, 2}, {1, 3}, f));
  EXPECT_FALSE(FitLine({2}, {1}, f));
}

}  // namespace
