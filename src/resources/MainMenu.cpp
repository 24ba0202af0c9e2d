#include "resources/MainMenu.h"

#include "resources/MenuBuilders.h"

using menu_data::Item;
using menu_data::Popup;
using platform::MenuItem;

namespace {

MenuItem DataMenu() {
  return Popup(
      "&Data",
      {Item(200, "&Load New Files\t^L"), Item(226, "Add More Files\t^A"),
       Item(202, "&Set Initial Data"), Item(828, "Change Cell (Same Selection)"),
       Item(949, "Load Raw Multi-Speed Data and Autocorrect"), Item(298, "load DLS Data"),
       Item(515, "load sedimentation equilibrium data"), Item(540, "Realtime Update of Files"),
       Item(541, "Stop Realtime Update"), Item(201, "&Edit Data Files"),
       Item(577, "Export Data to QUORVEL"), Item(203, "&Save Fit Data\t^S"),
       Item(827, "Update Saved Fit Parameters"), Item(1098, "Reload Saved Fit Parameters"),
       Popup("Save S&ystematic Noise",
             {Item(252, "save Noise in file"), Item(253, "subtract Noise from Eq Data")}),
       Item(271, "Save Continuous Distribution"), Item(230, "Exit")});
}

MenuItem CopyMenu() {
  return Popup("&Copy", {Item(204, "Copy &Fit Parameters"), Item(205, "Copy &Data Plot"),
                         Item(206, "Copy &Residuals Plot"), Item(507, "Copy &Residuals Bitmap"),
                         Item(945, "Copy Residuals Histogram"), Item(273, "Copy Distribution Plot"),
                         Item(646, "Copy Screenshot \t^C"), Item(258, "Copy &Data Table"),
                         Item(259, "Copy &Fit Data Table"), Item(260, "Copy &Residuals Table"),
                         Item(632, "Copy Prior Knowledge Table"), Item(262, "Copy &TI Noise Table"),
                         Item(261, "Copy &RI Noise Table"), Item(274, "Copy Distribution")});
}

MenuItem DisplayMenu() {
  return Popup(
      "D&isplay",
      {Item(207, "Set Range"), Item(208, "Full Range"), Item(518, "Data Range \t^D"),
       Item(257, "Update"), Item(211, "Data Mark Size"), Item(232, "Show Data"),
       Item(209, "Show Residuals"), Item(504, "Show Residuals Bitmap"),
       Item(943, "Show Residuals Histogram"), Item(537, "Show Temperature Plot"),
       Item(946, "Show Rotor Speed Plot"), Item(508, "Subtract Calculated TI Noise From Raw Data"),
       Item(509, "Subtract Calculated RI Noise From Raw Data"),
       Item(519, "Subtract All Systematic Noise From Raw Data \t^N"),
       Item(607, "Restore Original TI Noise to Data"), Item(457, "Rescale Distribution Plot"),
       Item(458, "Fullscale Distribution Plot"), Item(608, "Show Peak Mw in c(s) \t^M"),
       Item(517, "Show Last Fit Info Again \t^o")});
}

MenuItem ContinuousCSPriorKnowledgeMenu() {
  return Popup(
      "Continuous c(s) With Other Prior Knowledge",
      {Item(514, "Continuous c(s) Conformational Change Model"),
       Item(526, "Continuous c(s) With Invariant D"),
       Item(531, "Continuous c(s) With 1 Discrete Component"),
       Item(548, "Continuous c(s) With Bimodal f/f0"),
       Item(870, "Continuous c(s) With Bimodal f/f0 And 1 Discrete Component"),
       Item(602, "Continuous c(s) With fix f/f0 And Floating vbar"),
       Item(603, "Continuous c(s) For Wormlike Chain"),
       Item(872, "Continuous c(s) With General Scaling Law"),
       Item(587, "Continuous c(s) With M(s) Table"), Item(1117, "Continuous c(s) with Flotation")});
}

MenuItem ModelMenu() {
  return Popup(
      "M&odel",
      {Item(198, "Non-Interacting Discrete Species"),
       Popup("Nonideal Sedimentation", {Item(227, "Single Species"), Item(893, "Multiple Species"),
                                        Item(585, "Nonideal c(s)")}),
       Item(235, "Continuous c(M) Distribution"),
       Popup("Continuous c(M) With Other Prior Knowledge",
             {Item(277, "c(M) With Invariant D "), Item(279, "c(M) With Prior Knowledge vbar(M)"),
              Item(887, "f(M) vs M With Scaling Law")}),
       Item(275, "Continuous c(s) Distribution"), ContinuousCSPriorKnowledgeMenu(),
       Item(595, "Continuous c(s,ff0)"), Item(598, "Continuous c(s,ff0) With 1 Discrete Component"),
       Item(288, "ls-g*(s)"), Item(539, "ls-g*(s) With 1 Discrete Lamm Eq. Component"),
       Item(950, "Hybrid c(s)/ls-g*(s)"),
       Popup("Analytical Zone Centrifugation",
             {Item(246, "Analytical Zone Centrifugation Indep. Species"),
              Item(511, "Analytical Zone Centrifugation c(s)"),
              Item(510, "Analytical Zone Centrifugation ls-g*(s)")}),
       Popup("Dynamic Light Scattering",
             {Item(536, "Discrete Stokes Radii"), Item(890, "Cumulant Analysis"),
              Item(503, "DLS: Continuous I(Rh)-Distribution"),
              Item(502, "DLS: Continuous I(D)-Distribution"),
              Item(522, "Continuous I(Rh,t)-Time-Course")}),
       Popup("Other Geometries",
             {Item(280, "linear Lamm Equation"), Item(281, "External Loading Cell"),
              Item(291, "Electrophoresis: Lamm Equation For Discrete Species"),
              Item(501, "Electrophoresis: ls-g*(v)"),
              Item(513, "Electrophoresis: c(v) Distribution With Constant D")}),
       Popup("Special",
             {Item(256, "&Sedimentation Time Offset"), Item(255, "&Fit t0 of Sedimentation"),
              Item(266, "Fit &Time Dependent s,M (e.g. in Archibald analysis)")})});
}

MenuItem PlotMenu() {
  return Popup("Plot", {Item(900, "PELKO Data-Fit-Residuals Plot"), Item(899, "PELKO c(s) Plot"),
                        Item(878, "Plot Data in 3d Graph"), Item(879, "Make Sedimentation Movie"),
                        Item(880, "MATLAB Plot Data + Fit + Res"),
                        Item(881, "MATLAB Plot Data + Fit + Res + Distribution"),
                        Item(882, "MATLAB Plot Size-and-Shape Distribution"),
                        Item(883, "Plot Triangulated Structure from BEST")});
}

MenuItem HelpMenu() {
  MenuItem help = Popup("&Help", {Item(610, "Info and Wizard Messages"),
                                  Item(268, "&How to Get Help"), Item(869, "Keyboard Shortcuts"),
                                  Item(867, "Diagnostics Output to Files"), Item(221, "About")});
  help.rightJustified = true;
  return help;
}

// Items that carry a check mark in the resource; the window's set-up then
// corrects those that stand for persisted options.
constexpr int kResourceCheckMarks[] = {198, 232, 209, 504, 943, 217, 295,
                                       247, 868, 505, 506, 609, 594, 610};
constexpr int kResourceGreyed[] = {231};

}  // namespace

std::vector<MenuItem> MainMenuBar() {
  platform::MenuModel bar(
      {DataMenu(), CopyMenu(), DisplayMenu(), ModelMenu(), Item(212, "&Parameters"),
       Item(213, "&Run"), Item(215, "&Fit"),
       Popup("&Generate", {Item(214, "Single"), Item(647, "Series")}),
       Popup("Statistics", {Item(272, "Calculate Variance Ratio With F-statistics"),
                            Item(296, "Monte-Carlo for Distributions"),
                            Item(546, "Monte-Carlo for Integrated Weight-Average s-Values")}),
       OptionsMenu(), PlotMenu(), HelpMenu()});
  for (int id : kResourceCheckMarks) bar.Check(id, true);
  for (int id : kResourceGreyed) bar.Enable(id, false);
  return bar.Bar();
}

std::vector<platform::Accelerator> MainAccelerators() {
  struct Shortcut {
    char letter;
    bool alt;
    int command;
  };
  static constexpr Shortcut kTable[] = {
      {'A', false, 226}, {'B', false, 552}, {'C', false, 646}, {'D', false, 518}, {'E', false, 579},
      {'F', false, 215}, {'G', false, 901}, {'I', false, 456}, {'L', false, 200}, {'M', false, 608},
      {'N', false, 519}, {'O', false, 517}, {'P', false, 212}, {'R', false, 213}, {'S', false, 203},
      {'U', false, 827}, {'W', false, 529}, {'X', false, 633}, {'F', true, 915},  {'G', true, 611},
      {'I', true, 542},  {'M', true, 837}};
  std::vector<platform::Accelerator> table;
  for (const Shortcut& s : kTable) {
    platform::Accelerator a;
    a.key = s.letter;
    a.control = !s.alt;
    a.alt = s.alt;
    a.command = s.command;
    table.push_back(a);
  }
  return table;
}
