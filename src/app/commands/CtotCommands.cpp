#include "app/commands/CtotCommands.h"

#include <string>

#include "app/commands/CommandTable.h"
#include "app/options/OptionBoxes.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "distributions/CtotMovie.h"

namespace {

constexpr const char* kFilesCaption = "select NONIDEAL CTOT DATA files";

std::vector<platform::FileFilter> CtotFilters() {
  return {{"ctot files (~*.ctot)", {"*.ctot"}}};
}

}  // namespace

void LoadCtotDataFiles(TXLAWindow& window) {
  const DialogBusyScope busy(window);
  std::string path = DataFileLocation.TempParameterFilePath;
  if (pCtotMovie && !pCtotMovie->FileName.empty()) {
    if (AskYesNoBox(window, "keep " + pCtotMovie->FileName + " ?", "NONIDEAL CTOT DATA")) return;
    path = pCtotMovie->FileName;
  }
  EnsureCtotMovie();
  if (!ChooseFileName(window, false, path, 260, kFilesCaption, "ctot", CtotFilters())) {
    ShowOkBox(window, "sorry could not identify valid file", kFilesCaption,
              platform::BoxIcon::None);
    return;
  }
  if (!pCtotMovie->Read(path))
    ShowOkBox(window, "sorry loading CTOT DATA file failed", kFilesCaption,
              platform::BoxIcon::None);
}

void SaveCtotDataFile(TXLAWindow& window) {
  const DialogBusyScope busy(window);
  if (!pCtotMovie || !pCtotMovie->Loaded) return;
  std::string path = !pCtotMovie->FileName.empty()
                         ? pCtotMovie->FileName
                         : DataFileLocation.TempParameterFilePath + ".ctot";
  if (!ChooseFileName(window, true, path, 260, "select NONIDEAL CTOT DATA file", "ctot",
                      CtotFilters())) {
    ShowOkBox(window, "sorry could not find destination CTOT DATA file", kFilesCaption,
              platform::BoxIcon::None);
    return;
  }
  if (!pCtotMovie->SaveAs(path))
    ShowOkBox(window, "sorry could not save CTOT DATA file", kFilesCaption,
              platform::BoxIcon::None);
}

void CmClearMeanFieldCtot(TXLAWindow&) {
  DeleteCtotMovie();
}

void AskResetCtot(TXLAWindow& window) {
  if (pCtotMovie && AskYesNoBox(window, "reset mean field ctot data?", "LOAD FILES"))
    DeleteCtotMovie();
}

void RegisterCtotCommands(CommandTable& table) {
  table.Add(1103, &LoadCtotDataFiles, false, "CmRestoreMeanFieldCtot");
  table.Add(1104, &SaveCtotDataFile, false, "CmExportMeanFieldCtot");
  table.Add(1106, &CmClearMeanFieldCtot, false, "CmClearMeanFieldCtot");
}
