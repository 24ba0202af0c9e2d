#pragma once
// The dialog "Generate Prior Probability From Peaks": switches the prior of
// the distribution grid on or off and chooses its source (a prior file,
// optionally a GJT file to import, the peaks of the current distribution,
// or up to ten Gaussian or delta peaks typed in).

#include <functional>
#include <string>

#include "platform/FormDialog.h"
#include "platform/Platform.h"
#include "state/Links.h"

// The dialog's transfer record, kept between calls.
extern platform::FormState PriorBoxTransfer;
void InitPriorBoxTransfer(platform::FormState& transfer);

// What the dialog needs of the shell; harmless defaults.
struct PriorDialogLinksRecord {
  // Takes the peaks of the current distribution into the prior peaks.
  std::function<void(platform::WindowHandle)> PriorKnowledgeOfDiscreteSpecies = links::Unwired;
  // Imports a GJT file as the prior profile; false on failure (it says why).
  std::function<bool(platform::WindowHandle, const std::string&)> ImportGJPrior = links::Unwired;
};
extern PriorDialogLinksRecord PriorDialogLinks;

platform::FormRefusal PriorBoxCheck(const platform::FormState& state);

void CmUsePriorProbabilities(platform::WindowHandle window);
