#include "app/window/DiagnosticsLog.h"

#include <cstdio>
#include <filesystem>

#include "app/window/TXLAWindow.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammWorkerThread.h"
#include "ui/Boxes.h"

bool DiagnosticsOn = false;

namespace {

constexpr int kDiagnosticsItem = 867;

// The text goes out unchanged: a per cent sign in it is no format directive.
bool WriteLogText(const std::string& path, const std::string& text, bool append) {
  std::FILE* f = std::fopen(path.c_str(), append ? "a" : "w");
  if (f == nullptr) return false;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fflush(f);
  std::fclose(f);
  return true;
}

void ReportUnwritableLog(const std::string& path) {
  ErrorBox("\n\aAttention: could not open " + path + " to write debugging info");
}

}  // namespace

std::string DiagnosticsLogPath() {
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) folder = "/tmp";
  return (folder / "Taluvodebug_t0.txt").generic_string();
}

void TXLAWindow::DebugLog(const std::string& text) {
  if (!DiagnosticsOn) return;
  if (!diagnosticsStarted_) {
    diagnosticsFile_ = DiagnosticsLogPath();
    diagnosticsHeader_ = "\nstarting new taluvo debugging session for thread #0";
    if (!WriteLogText(diagnosticsFile_, diagnosticsHeader_, false)) {
      ReportUnwritableLog(diagnosticsFile_);
      return;
    }
    diagnosticsStarted_ = true;
  }
  if (text.empty()) return;
  if (!WriteLogText(diagnosticsFile_, text, true)) ReportUnwritableLog(diagnosticsFile_);
}

void CmDiagnosticsOutputToFiles(TXLAWindow& window) {
  const std::string path = DiagnosticsLogPath();
  if (!WriteLogText(path, "", false)) {
    ErrorBox("\n\aAttention: could not open " + path +
             " to write debugging info: Create Directory");
    return;
  }
  DiagnosticsOn = !DiagnosticsOn;
  LammDiagnosticsOn = DiagnosticsOn;
  ThreadDiagnosticsOn = DiagnosticsOn;
  window.CheckMenuItem(kDiagnosticsItem, DiagnosticsOn);
}
