#include "distributions/PriorDialog.h"

#include <cstdio>
#include <cstdlib>

#include "state/PriorSettings.h"
#include "platform/Window.h"
#include "ui/Boxes.h"

platform::FormState PriorBoxTransfer;
PriorDialogLinksRecord PriorDialogLinks;

namespace {

using platform::FormState;

// Control ids.
constexpr int kFileText = 777;
int PeakOnId(int k) { return 777 + k; }
int LocationId(int k) { return 787 + k; }
int WidthId(int k) { return 797 + k; }
int AmplitudeId(int k) { return 807 + k; }
constexpr int kUsePrior = 818;
constexpr int kFromFile = 819;
constexpr int kFromPeaks = 820;
constexpr int kLoadNewFile = 821;
constexpr int kGjtFile = 822;
constexpr int kFromDistribution = 823;

std::string Peak3(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f ", value);
  return text;
}

void MarkEmptyPeaks() {
  for (int k = 1; k <= PriorPeakCount; ++k) {
    PriorPeak& p = PriorSettings.PriorPeaks[static_cast<std::size_t>(k)];
    if (!(p.Amplitude > 0.0)) p.Width = -1.0;
  }
}

std::vector<platform::FormItem> PriorBoxItems() {
  using namespace platform;
  std::vector<FormItem> items;
  FormItem file = FormEdit(kFileText, 0, 0, 0, "prior file", 1000);
  file.readOnly = true;
  file.widthChars = 48;
  file.columnSpan = 4;
  items.push_back(file);
  items.push_back(FormLabel(0, 1, 1, "Location (S)"));
  items.push_back(FormLabel(0, 1, 2, "Width (S)\n(>= 0)"));
  items.push_back(FormLabel(0, 1, 3, "Amplitude \n(0.01 - 100)"));
  for (int k = 1; k <= PriorPeakCount; ++k) {
    items.push_back(FormCheckBox(PeakOnId(k), 0, 1 + k, 0, "peak #" + std::to_string(k)));
    for (int c = 0; c < 3; ++c) {
      const int id = c == 0 ? LocationId(k) : c == 1 ? WidthId(k) : AmplitudeId(k);
      FormItem edit = FormEdit(id, 0, 1 + k, 1 + c);
      edit.widthChars = 8;
      items.push_back(edit);
    }
  }
  items.push_back(FormGroupBox(1, 0, 12, 0, "source", 1, 4));
  items.push_back(FormCheckBox(kUsePrior, 1, 0, 0, "Use Prior"));
  items.push_back(FormRadio(kFromFile, 1, 1, 1, 0, "From File"));
  items.push_back(FormCheckBox(kLoadNewFile, 1, 1, 1, "Load New Prior File"));
  items.push_back(FormCheckBox(kGjtFile, 1, 1, 2, "GJT file"));
  items.push_back(FormRadio(kFromPeaks, 1, 1, 2, 0, "From Gauss/Delta-Peaks"));
  items.push_back(FormRadio(kFromDistribution, 1, 1, 3, 0,
                            "Select Peaks From Current Distribution (assuming pure "
                            "species)\n(control-X, same as separate menu function)",
                            3));
  return items;
}

void FillTransfer(FormState& t) {
  const PriorSettingsRecord& p = PriorSettings;
  t.checked[kUsePrior] = p.PriorOnS;
  if (p.PriorFileInitial == '0') {
    t.texts[kFileText] = "no filename selected";
  } else {
    std::string name = p.PriorFileName;
    if (!name.empty() && name[0] == '\0') name[0] = p.PriorFileInitial;
    t.texts[kFileText] = name.size() >= 999 ? "filename too long" : name;
  }
  t.checked[kGjtFile] = 0;
  const bool fileInUse = PriorFileInUse();
  t.checked[kFromFile] = fileInUse;
  t.checked[kFromDistribution] = !fileInUse && p.PriorFromDistributionPeaks;
  t.checked[kFromPeaks] = !fileInUse && !p.PriorFromDistributionPeaks;
  t.checked[kLoadNewFile] = 0;
  if (!p.PriorOnS) t.checked[kFromFile] = t.checked[kFromPeaks] = t.checked[kFromDistribution] = 0;
  MarkEmptyPeaks();
  bool shown = true;
  for (int k = 1; k <= PriorPeakCount; ++k) {
    const PriorPeak& peak = p.PriorPeaks[static_cast<std::size_t>(k)];
    shown = shown && peak.Width >= 0.0;
    t.checked[PeakOnId(k)] = shown;
    t.texts[LocationId(k)] = Peak3(shown ? peak.Position : 0.0);
    t.texts[WidthId(k)] = Peak3(shown ? peak.Width : 0.0);
    t.texts[AmplitudeId(k)] = Peak3(shown ? peak.Amplitude : 0.0);
  }
}

bool ChoosePriorFile(platform::WindowHandle window, const FormState& t) {
  PriorSettingsRecord& p = PriorSettings;
  platform::FileDialogRequest request;
  request.owner = window;
  request.title = "Select Prior Probability Data File";
  request.filters = {{"dat files (*.dat*)", {"*.dat*"}}, {"All Files (*.*)", {"*.*"}}};
  if (!platform::Current().ShowOpenFileDialog(request) || request.chosen.empty()) {
    ErrorBox("Could Not Open MaxEnt Prior File");
    p.PriorFileName.clear();
    p.PriorOnS = false;
    return false;
  }
  p.PriorFileName = request.chosen.front();
  p.PriorFileInitial = p.PriorFileName.empty() ? '0' : p.PriorFileName[0];
  if (t.Checked(kGjtFile)) {
    // The imported profile, not the file, is then the prior.
    p.GjPriorImported = PriorDialogLinks.ImportGJPrior(window, p.PriorFileName);
    if (!p.GjPriorImported) p.PriorOnS = false;
    SwitchPriorFileOff();
  }
  return true;
}

}  // namespace

void InitPriorBoxTransfer(FormState& transfer) {
  transfer = FormState{};
}

platform::FormRefusal PriorBoxCheck(const FormState& t) {
  for (int k = 1; k <= PriorPeakCount; ++k)
    if (!IsNumber(t.Text(LocationId(k)).c_str()) || !IsNumber(t.Text(WidthId(k)).c_str()) ||
        !IsNonNegativeNumber(t.Text(AmplitudeId(k)).c_str())) {
      // The dialog says nothing: it stays open at the first bad peak.
      platform::FormRefusal refusal;
      refusal.refused = true;
      refusal.focusId = LocationId(k);
      return refusal;
    }
  return {};
}

void CmUsePriorProbabilities(platform::WindowHandle window) {
  PriorSettingsRecord& p = PriorSettings;
  FillTransfer(PriorBoxTransfer);
  platform::FormRequest request;
  request.owner = window;
  request.caption = "Generate Prior Probability From Peaks";
  request.items = PriorBoxItems();
  request.state = PriorBoxTransfer;
  request.check = PriorBoxCheck;
  if (!platform::ShowForm(request)) return;
  FormState& t = PriorBoxTransfer;
  t = request.state;
  for (int k = 1; k <= PriorPeakCount; ++k) {
    PriorPeak& peak = p.PriorPeaks[static_cast<std::size_t>(k)];
    if (t.Checked(PeakOnId(k))) {
      peak.Position = std::atof(t.Text(LocationId(k)).c_str());
      peak.Width = std::atof(t.Text(WidthId(k)).c_str());
      peak.Amplitude = std::atof(t.Text(AmplitudeId(k)).c_str());
    } else {
      peak = {0.0, -1.0, 0.0};
    }
  }
  MarkEmptyPeaks();
  const bool anySource = t.Checked(kFromFile) || t.Checked(kFromPeaks) ||
                         t.Checked(kFromDistribution);
  if (!p.PriorOnS && anySource) t.checked[kUsePrior] = 1;
  if (!t.Checked(kUsePrior)) {
    p.PriorOnS = false;
    SwitchPriorFileOff();
    return;
  }
  p.PriorOnS = true;
  bool peaks = t.Checked(kFromPeaks) != 0;
  if (t.Checked(kFromDistribution)) {
    p.PriorFromDistributionPeaks = true;
    // The flag just set puts the peak finder into its prior mode: it only
    // fills the peak table.
    PriorDialogLinks.PriorKnowledgeOfDiscreteSpecies(window);
    p.PriorFromDistributionPeaks = false;
    peaks = true;
  }
  if (peaks) {
    SwitchPriorFileOff();
    PriorPeak& first = p.PriorPeaks[1];
    if (!PriorPeakInUse(first)) {
      first = {0.0, -1.0, 0.0};
      p.PriorOnS = false;
    }
    return;
  }
  if (t.Checked(kLoadNewFile)) {
    ChoosePriorFile(window, t);
    return;
  }
  SwitchPriorFileOn();
}
