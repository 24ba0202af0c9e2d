// Experiment files exported for the sibling analysis program: the type of
// the experiment, the data folder and the scan names, then the solvent,
// meniscus, bottom, their ranges, the fit limits and the fit flags, one
// number per line.

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/loading/LoadCommands.h"
#include "app/loading/LoadingSupport.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/FilePathParts.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/PhysicalConstants.h"

namespace {

using namespace loading;

constexpr std::size_t kMaxNameLine = 128260;

// The number at the start of a line; none when the line does not start
// with one.
std::optional<double> LeadingNumber(const std::string& line) {
  const char* begin = line.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The quoted strings of a line, in order.
std::vector<std::string> QuotedStrings(const std::string& line) {
  std::vector<std::string> strings;
  std::size_t open = line.find('"');
  while (open != std::string::npos) {
    const std::size_t close = line.find('"', open + 1);
    if (close == std::string::npos) break;
    strings.push_back(line.substr(open + 1, close - open - 1));
    open = line.find('"', close + 1);
  }
  return strings;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool Flag(double v) {
  return std::floor(v) != 0.0;
}

// The parameter lines in their order; stops silently at the first line
// without a number, with the values read so far applied.
void ReadParameters(std::istream& in) {
  using Setter = void (*)(double);
  static const Setter setters[] = {
      [](double v) { SolventConditions.BufferDensity = static_cast<float>(v); },
      [](double v) {
        SolventConditions.RELVISCOSITY =
            static_cast<float>(v / PhysicalConstantsRecord::STANDARDVISCOSITY);
      },
      [](double v) {
        SolventConditions.VBAR = static_cast<float>(v);
        SolventConditions.VbarRho = SolventConditions.BufferDensity * SolventConditions.VBAR;
      },
      [](double v) { ModelParameters.Meniscus = static_cast<float>(v); },
      [](double v) {
        ModelParameters.Bottom = static_cast<float>(v);
        PackParameterVector();
      },
      [](double v) { FitControl.MAXMENISCUS = static_cast<float>(v); },
      [](double v) { FitControl.MINMENISCUS = static_cast<float>(v); },
      [](double v) { FitControl.MAXBOTTOM = static_cast<float>(v); },
      [](double v) { FitControl.MINBOTTOM = static_cast<float>(v); },
      [](double v) {
        ScanDataSet.FitLeftLim = static_cast<float>(v);
        SetFirstFitIndex();
      },
      [](double v) {
        ScanDataSet.FitRightLim = static_cast<float>(v);
        SetLastFitIndex();
      },
      [](double) {},
      [](double) {},
      [](double v) { FitControl.TINoiseFitted = Flag(v); },
      [](double v) { ModelParameters.RINoiseFitted = Flag(v); },
      [](double v) { ModelParameters.BaselineFitted = Flag(v) ? 1 : 0; },
      [](double v) { ModelParameters.BottomFitted = Flag(v) ? 1 : 0; },
      [](double v) { ModelParameters.MeniscusFitted = Flag(v) ? 1 : 0; },
  };
  std::size_t read = 0;
  for (std::string line; read < std::size(setters) && std::getline(in, line); ++read) {
    const std::optional<double> v = LeadingNumber(line);
    if (!v) break;
    setters[read](*v);
  }
  // The fit flags have their mirror in the parameter vector.
  if (read > 13) PackParameterVector();
}

}  // namespace

int ImportXpFile(TXLAWindow& window, const std::string& path) {
  CloseEqTestScreen(window);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ShowError(window, "could not open " + path);
    return 0;
  }
  std::string line;
  std::getline(in, line);
  const std::optional<double> type = LeadingNumber(line);
  if (!type || *type != 0.0) {
    ShowError(window, "can only load xp files from sedimentation velocity");
    return 0;
  }
  std::getline(in, line);
  std::getline(in, line);
  if (line.size() > kMaxNameLine) line.resize(kMaxNameLine);
  const std::vector<std::string> quoted = QuotedStrings(line);
  if (line.empty() || line.front() != '"' || quoted.empty()) {
    ShowError(window, "old XP-file format (use newer version of quorvel)");
    return 0;
  }
  std::string folder = WithForwardSlashes(quoted[0]);
  // A folder given relative to the experiment file.
  if (folder.starts_with("_")) folder = FolderOfPath(path) + "/" + folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::vector<std::string> names =
      quoted.size() > 1 ? Words(quoted[1]) : std::vector<std::string>{};
  if (names.empty()) return 0;

  ScanDataSet.ListStep = 1;
  FileSelection selection{folder};
  selection.insert(selection.end(), names.begin(), names.end());
  SetCaption(window, "SEDIMENTATION ANALYSIS -> " + folder + "/" + names.front() + "...");
  {
    WaitCursor wait(window);
    LoadAllData(window.Handle(), selection);
  }
  if (ScanDataSet.NFILES <= 0) return 0;
  ReadParameters(in);
  return 1;
}
