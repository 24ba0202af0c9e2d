#include "data/SiblingExport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>

#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "state/SiblingPeakList.h"
#include "state/SyntheticSeries.h"
#include "data/DataSetLinks.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/PhysicalConstants.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

// Lines of a file in the making; written only once complete, so that a file
// that cannot be created is not left half written.
class Lines {
 public:
  void Add(const std::string& line) { text_ += line; }
  template <typename... Args>
  void Add(const char* format, Args... args) {
    text_ += FormatText(format, args...);
  }
  bool WriteTo(const std::string& path) const {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    const bool written = std::fputs(text_.c_str(), f) >= 0;
    return std::fclose(f) == 0 && written;
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Everything the xp file says; the two kinds of xp file fill it differently.
struct XpContent {
  std::string experimentLine;
  std::string title;
  bool withTitle = true;  // the equilibrium sort writes line 2 without one
  std::string folder;
  std::vector<std::string> files;
  double density = 1.0, viscosityLine = 0.001002, vbar = 0.73, vbar20 = 0.73;
  double meniscus = 0.0, bottom = 0.0;
  double maxMeniscus = 0.0, minMeniscus = 0.0, maxBottom = 0.0, minBottom = 0.0;
  double fitLeft = 0.0, fitRight = 0.0, experimentalNoise = 0.01;
  int tiNoise = 0, riNoise = 0, autoBaseline = 0, varyBottom = 0, varyMeniscus = 0;
  int meniscusWarned = 0;
  double baseline = 0.0, extinctionA = 1.0, extinctionB = 1.0, extinctionC = 1.0;
  int centerpiece = 2;
  int fileCount = 0;
  const char* lineAfterCount = "0 (no ppMultiLocalConcentrations)\n";
  double pathlength = 1.2;
  int rotorType = 4;
  int extraConcentrationSets = 1;  // numbered sets of ppMultiLocalExtraConcs
  bool equilibriumSortEnding = false;
};

const char* RotorName(int type) {
  if (type == 8) return " EIGHTHOLE)\n";
  if (type == 4) return " FOURHOLE)\n";
  return " NOROTOR)\n";
}

Lines XpLines(const XpContent& c) {
  Lines l;
  l.Add(c.experimentLine);
  if (c.withTitle)
    l.Add("%s (exported xp file from TALUVO)\n", c.title.c_str());
  else
    l.Add(std::string("(exported xp file from TALUVO)\n"));
  std::string list = "\"" + c.folder + "\" \"";
  for (const auto& f : c.files) list += " " + f;
  l.Add(list + "\"\n");
  l.Add("%f (fBufferDensity)\n", c.density);
  l.Add("%f (fBufferViscosity)\n", c.viscosityLine);
  l.Add("%f (VBAR)\n", c.vbar);
  l.Add("%f (Meniscus)\n", c.meniscus);
  l.Add("%f (Bottom)\n", c.bottom);
  l.Add("%f (MAXMENISCUS)\n", c.maxMeniscus);
  l.Add("%f (MINMENISCUS)\n", c.minMeniscus);
  l.Add("%f (MAXBOTTOM)\n", c.maxBottom);
  l.Add("%f (MINBOTTOM)\n", c.minBottom);
  l.Add("%f (FitLeftLim)\n", c.fitLeft);
  l.Add("%f (FitRightLim)\n", c.fitRight);
  l.Add("%f (WeightExperiment)\n", 1.0);
  l.Add("%f (ExperimentalNoise)\n", c.experimentalNoise);
  l.Add("%d (blocalFitTimeIndepNoise)\n", c.tiNoise);
  l.Add("%d (blocalFitRINoise)\n", c.riNoise);
  l.Add("%d (blocalAutoVaryBaseline)\n", c.autoBaseline);
  l.Add("%d (blocalVaryBottom)\n", c.varyBottom);
  l.Add("%d (blocalVaryMeniscus)\n", c.varyMeniscus);
  l.Add("%d (blocalVaryMeniscusWarned)\n", c.meniscusWarned);
  l.Add("%f (xBaseline)\n", c.baseline);
  l.Add(std::string("1.00000 (xConcentrationFactor)\n"));
  l.Add("%f (xExtinctionCoeffA)\n", c.extinctionA);
  l.Add("%d (bVaryExtinctionCoeffA)\n", 0);
  l.Add("%f (xExtinctionCoeffB)\n", c.extinctionB);
  l.Add("%d (bVaryExtinctionCoeffB)\n", 0);
  l.Add("%d (Centerpiece)\n", c.centerpiece);
  for (int k = 1; k <= 4; ++k) l.Add("1.000000e-6 (pLocalConcentrations[%d])\n", k);
  l.Add("%d (NFILES)\n", c.fileCount);
  l.Add(std::string(c.lineAfterCount));
  l.Add("%f (global VBAR20)\n", c.vbar20);
  l.Add("%f (global HYDRATION)\n", 0.3);
  l.Add("%f (pathlength)\n", c.pathlength);
  l.Add("%d (rotor type: ", c.rotorType);
  l.Add(std::string(RotorName(c.rotorType)));
  l.Add("%d (correct for rotor stretch in TI noise)\n", 0);
  l.Add("%d (correct for rotor stretch in mass balance)\n", 0);
  l.Add("%d (sets of extra parameters follow)\n", 3);
  for (int k = 1; k <= 3; ++k) l.Add("0.000000e+00 (pLocalExtraConcs[%d])\n", k);
  for (int j = 1; j <= c.extraConcentrationSets; ++j)
    for (int k = 1; k <= 3; ++k) l.Add("0.000000e+00 (ppMultiLocalExtraConcs[%d][%d])\n", j, k);
  l.Add("%d (bContainsNoBackdiffusion)\n", 0);
  l.Add("%d (bSwIsothermAInvisible)\n", 0);
  l.Add("%f (xExtinctionCoeffC)\n", c.extinctionC);
  for (const char* label : {"bVaryExtinctionCoeffC", "bPartialBoundaryFit", "PBFsmin", "PBFsmax",
                            "bITCLocalIncompA", "bITCLocalIncompB", "bITCLocalIncompC",
                            "FitITCLocalIncompA", "FitITCLocalIncompB", "FitITCLocalIncompC",
                            "ITCLocalIncompA", "ITCLocalIncompB", "ITCLocalIncompC",
                            "FitITCBaselineSlope", "ITCBaselineSlope", "ITCLocalMaxIncomp"})
    l.Add("%d (%s)\n", 0, label);
  if (c.equilibriumSortEnding) {
    l.Add(std::string("-1 (Temperature)\n"));
    return l;
  }
  l.Add(std::string("-1 (Temperature C)\n"));
  l.Add("%f (ITCcellvolume)\n", 0.0);
  l.Add(std::string("0 (# spectral changes)\n"));
  l.Add("%d (bDataIsOriginal)\n", 1);
  l.Add("%d (SpecDataModel)\n", 0);
  l.Add("%d (bNormalizeSpectroscopyData)\n", 0);
  l.Add("%d (bUseMonteCarloNoise)\n", 0);
  l.Add("%d (bUseMonteCarloResiduals)\n", 1);
  l.Add("%f (MonteCarloNoise)\n", 0.0);
  l.Add("%d (bMultiplyWeightSqrtNxN1)\n", 0);
  l.Add("%d (normal conditions warned)\n", 0);
  l.Add("%d (bWithHDExchange)\n", 0);
  l.Add("%f (HDExchangeDmolfract)\n", 0.0);
  l.Add("%d (bConcCorrectionLocalAllowed)\n", 0);
  l.Add("%d (nNumberExcludedIsothermDataPoints)\n", 0);
  l.Add("%f (fBufferIonizationEnthalpy)\n", 1.2);
  l.Add("%f (fBufferIonizationHeatCapacity)\n", 0.0);
  l.Add("%f (fpH)\n", 7.5);
  l.Add("%f (fCosolventConc)\n", 0.0);
  l.Add(std::string("0.000000 (deltaHapplocal)\n"));
  l.Add("%d (VarydeltaHapplocal)\n", 0);
  l.Add("%d (bITCUnmixedNeck)\n", 1);
  return l;
}

// A value offered for editing under the export's caption, unless nothing may
// be asked; a cancelled entry keeps the offered value.
float Offered(platform::WindowHandle window, float value, const char* prompt) {
  if (RedrawSuppressed || SeriesGenerationRunning) return value;
  float entered = value;
  if (InputFloatIn(window, entered, value, true, prompt, "make QUORVEL xp file")) return entered;
  return value;
}

bool IsSelfAssociationModel(ModelKind k) {
  return k == ModelKind::MonomerDimer || k == ModelKind::MonomerTrimer ||
         k == ModelKind::SelfAssociation148 || k == ModelKind::SelfAssociation124;
}

bool HasOneDiscreteComponent() {
  const ModelKind k = ModelSelection.Kind;
  return k == ModelKind::CSWithOneDiscrete || k == ModelKind::CSFf0OneDiscrete ||
         k == ModelKind::CSBimodalFf0OneDiscrete || k == ModelKind::LsGStarOneDiscrete;
}

// The kind of experiment and the defaults that go with it.
void SetExperimentKind(XpContent& c) {
  const auto& d = ScanDataSet;
  if (DlsDataMode) {
    c.experimentLine = "1 (ExperimentType: DLS)\n";
    c.experimentalNoise = 0.0001;
    c.centerpiece = 0;
    c.pathlength = 1.0;
    c.rotorType = 0;
  } else if (ScanReaderOptions.ElectrophoresisDataMode) {
    c.experimentLine = "2 (ExperimentType: ELECTROPHORESIS)\n";
    c.experimentalNoise = 0.01;
    c.centerpiece = 0;
    c.pathlength = 1.0;
    c.rotorType = 0;
  } else {
    c.experimentLine = !d.EquilibriumDataMode ? "0 (ExperimentType: SEDVELOCITY)\n"
                       : d.NFILES == 1        ? "3 (ExperimentType: SEDEQUILIBRIUM)\n"
                                              : "4 (ExperimentType: MULTISEDEQ)\n";
    c.experimentalNoise = d.EquilibriumDataMode ? 0.005 : 0.01;
    c.centerpiece = 2;
    c.pathlength = 1.2;
    c.rotorType = 4;
  }
}

// The values of the current analysis that both kinds of xp file share.
void SetAnalysisValues(XpContent& c) {
  const auto& m = ModelParameters;
  const auto& f = FitControl;
  c.meniscus = m.Meniscus;
  c.bottom = m.Bottom;
  c.maxMeniscus = f.MAXMENISCUS;
  c.minMeniscus = f.MINMENISCUS;
  c.maxBottom = f.MAXBOTTOM;
  c.minBottom = f.MINBOTTOM;
  c.fitLeft = ScanDataSet.FitLeftLim;
  c.fitRight = ScanDataSet.FitRightLim;
}

}  // namespace

std::string SiblingTitleOf(const std::string& description) {
  std::string title;
  for (char ch : description) {
    const unsigned char u = static_cast<unsigned char>(ch);
    const bool allowed = std::isalnum(u) || ch == ' ' || ch == '\\' || ch == '#' || ch == '_' ||
                         ch == '/' || ch == ':' || ch == ',' || ch == '.';
    if (!allowed || title.size() >= 100) break;
    title += ch;
  }
  return title.size() < 2 ? std::string() : title;
}

bool ExportSiblingXp(platform::WindowHandle window, const std::string& path) {
  const auto& d = ScanDataSet;
  if (d.NFILES < 1) return false;
  auto& s = SolventConditions;
  auto& m = ModelParameters;
  XpContent c;
  SetExperimentKind(c);
  const bool dlsTitle = DlsDataMode && d.DlsRecords.size() >= 1;
  c.title = SiblingTitleOf(dlsTitle ? d.DlsRecords[1].DlsTitle : d.ScanHeaders[1].Description);
  std::string folder = DataFileLocation.DataFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  c.folder = folder;
  for (int i = 1; i <= d.NFILES; ++i) c.files.push_back(d.ScanFilePaths[i]);

  s.BufferDensity = Offered(window, s.BufferDensity, "buffer density (g/ml)");
  const float standard = PhysicalConstantsRecord::STANDARDVISCOSITY;
  const float viscosity =
      Offered(window, s.RELVISCOSITY * 10.0f * standard, "buffer viscosity (cPoise)");
  s.RELVISCOSITY = viscosity / (10.0f * standard);
  s.VBAR = Offered(window, s.VBAR, "partial-specific volume (ml/g)");
  s.VbarRho = s.VBAR * s.BufferDensity;
  c.density = s.BufferDensity;
  c.viscosityLine = 0.1 * static_cast<double>(viscosity);
  c.vbar = s.VBAR;
  c.vbar20 = s.VBAR20;
  SetAnalysisValues(c);
  c.tiNoise = FitControl.TINoiseFitted ? 1 : 0;
  c.riNoise = m.RINoiseFitted ? 1 : 0;
  c.autoBaseline = m.SystematicNoiseOn ? 1 : 0;
  c.varyBottom = m.BottomFitted;
  c.varyMeniscus = m.MeniscusFitted;
  c.meniscusWarned = m.MeniscusRangeConfirmed ? 1 : 0;
  c.baseline = m.Baseline;
  if (IsSelfAssociationModel(ModelSelection.Kind))
    c.extinctionA = Offered(window, 1.0f, "molar extinction coefficient");
  if (d.EquilibriumDataMode)
    c.centerpiece = Offered(window, 2.0f, "centerpiece (2 or 6)") == 6.0f ? 6 : 2;
  c.fileCount = d.NFILES;
  if (!DlsDataMode && !ScanReaderOptions.ElectrophoresisDataMode) {
    c.pathlength = Offered(window, 1.2f, "optical pathlength (cm)");
    c.rotorType = Offered(window, 4.0f, "rotor type (4 or 8)") == 8.0f ? 8 : 4;
  }
  c.extraConcentrationSets = d.EquilibriumDataMode ? d.NFILES : 1;
  if (!XpLines(c).WriteTo(path)) {
    ReportCouldNotOpen(window, path);
    return false;
  }
  return true;
}

bool WriteEquilibriumXp(const std::string& path, const std::string& folder,
                        const std::vector<std::string>& files, const EquilibriumXpValues& v) {
  const int n = static_cast<int>(files.size());
  XpContent c;
  c.experimentLine =
      n == 1 ? "3 (ExperimentType: SEDEQUILIBRIUM)\n" : "4 (ExperimentType: MULTISEDEQ)\n";
  c.withTitle = false;
  c.folder = folder;
  c.files = files;
  c.density = v.density;
  c.viscosityLine = 0.001002;
  c.vbar = c.vbar20 = v.vbar;
  SetAnalysisValues(c);
  c.maxMeniscus = c.minMeniscus = c.maxBottom = c.minBottom = 0.0;
  c.experimentalNoise = 0.005;
  // Interference data carry time- and radial-invariant noise, which needs
  // at least two scans to be told apart from the signal.
  const bool interference =
      n >= 2 && [&] {
        const std::string ext = ExtensionOf(files.back());
        return ext.size() >= 3 && (ext[2] == 'p' || ext[2] == 'P');
      }();
  c.tiNoise = c.riNoise = interference ? 1 : 0;
  c.autoBaseline = 1;
  c.extinctionA = v.extinctionA;
  c.extinctionB = v.extinctionB;
  c.extinctionC = v.extinctionC;
  c.centerpiece = 2;
  c.fileCount = n;
  c.lineAfterCount = "0 (ppMultiLocalConcentrations)\n";
  c.pathlength = 1.2;
  c.rotorType = 8;
  c.extraConcentrationSets = n;
  c.equilibriumSortEnding = true;
  if (!XpLines(c).WriteTo(path)) {
    PlayErrorSound();
    platform::Current().ShowMessageBox({nullptr, FormatText("could not open %s", path.c_str()),
                                        "ERROR", platform::BoxIcon::Error,
                                        platform::BoxButtons::Ok});
    return false;
  }
  return true;
}

namespace {

// Component k of the parameter file exists.
bool ComponentExists(int k, bool oneDiscrete) {
  const auto& p = SiblingPeakList;
  if (p.PeaksAsDiscrete) return k <= p.PeakCount || (k == p.PeakCount + 1 && oneDiscrete);
  return k == 1 && oneDiscrete;
}

Lines ParameterLines() {
  const auto& ds = DistributionSettings;
  const auto& p = SiblingPeakList;
  const bool peaks = p.PeaksAsDiscrete;
  const bool oneDiscrete = HasOneDiscreteComponent();
  const int peakCount = peaks ? std::min(p.PeakCount, SiblingPeakListRecord::MaxPeaks) : 0;
  const auto peakValue = [&](const std::vector<float>& values, int k) {
    return k < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(k)] : 0.0f;
  };
  Lines l;
  l.Add(std::string("1000 (hybrid discrete - c(s) model) \n"));
  l.Add("%d (# of parameter follow)\n", 80);
  l.Add("%d (resolution c(s) #1)\n", peaks ? 0 : static_cast<int>(std::floor(ds.Resolution)));
  l.Add("%f (MCDsmin1)\n", static_cast<double>(ds.Smin));
  l.Add("%f (MCDsmax1)\n", static_cast<double>(ds.Smax));
  l.Add(std::string(ds.LogarithmicGrid ? "0 (MCDlinlog1)\n" : "1 (MCDlinlog1)\n"));
  l.Add("%f (ff0 c(s) #1)\n", static_cast<double>(ds.StartingFrictionalRatio));
  l.Add(std::string(ds.FrictionalRatioFitted != 0 && !peaks ? "1 (MCDfitff01)\n"
                                                            : "0 (MCDfitff01)\n"));
  l.Add("%d (resolution c(s) #2)\n", 0);
  l.Add("%f (MCDsmin2)\n", static_cast<double>(ds.Smin));
  l.Add("%f (MCDsmax2)\n", static_cast<double>(ds.Smax));
  l.Add(std::string("1 (MCDlinlog2)\n"));
  l.Add("%f (ff0 c(s) #2)\n", 1.3);
  l.Add(std::string("0 (MCDfitff02)\n"));
  l.Add(std::string("1 (MCDWithTikhReg)\n"));
  l.Add("%f (MCDWPval)\n", static_cast<double>(ds.RegularizationPvalue));
  l.Add(std::string("1 (MCDbNormalize)\n"));
  // The discrete component sits after the peaks, or alone in slot 1.
  const int discreteSlot = peaks ? peakCount + 1 : 1;
  const auto componentValues = [&](const char* label, auto peakOf, double discrete) {
    for (int k = 1; k <= 10; ++k) {
      double value = 0.0;
      if (peaks && k <= peakCount)
        value = peakOf(k);
      else if (k == discreteSlot && oneDiscrete)
        value = discrete;
      l.Add("%f (%s #%d)\n", value, label, k);
    }
  };
  componentValues("MCDglobM", [&](int k) { return peakValue(p.PeakM, k); },
                  ds.DiscreteSpeciesMass);
  for (int k = 1; k <= 10; ++k) {
    if (ComponentExists(k, oneDiscrete))
      l.Add("1 (exist #%d)\n", k);
    else if (peaks)
      l.Add("%f (exist #%d)\n", 0.0, k);
    else
      l.Add("0 (exist #%d)\n", k);
  }
  componentValues("MCDglobS", [&](int k) { return SToS20wBuffer(peakValue(p.PeakS, k)); },
                  ds.DiscreteSpeciesS);
  for (const auto& [label, fitted] :
       {std::pair{"MCDfitM", ds.DiscreteSpeciesMassFitted != 0},
        std::pair{"MCDfitS", ds.DiscreteSpeciesSFitted != 0}}) {
    for (int k = 1; k <= 10; ++k) {
      if (peaks) {
        if (ComponentExists(k, oneDiscrete))
          l.Add("1 (%s #%d)\n", label, k);
        else
          l.Add("%f (%s #%d)\n", 0.0, label, k);
      } else {
        l.Add("%d (%s #%d)\n", k == 1 && oneDiscrete && fitted ? 1 : 0, label, k);
      }
    }
  }
  l.Add(std::string("0 (bMCDlinkM)\n"));
  l.Add("%d (nMCDlinkMBase)\n", 1);
  l.Add("%d (nMCDlinkMfrom)\n", 2);
  l.Add("%d (nMCDlinkMto)\n", 4);
  l.Add(std::string("0 (bMCDlinkS)\n"));
  l.Add("%d (nMCDlinkSBase)\n", 1);
  l.Add("%d (nMCDlinkSfrom)\n", 2);
  l.Add("%d (nMCDlinkSto)\n", 4);
  l.Add("%d (resolution c(s) #3)\n", 0);
  l.Add("%f (MCDsmin3)\n", 10.0);
  l.Add("%f (MCDsmax3)\n", 100.0);
  l.Add(std::string("1 (MCDlinlog3)\n"));
  l.Add("%f (ff0 c(s) #3)\n", 1.3);
  l.Add(std::string("0 (MCDfitff03)\n"));
  l.Add(std::string("1 (bMarquardLevenbergMin)\n"));
  return l;
}

Lines ConfigurationLines(const std::string& xpPath, const std::string& parPath) {
  const auto& ls = LammSolverSettings;
  Lines l;
  l.Add(std::string("experiments:\n"));
  l.Add("1 1 %s\n", xpPath.c_str());
  l.Add(std::string("-1 0 end\n"));
  l.Add("%f %f (vbar20, hydration)\n", static_cast<double>(SolventConditions.VBAR), 0.3);
  l.Add("g %d (#global parameters)\n", 18);
  l.Add("%d %f\n", 1, 0.000459);
  l.Add("%f (CompressLimit)\n", 40000.0);
  l.Add("%f (threshold s for switching algorithms)\n", static_cast<double>(ls.SwitchThreshold));
  l.Add("%f (nGridSize)\n", static_cast<double>(ls.DefaultLammGridSize));
  l.Add("%f (adjust dt with max relative increase)\n", ls.TimeStepIncreaseLimit);
  l.Add("%f (SRMAXSED)\n", 0.1);
  l.Add("%f (SRMAXREACT)\n", 0.1);
  l.Add(std::string("1 (SRLIMITRANGE)\n"));
  l.Add(std::string("0 (SRTESTING)\n"));
  l.Add("%d (SRCORRLEVEL)\n", 2);
  l.Add(std::string("0 (SRTESTING)\n"));
  l.Add(std::string("0 (bSRFixedDt)\n"));
  l.Add(std::string("0 (bShutOffBackDiffusion)\n"));
  l.Add(std::string("1 (bRampOmega)\n"));
  l.Add(std::string("500 (nSAItMax)\n"));
  l.Add(std::string("2 (SAmaxTemp)\n"));
  l.Add(std::string("10 (nSANumberOfTemps)\n"));
  l.Add(std::string("1 (bSAFinalML)\n"));
  l.Add(std::string("model:\n"));
  l.Add(std::string("1000 (hybrid discrete - c(s) model) \n"));
  l.Add(std::string("parameter file:\n"));
  l.Add("%s\n", parPath.c_str());
  l.Add(std::string("links:\n"));
  l.Add("%d (iMaxExp)\n", 20);
  l.Add("%d (#links)\n", 7);
  for (int i = 1; i <= 20; ++i) l.Add("%d %d %d %d %d %d %d\n", i, i, i, i, i, 0, 0);
  return l;
}

void ReportNotWritable(platform::WindowHandle window, const std::string& path) {
  PlayInfoSound();
  platform::Current().ShowMessageBox({window,
                                      FormatText("could not open file %s for writing", path.c_str()),
                                      "ERROR", platform::BoxIcon::Error, platform::BoxButtons::Ok});
}

}  // namespace

bool ExportSiblingPar(platform::WindowHandle window, const std::string& configurationPath,
                      const std::string& xpPath) {
  PathParts parts = SplitPath(configurationPath);
  parts.Extension = ".quorvel_PAR";
  const std::string parPath = MergePath(parts);
  if (!ParameterLines().WriteTo(parPath)) {
    ReportNotWritable(window, parPath);
    return false;
  }
  if (!ConfigurationLines(xpPath, parPath).WriteTo(configurationPath)) {
    ReportNotWritable(window, configurationPath);
    return false;
  }
  return true;
}
