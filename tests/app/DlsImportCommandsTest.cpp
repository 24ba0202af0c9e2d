// The DLS import commands as a user drives them through the command table:
// the note of the expected export, the file dialogs, the instrument's
// prompts, and the file written; a "No" or a Cancel anywhere writes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/window/TXLAWindow.h"
#include "data/DlsDataFile.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::BoxAnswer;

class DlsImportCommands : public HeadlessTest {
 protected:
  // The entries of one dialog, field by field from the first.
  void Enter(std::vector<std::string> texts, bool ok = true) {
    platform::FormState entries;
    for (std::size_t i = 0; i < texts.size(); ++i)
      entries.texts[101 + static_cast<int>(i)] = texts[i];
    backend().ScriptForm(entries, ok);
  }
  void ChooseFiles(std::vector<std::string> sources, const std::string& output) {
    backend().ScriptFileDialog(sources);
    backend().ScriptFileDialog(std::vector<std::string>{output});
  }
  DlsRecord ReadRecord(const std::string& path, int& points) {
    DlsRecord record;
    OneBasedArray<float> lags, values;
    points = 0;
    EXPECT_TRUE(ReadDLSDataFile(path, &record, &points, &lags, &values, true)) << path;
    return record;
  }
  std::vector<fs::path> WrittenFiles() const {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder.path()))
      if (e.path().extension() == ".dlsdat") files.push_back(e.path().filename());
    return files;
  }

  TXLAWindow window{"Sedimentation Analysis"};
  ScratchFolder folder;
};

const char* const kDynamics7Export = "Sample,x\nTime (us),Coef\n1.5,1.25\n3,1.125\n\n";

std::string BicExport() {
  std::string text = "1 25000.5 3 4 5 6 136 8 90 532 298.15 0.89 13 1.33";
  for (int t = 15; t <= 20; ++t) text += " " + std::to_string(t);
  text += " 8 22 1000\n";
  for (int t = 24; t <= 37; ++t) text += std::to_string(t) + " ";
  text += "\n";
  for (int k = 1; k <= 144; ++k) text += std::to_string(k) + " 1500\n";
  return text + "lysozyme\nme\nrun 1\nday 2\n";
}

}  // namespace

// Dynamics 7: the optics asked in two steps around the wavelength check,
// the second wavelength entry being the one written.
TEST_F(DlsImportCommands, PromptsReachTheWrittenFile) {
  const std::string source = folder.Write("d7.csv", kDynamics7Export);
  const std::string output = folder.File("00001.dlsdat");
  backend().ScriptBoxAnswer(BoxAnswer::Yes);  // the export is the expected one
  ChooseFiles({source}, output);
  Enter({"0.0089", "1.331", "660"});
  backend().ScriptBoxAnswer(BoxAnswer::Ok);  // "are you sure about the wavelengt? ..."
  Enter({"650"});
  Enter({"173", "25"});
  DispatchCommand(window, 897);
  int points = 0;
  const DlsRecord r = ReadRecord(output, points);
  EXPECT_EQ(points, 2);
  EXPECT_NEAR(r.DlsSetting7, 650e-9, 1e-12);
  EXPECT_FLOAT_EQ(r.DlsTemperature, 25.0f);
  EXPECT_EQ(LogLinesWith("Wyatt DLS (Dynamics 7.0.2.7.)").size(), 1u);
}

// Every chosen BIC file goes to its own name stem beside the output file.
TEST_F(DlsImportCommands, SeveralBicFilesEachToTheirStem) {
  const std::string first = folder.Write("run_a.dat", BicExport());
  const std::string second = folder.Write("run_b.dat", BicExport());
  ChooseFiles({first, second}, folder.File("00001.dlsdat"));
  DispatchCommand(window, 527);
  int points = 0;
  for (const char* name : {"run_a.dlsdat", "run_b.dlsdat"}) {
    SCOPED_TRACE(name);
    ReadRecord(folder.File(name), points);
    EXPECT_EQ(points, 144);
  }
  EXPECT_FALSE(fs::exists(folder.File("00001.dlsdat")));
}

TEST_F(DlsImportCommands, NoOrCancelWritesNothing) {
  const std::string source = folder.Write("d7.csv", kDynamics7Export);
  const std::string output = folder.File("00001.dlsdat");
  struct Case {
    const char* what;
    int command;
    std::function<void()> script;
  } cases[] = {
      {"No to the note", 897, [&] { backend().ScriptBoxAnswer(BoxAnswer::No); }},
      {"source cancelled", 534,
       [&] {
         backend().ScriptBoxAnswer(BoxAnswer::Yes);
         backend().ScriptFileDialog(std::nullopt);
       }},
      {"output cancelled", 544,
       [&] {
         backend().ScriptFileDialog(std::vector<std::string>{source});
         backend().ScriptFileDialog(std::nullopt);
       }},
      {"prompt cancelled", 532,
       [&] {
         backend().ScriptBoxAnswer(BoxAnswer::Yes);
         ChooseFiles({source}, output);
         Enter({"1e-6"}, false);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.script();
    DispatchCommand(window, c.command);
    EXPECT_TRUE(WrittenFiles().empty());
  }
}
