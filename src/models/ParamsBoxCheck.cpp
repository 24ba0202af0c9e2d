// The model-parameter dialog's transfer record and its check on OK.

#include <cstdlib>

#include "data/DataSetLinks.h"
#include "models/ParamsBox.h"
#include "models/TempParameterFile.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

platform::FormState ParamsBoxTransfer;

void InitParamsBoxTransfer(platform::FormState& transfer) {
  transfer = platform::FormState{};
  for (int k = 1; k <= 4; ++k) {
    transfer.checked[ComponentOnId(k)] = 1;
    transfer.checked[ConcentrationFitId(k)] = 1;
    transfer.checked[MassOrDFitId(k)] = 0;
    transfer.checked[SedFitId(k)] = 1;
    for (int id : {ConcentrationId(k), MassOrDId(k), SedId(k)}) transfer.texts[id] = "";
  }
  transfer.checked[kExperimentalInitial] = 0;
  transfer.checked[kConstantInitial] = 1;
  transfer.checked[kTINoiseFit] = 1;
  transfer.checked[kRINoiseFit] = 0;
  transfer.checked[kBaselineFit] = 0;
  transfer.checked[kMeniscusFit] = 0;
  transfer.checked[kBottomFit] = 0;
  transfer.checked[kClaverieSimulations] = 1;
  transfer.checked[kAutoMethod] = 0;
  for (int id = 444; id <= 454; ++id) transfer.checked[id] = 0;
  for (int id : {433, 435, 437, 438, 439, 440, 443}) transfer.texts[id] = "";
}

bool BufferColumnShown(ModelKind kind) {
  return IsDiscreteSpeciesModel(kind) && CorrectionOptions.BufferMismatch.On;
}

namespace {

std::string LabelOf(const std::vector<platform::FormItem>& items, int id) {
  return platform::FormFieldName(items, id);
}

// The distribution grid of a continuous model's dialog (entries 405-407
// labelled resolution, lower and upper limit): a grid needs two points and
// a lower limit below the upper one, or the run would fail or fit another
// range than the one typed.
platform::FormRefusal GridEntriesCheck(const std::vector<platform::FormItem>& items,
                                       const platform::FormState& s) {
  if (LabelOf(items, 405) != "resolution") return {};
  const bool gridFromFile = platform::FindFormItem(items, 417) != nullptr && s.Checked(417);
  if (!gridFromFile && !(std::atof(s.Text(405).c_str()) >= 2.0)) {
    PlayErrorSound();
    return platform::RefuseWith("Invalid Entry: the resolution needs at least 2 grid points",
                                "Input Error", 405);
  }
  const std::string low = LabelOf(items, 406), high = LabelOf(items, 407);
  if (low.find("min") == std::string::npos || high.find("max") == std::string::npos) return {};
  if (!(std::atof(s.Text(406).c_str()) < std::atof(s.Text(407).c_str()))) {
    PlayErrorSound();
    return platform::RefuseWith("Invalid Entry: " + low + " must be below " + high,
                                "Input Error", 406);
  }
  return {};
}

}  // namespace

platform::FormCheck ParamsBoxCheckFor(std::vector<platform::FormItem> items) {
  return [items = std::move(items)](const platform::FormState& s) {
    platform::FormRefusal refusal = ParamsBoxCheck(s);
    if (refusal.refused) return refusal;
    return GridEntriesCheck(items, s);
  };
}

platform::FormRefusal ParamsBoxCheck(const platform::FormState& s) {
  const ModelKind kind = ModelSelection.Kind;
  if (DlsDataMode && IsDiscreteSpeciesModel(kind)) {
    // s and D of one species cannot both float against a decay that only
    // sees D.
    for (int k = 1; k <= 4; ++k)
      if (s.Checked(SedFitId(k)) && s.Checked(MassOrDFitId(k)))
        return platform::RefuseWith("linear dependent floating parameters for modeling DLS data",
                                    "Parameter Error", SedFitId(k));
  }
  if (kind == ModelKind::CSInvariantD && !(std::atof(s.Text(419).c_str()) > 0.0))
    return platform::RefuseWith("diffusion coefficient must be positive", "Parameter Error",
                                419);
  struct Test {
    int id;
    bool nonNegative;
  };
  std::vector<Test> tests = {{405, false}, {412, false}, {419, false}, {406, false},
                             {413, true},  {420, false}, {407, false}, {414, false},
                             {421, false}, {433, false}, {435, false}, {437, false},
                             {438, true},  {439, true},  {440, true},  {443, false}};
  if (!BufferColumnShown(kind)) {
    tests.push_back({426, true});
    tests.push_back({428, false});
    if (kind != ModelKind::HinderedCS) tests.push_back({427, false});
  }
  for (const Test& t : tests) {
    const std::string text = s.Text(t.id);
    const bool ok = t.nonNegative ? IsNonNegativeNumber(text.c_str()) : IsNumber(text.c_str());
    if (!ok) {
      PlayErrorSound();
      return platform::RefuseWith("Invalid Entry", "Input Error", t.id);
    }
  }
  return {};
}
