// The dialogs of the models as tables: which of the 55 controls each model
// shows, with which labels, in which group. A row is a label, an edit field
// and, where the value can float, a "fit" box; the discrete models show
// their components as columns. Controls a model does not show keep their
// entries in the transfer record.

#include <utility>

#include "models/ParamsBox.h"
#include "models/TempParameterFile.h"

namespace {

using platform::FormCheckBox;
using platform::FormEdit;
using platform::FormGroupBox;
using platform::FormItem;
using platform::FormLabel;
using platform::FormRadio;

// Group boxes of the dialog.
constexpr int kParametersBox = 1;
constexpr int kComponentsBox = 2;
constexpr int kCellBox = 3;
constexpr int kOptionsBox = 4;

// One line of a parameter list: the edit (0: a check box alone, labelled),
// its fit box (0: none) and the label.
struct Row {
  int edit;
  int fit;
  const char* label;
};

void AddRows(std::vector<FormItem>& items, int box, const std::vector<Row>& rows) {
  int line = 0;
  for (const Row& r : rows) {
    if (r.edit == 0) {
      items.push_back(FormCheckBox(r.fit, box, line++, 0, r.label, 3));
      continue;
    }
    FormItem label = FormLabel(box, line, 0, r.label);
    items.push_back(label);
    FormItem edit = FormEdit(r.edit, box, line, 1);
    items.push_back(edit);
    if (r.fit != 0) items.push_back(FormCheckBox(r.fit, box, line, 2, "fit"));
    ++line;
  }
}

// Meniscus, bottom, baseline and the systematic noise.
void AddCellBlock(std::vector<FormItem>& items, bool electrophoresis) {
  items.push_back(FormGroupBox(kCellBox, 0, 1, 0, "cell and noise"));
  AddRows(items, kCellBox,
          {{kMeniscus, kMeniscusFit, "meniscus (cm)"},
           {kBottom, electrophoresis ? 0 : kBottomFit,
            electrophoresis ? "column length (cm)" : "bottom (cm)"},
           {kBaseline, kBaselineFit, "baseline"},
           {0, kTINoiseFit, "fit TI noise"},
           {0, kRINoiseFit, "Fit RI Noise"}});
}

// The four components as columns: switch, then concentration, M or D and s,
// each with its fit box.
void AddComponents(std::vector<FormItem>& items, bool massForm, bool bufferColumn,
                   const char* concentrationLabel = "concentration") {
  items.push_back(FormGroupBox(kComponentsBox, 0, 0, 0, "species"));
  const int box = kComponentsBox;
  items.push_back(FormLabel(box, 1, 0, concentrationLabel));
  items.push_back(FormLabel(box, 2, 0, massForm ? "M (Da)" : "D (1e-7 cm^2/s)"));
  items.push_back(FormLabel(box, 3, 0, "s (S)"));
  for (int k = 1; k <= 4; ++k) {
    const int column = 1 + 2 * (k - 1);
    const std::string name = (k == 4 && bufferColumn) ? "buffer" : "species " + std::to_string(k);
    items.push_back(FormCheckBox(ComponentOnId(k), box, 0, column, name, 2));
    const int edits[] = {ConcentrationId(k), MassOrDId(k), SedId(k)};
    const int fits[] = {ConcentrationFitId(k), MassOrDFitId(k), SedFitId(k)};
    for (int row = 0; row < 3; ++row) {
      FormItem edit = FormEdit(edits[row], box, row + 1, column);
      edit.widthChars = 9;
      items.push_back(edit);
      items.push_back(FormCheckBox(fits[row], box, row + 1, column + 1, "fit"));
    }
  }
}

std::vector<FormItem> DiscreteLayout(bool massForm, bool bufferColumn, bool electrophoresis,
                                     bool nonidealSwitch) {
  std::vector<FormItem> items;
  AddComponents(items, massForm, bufferColumn);
  AddCellBlock(items, electrophoresis);
  items.push_back(FormGroupBox(kOptionsBox, 0, 1, 1, "options"));
  int line = 0;
  if (nonidealSwitch) items.push_back(FormCheckBox(450, kOptionsBox, line++, 0, "c1 nonideal"));
  items.push_back(FormCheckBox(453, kOptionsBox, line, 0, "conc local"));
  return items;
}

// A list of parameters in one box, then the cell block and options.
std::vector<FormItem> ListLayout(const std::vector<Row>& rows, const std::vector<Row>& options,
                                 bool electrophoresis = false) {
  std::vector<FormItem> items;
  items.push_back(FormGroupBox(kParametersBox, 0, 0, 0, "parameters"));
  AddRows(items, kParametersBox, rows);
  AddCellBlock(items, electrophoresis);
  if (!options.empty()) {
    items.push_back(FormGroupBox(kOptionsBox, 0, 0, 1, "options", 2));
    AddRows(items, kOptionsBox, options);
  }
  return items;
}

// The distribution grid and regularisation that every continuous model has.
// Models that borrow entry 413 for a setting of their own show no
// confidence level.
std::vector<Row> GridRows(const char* minLabel, const char* maxLabel, bool confidence = true) {
  std::vector<Row> rows = {{405, 0, "resolution"}, {406, 0, minLabel}, {407, 0, maxLabel}};
  if (confidence) rows.push_back({413, 0, "confidence level (F-ratio)"});
  return rows;
}

std::vector<Row> SolventRows() {
  return {{421, 0, "buffer density (g/ml)"}, {426, 0, "buffer viscosity (P)"}};
}

std::vector<Row> GridOptions() {
  return {{0, 417, "grid from file"}, {0, 424, "logarithmic grid"}};
}

std::vector<Row> Join(std::vector<Row> a, const std::vector<Row>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The plain c(s) list with the frictional ratio and vbar; `extra` rows follow.
std::vector<FormItem> CsLayout(const std::vector<Row>& extra,
                               std::vector<Row> options = GridOptions(), bool confidence = true) {
  std::vector<Row> rows = GridRows("s min (S)", "s max (S)", confidence);
  rows.push_back({419, 416, "frictional ratio f/f0"});
  rows.push_back({420, 0, "partial specific volume (ml/g)"});
  rows = Join(Join(rows, SolventRows()), extra);
  return ListLayout(rows, options);
}

std::vector<FormItem> LsGStarLayout(const std::vector<Row>& extra, bool electrophoresis = false) {
  std::vector<Row> rows = GridRows("s* min (S)", "s* max (S)");
  rows.push_back({420, 0, "partial specific volume (ml/g)"});
  rows = Join(Join(rows, SolventRows()), extra);
  return ListLayout(rows, GridOptions(), electrophoresis);
}

std::vector<FormItem> CmLayout(const std::vector<Row>& extra) {
  std::vector<Row> rows = GridRows("M min (Da)", "M max (Da)");
  rows.push_back({419, 416, "frictional ratio f/f0"});
  rows.push_back({420, 0, "partial specific volume (ml/g)"});
  rows = Join(Join(rows, SolventRows()), extra);
  return ListLayout(rows, GridOptions());
}

std::vector<FormItem> DlsLayout(const char* minLabel, const char* maxLabel,
                                const std::vector<Row>& extra) {
  std::vector<FormItem> items;
  items.push_back(FormGroupBox(kParametersBox, 0, 0, 0, "parameters"));
  AddRows(items, kParametersBox,
          Join({{405, 0, "resolution"},
                {406, 0, minLabel},
                {407, 0, maxLabel},
                {413, 0, "confidence level (F-ratio)"}},
               extra));
  items.push_back(FormGroupBox(kOptionsBox, 0, 0, 1, "grid"));
  items.push_back(FormRadio(447, 1, kOptionsBox, 0, 0, "integrate linear scale"));
  items.push_back(FormRadio(448, 1, kOptionsBox, 1, 0, "or integrate log scale"));
  items.push_back(FormCheckBox(449, kOptionsBox, 2, 0, "equidistant log(Rh) grid"));
  items.push_back(FormRadio(450, 2, kOptionsBox, 3, 0, "equidistant 1/tau grid"));
  items.push_back(FormRadio(451, 2, kOptionsBox, 4, 0, "equidistant log(1/tau) grid"));
  items.push_back(FormCheckBox(kBaselineFit, kOptionsBox, 5, 0, "Baseline"));
  items.push_back(FormEdit(kBaseline, kOptionsBox, 6, 0, "baseline"));
  return items;
}

const std::vector<Row> kDiscreteExtra = {{412, 409, "discrete species M (Da)"},
                                         {414, 411, "discrete species s (S)"}};

ParamsBoxLayoutInfo Info(int resource, std::string title, std::vector<FormItem> items) {
  return {resource, std::move(title), std::move(items)};
}

std::vector<FormItem> AssociationLayout(const std::vector<Row>& rows, const char* extraOption) {
  std::vector<FormItem> items = ListLayout(rows, {});
  if (extraOption != nullptr) {
    items.push_back(FormGroupBox(kOptionsBox, 0, 0, 1, "options"));
    items.push_back(FormCheckBox(425, kOptionsBox, 0, 0, extraOption));
    items.push_back(FormEdit(428, kOptionsBox, 1, 0, "log10(ks)"));
  }
  return items;
}

}  // namespace

ParamsBoxLayoutInfo ParamsBoxLayout(ModelKind kind, bool massForm) {
  const bool electrophoresis = CurrentGeometry() == LammGeometry::LinearForceElectrophoresis;
  const bool buffer = BufferColumnShown(kind);
  const char* discreteTitle = "noninteracting species model";
  const char* zoneTitle = "analytical zone centrifugation for non-interacting species";
  switch (kind) {
    case ModelKind::BuoyantMassEquilibrium:
      return Info(massForm ? 306 : 400, discreteTitle,
                  DiscreteLayout(massForm, false, false, !massForm));
    case ModelKind::MonomerDimer:
    case ModelKind::MonomerTrimer: {
      const bool dimer = kind == ModelKind::MonomerDimer;
      const char* oligomer = dimer ? "dimer" : "trimer";
      const std::string title =
          dimer ? "rapid monomer-dimer self-association" : "rapid monomer-trimer self-association";
      const int resource = dimer ? (massForm ? 308 : 307) : (massForm ? 310 : 309);
      std::vector<Row> rows = {
          {405, 402, "loading concentration"},
          {406, 403, massForm ? "monomer M (Da)" : "monomer D (1e-7 cm^2/s)"},
          {413, 0, dimer ? "dimer M or D (derived)" : "trimer M or D (derived)"},
          {420, 417, "log10(Ka)"},
          {407, 404, "monomer s (S)"},
          {414, 411, dimer ? "dimer s (S)" : "trimer s (S)"},
          {419, 416, "total concentration"}};
      (void)oligomer;
      return Info(resource, title,
                  AssociationLayout(rows, dimer && massForm ? "self-association nonideality"
                                                            : nullptr));
    }
    case ModelKind::SelfAssociation148:
    case ModelKind::SelfAssociation124: {
      const bool first = kind == ModelKind::SelfAssociation148;
      std::vector<Row> rows = {{406, 403, "monomer M (Da)"},
                               {420, 417, "log10(K1)"},
                               {421, 418, "log10(K2)"},
                               {407, 404, "s of monomer (S)"},
                               {414, 411, first ? "s of tetramer (S)" : "s of dimer (S)"},
                               {428, 425, first ? "s of octamer (S)" : "s of tetramer (S)"},
                               {419, 416, "total concentration"}};
      return Info(first ? 330 : 331,
                  first ? "Fit and Simulation Parameters for 1-4-8 rapid self-association"
                        : "Fit and Simulation Parameters for 1-2-4 rapid self-association",
                  AssociationLayout(rows, nullptr));
    }
    case ModelKind::HinderedSingleSpecies:
    case ModelKind::NonidealSingleSpecies:
    case ModelKind::NonidealMultipleSpecies: {
      std::vector<Row> rows = {{405, 402, "loading concentration"},
                               {406, 403, "D (1e-7 cm^2/s)"},
                               {407, 404, "s (S)"},
                               {412, 409, "log10(ks)"},
                               {419, 416, "log10(kd)"},
                               {440, 0, "signal per mg/ml"}};
      std::vector<Row> options;
      int resource = 325;
      std::string title = "Non-Ideal Sedimentation";
      if (kind == ModelKind::HinderedSingleSpecies) {
        resource = 1101;
        title = "Hindered Sedimentation";
        rows[3].label = "reduced ks";
        rows[4].label = "Baxter temperature";
        options = {{0, 410, "sticky hard spheres"}, {0, 441, "Wiener skew"}};
        std::vector<FormItem> items = ListLayout(rows, options);
        // What the parameters imply, for information.
        items.push_back(FormGroupBox(5, 0, 0, 2, "implied", 2));
        AddRows(items, 5,
                {{420, 0, "vbar (ml/g)"},
                 {421, 0, "M (kDa)"},
                 {426, 0, "f/f0"},
                 {427, 0, "volume fraction"},
                 {414, 0, "B2 / B2(hard spheres)"}});
        for (FormItem& item : items)
          if (item.box == 5 && item.kind == platform::FormControl::Edit) item.readOnly = true;
        return Info(resource, title, items);
      }
      if (kind == ModelKind::NonidealSingleSpecies) {
        options = {{0, 410, "repulsive interactions"},
                   {0, 411, "Polynomial s(c) and D(c)"},
                   {0, 424, "CsCl s(c) and D(c) (molar)"}};
        return Info(resource, title, ListLayout(rows, options));
      }
      resource = 892;
      title =
          "Non-Ideal Sedimentation of Mulitple Species s=s0(1-ks*c), D0=D(1+kd*c) [no "
          "backdiffusion]";
      options = {{0, 441, "Wiener skew"}, {0, 424, "synthetic boundary overlay"}};
      std::vector<FormItem> items = ListLayout(rows, options);
      // The second and third species and the overlay, each with its fit box.
      items.push_back(FormGroupBox(5, 0, 0, 2, "species 2 and 3, overlay", 2));
      AddRows(items, 5,
              {{439, 401, "overlay position (cm)"},
               {420, 423, "overlay fraction species 1"},
               {443, 442, "loading weight species 2"},
               {414, 411, "s species 2 (S)"},
               {413, 418, "D species 2 (1e-7 cm^2/s)"},
               {428, 446, "overlay fraction species 2"},
               {426, 422, "loading weight species 3"},
               {421, 445, "s species 3 (S)"},
               {427, 415, "D species 3 (1e-7 cm^2/s)"},
               {438, 408, "overlay fraction species 3"}});
      return Info(resource, title, items);
    }
    case ModelKind::ReactingABC:
    case ModelKind::BuoyantMassReactingAB:
      return Info(318, "A + B <--> AB",
                  ListLayout({{405, 402, "total A"},
                              {412, 409, "total B"},
                              {406, 403, "M of A (Da)"},
                              {413, 410, "M of B (Da)"},
                              {427, 0, "extinction of A"},
                              {426, 0, "extinction of B"},
                              {407, 404, "s of A (S)"},
                              {414, 411, "s of B (S)"},
                              {421, 418, "s of AB (S)"},
                              {428, 425, "log10(Ka)"}},
                             {}));
    case ModelKind::ElectrophoresisCV:
      return Info(328, "Continuous c(v) for linear geometry (Electrophoretic Mobility Distribution)",
                  ListLayout(Join(GridRows("v min (um/sec)", "v max (um/sec)"),
                                  {{420, 417, "D (1e-7 cm^2/s)"}}),
                             {{0, 424, "logarithmic grid"}}, true));
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSFf0: {
      std::vector<Row> extra = {{412, 0, "f/f0 min"},
                                {414, 0, "f/f0 max"},
                                {428, 0, "f/f0 resolution"},
                                {419, 0, "second regularization weight"}};
      if (kind == ModelKind::CSFf0OneDiscrete) {
        extra.push_back({443, 445, "discrete species M (Da)"});
        extra.push_back({427, 411, "discrete species s (S)"});
      }
      std::vector<Row> rows = Join(Join(GridRows("s min (S)", "s max (S)"),
                                        {{420, 0, "partial specific volume (ml/g)"}}),
                                   Join(SolventRows(), extra));
      std::vector<FormItem> items = ListLayout(rows, GridOptions());
      items.push_back(FormGroupBox(5, 0, 0, 2, "plot", 2));
      items.push_back(FormRadio(445, 3, 5, 0, 0, "plot s-ff0"));
      items.push_back(FormRadio(442, 3, 5, 1, 0, "plot s-M"));
      items.push_back(FormRadio(446, 3, 5, 2, 0, "plot s-Rs"));
      items.push_back(FormRadio(429, 3, 5, 3, 0, "plot s-D"));
      items.push_back(FormRadio(430, 3, 5, 4, 0, "plot M-ff0"));
      if (kind == ModelKind::CSFf0OneDiscrete) {
        // The discrete species' fit boxes are its own here, not the plot's.
        for (FormItem& item : items)
          if (item.id == 445 && item.kind == platform::FormControl::Radio) item.id = 0;
      }
      return Info(kind == ModelKind::CSFf0 ? 596 : 599,
                  kind == ModelKind::CSFf0 ? "Continuous c(s,ff0)"
                                           : "Continuous c(s) with 1 discrete species",
                  items);
    }
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete: {
      std::vector<Row> extra = {{412, 0, "second f/f0"},
                                {414, 411, "s min of second f/f0 (S)"},
                                {428, 0, "s max of second f/f0 (S)"}};
      if (kind == ModelKind::CSBimodalFf0OneDiscrete) {
        extra.push_back({443, 445, "discrete species M (Da)"});
        extra.push_back({438, 418, "discrete species s (S)"});
        return Info(871,
                    "Continuous c(s) with Bimodal Frictional Ratio and 1 Extra Discrete Species",
                    CsLayout(extra));
      }
      return Info(340, "Continuous c(s) with Bimodal Frictional Ratio", CsLayout(extra));
    }
    case ModelKind::CSFlotation:
      return Info(1116, "Continuous c(s) for Flotation",
                  CsLayout({{412, 0, "f/f0 of floating species"},
                            {413, 0, "floating size Rh (nm)"},
                            {438, 0, "floating size D (1e-7 cm^2/s)"},
                            {439, 0, "grid points of flotation"},
                            {414, 0, "s-min* of flotation (S)"},
                            {428, 0, "s-max* of flotation (S)"}},
                           {{0, 402, "also SEDIMENTATION"},
                            {0, 417, "grid from file"},
                            {0, 424, "logarithmic grid"}},
                           false));
    case ModelKind::HybridCSLsGStar:
      return Info(951, "Hybrid c(s)/ls-g*(s) with/without 1 extra discrete species",
                  CsLayout({{413, 0, "s threshold for ls-g*(s) (S)"},
                            {443, 445, "discrete species M (Da)"},
                            {438, 418, "discrete species s (S)"}},
                           {{0, 411, "include discrete species"}}, false));
    case ModelKind::CSFixFf0FloatingVbar: {
      std::vector<Row> rows = Join(GridRows("s min (S)", "s max (S)"),
                                   {{420, 0, "frictional ratio f/f0 (fixed)"},
                                    {419, 416, "partial specific volume (ml/g)"}});
      return Info(604, "Continuous c(s) with fix f/f0 and floating vbar",
                  ListLayout(Join(rows, SolventRows()), GridOptions()));
    }
    case ModelKind::FMScalingLaw:
    case ModelKind::CSGeneralScalingLaw: {
      const bool cm = kind == ModelKind::FMScalingLaw;
      std::vector<Row> rows =
          Join(GridRows(cm ? "M min (Da)" : "s min (S)", cm ? "M max (Da)" : "s max (S)"),
               {{419, 416, "Ks"},
                {428, 425, cm ? "bs (calibrate)" : "bs"},
                {420, 0, "partial specific volume (ml/g)"}});
      std::vector<Row> options = GridOptions();
      if (cm) options.push_back({0, 409, "no diffusional deconvolution (i.e., ls-g*(s))"});
      return Info(cm ? 888 : 873,
                  cm ? "c(M) for ideal sedimentation with general scaling law s=Ks*M^bs"
                     : "c(s) for ideal sedimentation with general scaling law s=Ks*M^bs",
                  ListLayout(Join(rows, SolventRows()), options));
    }
    case ModelKind::CSWormlikeChain:
      return Info(605, "Continuous c(s) for worm-like chains",
                  ListLayout(Join(Join(GridRows("s min (S)", "s max (S)"),
                                       {{419, 416, "persistence length (nm)"},
                                        {420, 0, "partial specific volume (ml/g)"},
                                        {412, 0, "cross-section diameter (nm)"},
                                        {414, 0, "mass per unit length (Da/nm)"},
                                        {428, 0, "hydration (g/g)"}}),
                                  SolventRows()),
                             GridOptions()));
    case ModelKind::CSConformationalChange:
      return Info(329, "Continuous c(s) with Conformational Change",
                  CsLayout({{412, 0, "M of the conformers (Da)"},
                            {414, 0, "s min of change (S)"},
                            {428, 0, "s max of change (S)"}}));
    case ModelKind::CSWithOneDiscrete:
      return Info(337, "Sedimentation Coefficient Distribution c(s) with 1 discrete component",
                  CsLayout({{412, 409, ModelSelection.OneDiscreteByMass
                                           ? "discrete species M (Da)"
                                           : "discrete species D (1e-7 cm^2/s)"},
                            {414, 411, "discrete species s (S)"}}));
    case ModelKind::CSWithMsTable:
      return Info(588, "Sedimentation Coefficient Distribution c(s) with 1 discrete component",
                  CsLayout(kDiscreteExtra));
    case ModelKind::HinderedCS:
    case ModelKind::NonidealCS: {
      const bool hindered = kind == ModelKind::HinderedCS;
      std::vector<Row> extra = Join(kDiscreteExtra, {{443, 410, hindered ? "reduced ks" : "log10(ks)"},
                                                     {427, 445, hindered ? "Baxter temperature (or off)" : "log10(kd)"},
                                                     {440, 0, "signal per mg/ml"},
                                                     {438, 0, "resolution for sedimentation"},
                                                     {439, 0, "for mean field"},
                                                     {428, 0, "log spacing above s (S)"}});
      std::vector<Row> options = {{0, 417, "grid from file"},
                                  {0, 424, "log spacing above s-min"},
                                  {0, 446, "exclude discrete species from ctot"},
                                  {0, 425, "create debug files"},
                                  {0, 452, "freeze ctot"},
                                  {0, 441, "Wiener skew"}};
      std::vector<FormItem> items = CsLayout(extra, options);
      items.push_back(FormGroupBox(5, 0, 0, 2, "mean field", 2));
      items.push_back(FormRadio(448, 4, 5, 0, 0, "from best fit"));
      items.push_back(FormRadio(449, 4, 5, 1, 0, "from data"));
      items.push_back(FormRadio(451, 4, 5, 2, 0, "load external"));
      return Info(hindered ? 1102 : 586,
                  hindered ? "Hindered Sedimentation Coefficient Distribution c(s) with 1 disc. comp."
                           : "Sedimentation Coefficient Distribution c(s) with 1 discrete component",
                  items);
    }
    case ModelKind::CSInvariantD:
      return Info(336, "Continuous s Distribution c(s) with Prior D",
                  ListLayout(Join(Join(GridRows("s min (S)", "s max (S)"),
                                       {{419, 416, "D (1e-7 cm^2/s)"},
                                        {420, 0, "partial specific volume (ml/g)"}}),
                                  SolventRows()),
                             GridOptions()));
    case ModelKind::CSLinearRods:
      return Info(332, "Continuous c(s) for linear rods",
                  ListLayout(Join(Join(GridRows("s min (S)", "s max (S)"),
                                       {{419, 416, "mass per length (Da/nm)"},
                                        {420, 0, "partial specific volume (ml/g)"}}),
                                  SolventRows()),
                             GridOptions()));
    case ModelKind::ExtrapolateLsGStar:
      return Info(324, "direct boundary van Holde-Weischet",
                  ListLayout({{405, 0, "gofs resolution"},
                              {420, 0, "#scans for g*(s)"},
                              {406, 0, "s min"},
                              {407, 0, "s max"},
                              {413, 0, "confidence level (F-ratio)"},
                              {419, 0, "vHW resolution"}},
                             {{0, 416, "slide frame"},
                              {0, 442, "fit boundary fractions"},
                              {0, 445, "result as dG/ds"}}));
    case ModelKind::LsGStarOneDiscrete:
      return Info(538, "least-squares g*(s) with 1 discrete component",
                  LsGStarLayout(kDiscreteExtra));
    case ModelKind::ElectrophoresisLsGStar:
      return Info(323, "least-squares g*(s) for linear force (electrophoresis)",
                  LsGStarLayout({}, true));
    case ModelKind::ZoneLsGStar:
      return Info(327, "least-squares g*(s) for analytical zone centrifugation ",
                  LsGStarLayout({{428, 425, "lamella width (cm)"}}));
    case ModelKind::LsGStar:
      return Info(319, "least-squares g*(s)", LsGStarLayout({}));
    case ModelKind::ZoneCS:
      return Info(326, "Analytical Zone Centrifugation Sedimentation Coefficient Distribution c(s)",
                  CsLayout({{428, 425, "lamella width (cm)"}}));
    case ModelKind::ContinuousCS:
      return Info(320, "Continuous Sedimentation Coefficient Distribution c(s)", CsLayout({}));
    case ModelKind::CMInvariantD:
      return Info(321, "Continuous Buoyant Mass Distribution c(Mb) with Prior D",
                  CmLayout({}));
    case ModelKind::DlsID:
      return Info(334, "Continuous Diffusion Coefficient Distribution (for DLS)",
                  DlsLayout("D min (1e-7 cm^2/s)", "D max (1e-7 cm^2/s)", {}));
    case ModelKind::DlsIRh:
      return Info(333, "Continuous Hydrodynamic Radius Distribution (for DLS)",
                  DlsLayout("Rh min (nm)", "Rh max (nm)", {}));
    case ModelKind::DlsIRhTimeCourse:
      return Info(335, "Time Course Rh-Distribution(t) (for DLS)",
                  DlsLayout("Rh min (nm)", "Rh max (nm)", {{419, 0, "time interval (min)"}}));
    case ModelKind::ContinuousCM:
    case ModelKind::CMPriorVbar:
    case ModelKind::CMVariant278:
      return Info(311, "Continuous Molar Mass Distribution", CmLayout({}));
    case ModelKind::VanHoldeWeischet:
    case ModelKind::NoModel:
      return {};
    default:
      break;
  }
  // The discrete species models and their geometry variants.
  const bool zone = IsZoneModel(kind);
  if (massForm) {
    if (zone) {
      std::vector<FormItem> items = DiscreteLayout(true, false, false, false);
      items.push_back(FormCheckBox(446, kOptionsBox, 1, 0,
                                   "invert band (buffer lamella over sample)"));
      return Info(316, zoneTitle, items);
    }
    return Info(buffer ? 574 : 306, discreteTitle, DiscreteLayout(true, buffer, false, false));
  }
  if (electrophoresis)
    return Info(322, "constant force in linear geometry (electrophoresis model) with v (um/sec)",
                DiscreteLayout(false, false, true, false));
  if (zone) return Info(317, zoneTitle, DiscreteLayout(false, false, false, false));
  if (kind == ModelKind::DiscreteStokesRadii)
    return Info(339, "Discrete Stokes Radii", DiscreteLayout(false, false, false, false));
  if (kind == ModelKind::CumulantAnalysis)
    return Info(891, "Cumulant Analysis", DiscreteLayout(false, false, false, false));
  return Info(buffer ? 573 : 400, discreteTitle, DiscreteLayout(false, buffer, false, true));
}
