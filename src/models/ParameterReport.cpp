#include "models/ParameterReport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data/ScanDataSet.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

std::string Format(const char* format, double value) {
  char text[128];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string ParameterReportText(bool forClipboard) {
  UnpackParameterVector();
  const ModelParametersRecord& m = ModelParameters;
  std::string r;
  for (int k = 1; k <= NCOMP; ++k) {
    if (m.ComponentOn[k] == 0) continue;
    r += "\n\ncomponent " + std::to_string(k) + " included:\n";
    r += FitControl.MassInsteadOfD ? Format("M\t=\t%f g/Mol", m.MassOrD[k])
                                   : Format("D\t=\t%.3f *10^-7 cm^2/sec", m.MassOrD[k]);
    r += m.MassOrDFitted[k] ? "\t(floated)\n" : "\t(fixed)\n";
    r += Format("s\t=\t%.3f S", m.SedCoefficient[k]);
    const char* state = m.SedCoefficientFitted[k] ? "\t\t\t(floated)" : "\t\t\t(fixed)";
    r += state;
    if (!forClipboard) r += "\n";
  }
  r += "\n\nconcentrations = ";
  for (int slot = 9; slot <= 12; ++slot)
    if (m.ComponentOn[slot - 8] != 0) r += Format("%.3f | ", ParameterVector[slot]);
  r += "(first is total, next are fractions)";
  r += Format("\n\nmeniscus at \t%1.4f cm", m.Meniscus);
  r += m.MeniscusFitted ? "\t\t(floated)\n" : "\t\t(fixed)\n";
  r += Format("bottom at \t%1.4f cm", m.Bottom);
  r += m.BottomFitted ? "\t\t(floated)\n" : "\t\t(fixed)\n\n";
  r += Format("baseline at \t%1.5f OD", m.Baseline);
  if (m.BaselineFitted || m.SystematicNoiseOn)
    r += "\t\t(floated)\n";
  else
    r += forClipboard ? "\t\t(fitxed)\n" : "\t\t(fixed)\n";
  if (FitControl.TINoiseFitted)
    r += forClipboard ? "\t\ttime independent baseline fitted\n" : "\t\t(time independently fitted)";
  r += Format("\nfitted from %1.4f", ScanDataSet.FitLeftLim);
  r += Format(" to %1.4f cm\n", ScanDataSet.FitRightLim);
  r += m.InitialConcentrationExperimental ? "with experimental initial distribution"
                                          : "with constant initial distribution";
  r += Format("\nsimulation start time %f sec", m.TimeOffset);
  r += m.TimeOffsetFitted ? "\t\t(floated)\n" : "\t\t(fixed)\n";
  const double rmsd = FitControl.CurrentRmsd, n = FitControl.FitPointCount;
  char line[160];
  std::snprintf(line, sizeof line, "\nrmsd=%f (n=%.0f,SSR=%f)\n", rmsd, n, n * rmsd * rmsd);
  r += line;
  return r;
}

std::string ParameterFilePath(const std::string& path) {
  std::filesystem::path p(path);
  std::string extension = DataFileLocation.Extension;
  if (!extension.empty() && extension.front() != '.') extension.insert(0, ".");
  p.replace_extension(extension);
  return p.string();
}

std::string SaveParameterFile(platform::WindowHandle window, const std::string& path) {
  const std::string target = ParameterFilePath(path);
  if (FileExists(target)) {
    PlayInfoSound();
    if (platform::Current().ShowMessageBox(
            {window, "file " + target + " already exists!\nOverwrite?", "ERROR",
             platform::BoxIcon::Question, platform::BoxButtons::YesNo}) !=
        platform::BoxAnswer::Yes) {
      platform::Current().ShowMessageBox({window, "parameters not saved", "ERROR",
                                          platform::BoxIcon::Information,
                                          platform::BoxButtons::Ok});
      return {};
    }
  }
  const std::string text = ParameterReportText(false);
  std::ofstream file(target, std::ios::binary | std::ios::trunc);
  if (!file) {
    ErrorBox("could not open " + target);
    return {};
  }
  file << text;
  if (!file.flush()) {
    ErrorBox("could not write " + target);
    return {};
  }
  return target;
}

bool CopyParametersText(platform::WindowHandle) {
  return platform::Current().SetClipboardText(ParameterReportText(true));
}
