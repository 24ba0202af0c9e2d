// HYDROPRO on a structure file, and the s-value from BEST/BEMINE output.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/calculators/CalculatorCommands.h"
#include "app/calculators/NumberForm.h"
#include "app/models/ModelCommandSupport.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "platform/Window.h"
#include "tools/BeadModels.h"
#include "ui/Boxes.h"

namespace fs = std::filesystem;

namespace {

const char* const kHydropro = "hydropro7cmsd";
const char* const kCaption = "HYDROPRO parameters";
const char* const kGuideAddress = "http://leonardo.inf.um.es/macromol/programs/hydropro/hydropro.htm";

void Stop(TXLAWindow& window, const std::string& text) {
  ShowNote(window, text, "ERROR", platform::BoxIcon::Error);
}

// Opens a web page; without a browser the address is shown instead.
void OpenPage(TXLAWindow& window, const std::string& address) {
  if (!platform::Current().OpenWebAddress(address))
    ShowNote(window, "Please open this address in your web browser:\n" + address, "HYDROPRO",
             platform::BoxIcon::Information);
}

// Opens a text file; without an opener its path is shown instead.
void OpenTextFile(TXLAWindow& window, const std::string& path) {
  if (!platform::Current().OpenInTextEditor(path))
    ShowNote(window, "The results are in the file\n" + path, "HYDROPRO",
             platform::BoxIcon::Information);
}

bool Copy(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

bool WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

// The HYDROPRO executable in the installation folder, located by the user
// and copied there when missing. False when it is not there in the end.
bool FindHydropro(TXLAWindow& window, const fs::path& install) {
  const fs::path program = install / kHydropro;
  if (fs::exists(program)) return true;
  Stop(window, std::string("the HydroPro file \"") + kHydropro +
                   "\" was not found in the install folder (" + install.string() +
                   ")\nplease locate it");
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = std::string("please locate \"") + kHydropro + "\"";
  file.filters = {{"hydropro (hydropro7cmsd*)", {"hydropro7cmsd*"}}};
  file.initialFolder = install.string();
  file.fileName = kHydropro;
  file.mustExist = true;
  if (!platform::Current().ShowOpenFileDialog(file) || file.chosen.empty()) {
    if (AskYesNo(window,
                 "Do you want to download HYDROPRO from its authors' web site?\nSave it into " +
                     install.string() + " and start this command again.",
                 "no HYDROPRO file"))
      OpenPage(window, kGuideAddress);
    return false;
  }
  if (!Copy(file.chosen.front(), program)) {
    Stop(window, "could not copy " + file.chosen.front() + " to " + program.string());
    return false;
  }
  fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
  return true;
}

// The structure: "teststruct.pdb" of the installation folder, or chosen.
bool ChooseStructure(TXLAWindow& window, const fs::path& install, fs::path& structure) {
  structure = install / "teststruct.pdb";
  if (fs::exists(structure)) return true;
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = "please select the pdb file";
  file.filters = {{"pdb files (*.pdb)", {"*.pdb"}}};
  file.initialFolder = install.string();
  file.fileName = "*.pdb";
  file.defaultExtension = "pdb";
  file.mustExist = true;
  if (!platform::Current().ShowOpenFileDialog(file) || file.chosen.empty()) return false;
  structure = file.chosen.front();
  return true;
}

bool AskHydroproParameters(TXLAWindow& window, HydroproParameters& p) {
  ShowNote(window,
           "AER: radius of the atomic elements (Angstroms). 3.2 A is recommended for globular "
           "proteins, about 2.8 A for nucleic acids and 3.0 A for nucleoprotein complexes; about "
           "1.8 A is the minimum (no hydration), 5.0 A exceptionally large.\n\n"
           "NSIG: number of minibead radii (more than 2, typically 5 to 8), or -1 for the "
           "default calculation.",
           "ATTENTION", platform::BoxIcon::Information);
  std::vector<NumberField> first = {{"AER (Angstroms)", 3.2f}, {"NSIG", -1.0f}};
  if (!AskNumbers(window, kCaption, first)) return false;
  p.aer = first[0].value;
  p.nsig = static_cast<int>(std::floor(first[1].value));
  if (p.nsig != -1) {
    ShowNote(window,
             "SIGMIN and SIGMAX: the smallest and largest minibead radius. HYDROPRO takes at most "
             "2000 minibeads; too small a SIGMIN stops it. Choose SIGMAX for about 200 - 400 "
             "minibeads.",
             "ATTENTION", platform::BoxIcon::Information);
    std::vector<NumberField> sigma = {{"SIGMIN", 1.0f}, {"SIGMAX", 2.0f}};
    if (!AskNumbers(window, kCaption, sigma)) return false;
    p.sigmin = sigma[0].value;
    p.sigmax = sigma[1].value;
    if (p.nsig < 2) p.nsig = 2;
  }
  ShowNote(window,
           "Solvent and molecule: the temperature (K), the solvent density (g/ml) and viscosity "
           "(Poise), the molecular weight (Da; -1: HYDROPRO computes it from the structure) and "
           "the partial-specific volume (ml/g; -1: computed from the structure).",
           "ATTENTION", platform::BoxIcon::Information);
  std::vector<NumberField> rest = {{"temperature (K)", 293.15f},
                                   {"solvent density (g/ml)", 0.99823f},
                                   {"solvent viscosity (Poise)", 0.01002f},
                                   {"molecular weight (Da)", -1.0f},
                                   {"partial-specific volume (ml/g)", 0.73f}};
  if (!AskNumbers(window, kCaption, rest)) return false;
  p.temperature = rest[0].value;
  p.density = rest[1].value;
  p.viscosity = rest[2].value;
  p.mass = rest[3].value;
  p.vbar = rest[4].value;
  return true;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

void CmStartHydroPro(TXLAWindow& window) {
  const fs::path install = ProgramPaths.InstallationFolder.empty()
                               ? fs::current_path()
                               : fs::path(ProgramPaths.InstallationFolder);
  if (!FindHydropro(window, install)) return;
  if (!AskYesNo(window,
                "HYDROPRO is a program of its own authors. Please cite their paper on HYDROPRO "
                "when you use its results. Go on?",
                "HYDROPRO"))
    return;
  ShowNote(window,
           "Please select the pdb structure file.\nThe structure must describe exactly the "
           "molecule studied in the experiment: add missing loops, once in extended and once in "
           "compact conformations, so that the results bracket the true value.",
           "ATTENTION", platform::BoxIcon::Information);
  fs::path structure;
  if (!ChooseStructure(window, install, structure)) return;
  HydroproParameters p;
  p.name = structure.stem().string();
  const fs::path parent = install / "HydroPro";
  std::error_code ec;
  fs::create_directories(parent, ec);
  const fs::path folder = parent / FreeFolderName(parent.string(), p.name);
  if (!fs::create_directory(folder, ec)) {
    Stop(window, "could not create the folder " + folder.string());
    return;
  }
  if (!Copy(install / kHydropro, folder / kHydropro) ||
      !Copy(structure, folder / (p.name + ".pdb"))) {
    Stop(window, "could not copy HYDROPRO and the structure into " + folder.string());
    return;
  }
  if (AskYesNo(window, "open the HYDROPRO user guide on the web?", "no HYDROPRO file"))
    OpenPage(window, kGuideAddress);
  if (AskYesNo(window, "open the HYDROPRO paper on the web?", "no HYDROPRO file"))
    OpenPage(window, "https://doi.org/10.1016/S0006-3495(00)76592-X");
  if (!AskHydroproParameters(window, p)) return;
  const fs::path input = folder / "hydropro.dat";
  if (!WriteText(input, HydroproInputText(p))) {
    ShowNote(window, "could not open " + input.string() + " for writing", "ERROR");
    return;
  }
  ShowNote(window,
           "HYDROPRO is started now (Garcia de la Torre, Huertas and Carrasco, Biophys. J. "
           "2000).\nResults files will be saved in folder " +
               folder.string() + " .",
           "ATTENTION", platform::BoxIcon::Error);
  const fs::path script = folder / "hydropro.sh";
  if (!WriteText(script, HydroproScriptText(kHydropro))) {
    ShowNote(window, "could not open " + script.string() + " for writing", "ERROR");
    return;
  }
  platform::ProgramRun run;
  run.owner = window.Handle();
  run.program = "/bin/sh";
  run.arguments = {"hydropro.sh"};
  run.folder = folder.string();
  run.title = "HYDROPRO";
  const platform::ProgramResult ended = [&] {
    DialogBusyScope busy(window);
    return platform::Current().RunProgramAndWait(run);
  }();
  if (ended.end == platform::ProgramEnd::NotStarted) {
    ShowNote(window, "cannot start HYDROPRO", "ERROR");
    return;
  }
  if (ended.end == platform::ProgramEnd::Cancelled) {
    ShowNote(window, "HYDROPRO was stopped; the files so far are in " + folder.string(),
             "HYDROPRO");
    return;
  }
  const fs::path results = folder / (p.name + ".res");
  if (!fs::exists(results)) {
    ShowNote(window, "ERROR - no results file created", "ERROR");
    return;
  }
  OpenTextFile(window, results.string());
  const HydroproResults r = ParseHydroproResults(ReadText(results));
  std::string text;
  if (!r.errors.empty()) {
    text = "Error Messages:\n";
    for (const std::string& e : r.errors) text += e + "\n";
    text += "\n\n";
  }
  text += r.sedimentationLine;
  text +=
      "\n\n(Compare experimental s-values at the same conditions, \ni.e. transform experimental "
      "s-values from TALUVO to s20w \n[see TALUVO Calculator function]\nif you used standard "
      "conditions in HYDROPRO)";
  text += "\n\nPlease cite: Garcia de la Torre, Huertas and Carrasco, Biophys. J. 78 (2000) "
          "719-730.";
  ShowNote(window, text, "HYDROPRO RESULTS", platform::BoxIcon::Information);
}

void ReadBeadModelDiffusion(TXLAWindow& window) {
  const char* caption = "read BEST/BEMINE";
  std::vector<NumberField> in = {{"molar mass (Da)", 100000.0f},
                                 {"partial-specific volume (ml/g)", SolventConditions.VBAR}};
  if (!AskNumbers(window, caption, in)) return;
  const double mass = in[0].value, vbar = in[1].value;
  if (mass <= 0 || vbar <= 0) return;
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = "select filename of BEMINE output";
  file.initialFolder = DataFileLocation.DataFolder;
  file.fileName = "tdat";
  file.mustExist = true;
  std::string path;
  std::string text;
  if (platform::Current().ShowOpenFileDialog(file) && !file.chosen.empty()) {
    path = file.chosen.front();
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
      ErrorBox("\n\aAttention: could not open " + path);
      return;
    }
    text = ReadText(path);
  }
  BeadExtrapolation e;
  std::string reason;
  const std::vector<BeadBlock> blocks = ParseBestOutput(text);
  if (blocks.empty()) {
    ErrorBox("\n\ano diffusion data found in " + path);
    return;
  }
  if (!ExtrapolateBeadDiffusion(blocks, e, reason)) {
    ErrorBox("\n\acannot extrapolate the diffusion data of " + path + ": " + reason);
    return;
  }
  const double s = BeadModelS(mass, vbar, e.d0);
  std::string message = Printf("reading %s\nfound %d D-values:\n", path.c_str(),
                               static_cast<int>(e.blocks.size()));
  for (const BeadBlock& b : e.blocks) message += Printf("%.0f triangles - D = %e\n", b.triangles, b.d);
  if (e.used == static_cast<int>(e.blocks.size()))
    message += Printf("\nextrapolation to 1/N = 0 gives D = %e cm^2/sec\n", e.d0);
  else
    message += Printf("\nextrapolation of %d largest models to 1/N = 0 gives D = %e cm^2/sec\n",
                      e.used, e.d0);
  message += Printf("\nunder standard conditions, with Mw = %f Da and vbar = %f ml/g, this results "
                    "in an s-value of %f S",
                    mass, vbar, s);
  message += "\n\n show extrapolation plot?";
  if (!AskYesNo(window, message, caption)) return;
  std::vector<float> x, y, lx, ly;
  double largest = 0;
  for (const BeadBlock& b : e.blocks) {
    x.push_back(static_cast<float>(1.0 / b.triangles));
    y.push_back(static_cast<float>(b.d * 1e7));
    largest = std::max(largest, 1.0 / b.triangles);
  }
  auto line = [&](double at) { return static_cast<float>((e.d0 + e.slope * at) * 1e7); };
  lx.push_back(0);
  ly.push_back(line(0));
  for (float v : x) {
    lx.push_back(v);
    ly.push_back(line(v));
  }
  lx.push_back(static_cast<float>(1.1 * largest));
  ly.push_back(line(1.1 * largest));
  CWINPlot& plot = ShowPointsAndLineToolPlot(window, x, y, lx, ly, "1/n", "D (F)");
  plot.SetRanges(0, static_cast<float>(1.1 * largest), static_cast<float>(0.99 * e.d0 * 1e7),
                 static_cast<float>(1.01 * line(1.1 * largest)));
  InvalidateMainWindow(window);
}
