#include "app/wiring/AnalysisHooks.h"

#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "display/records/DisplayState.h"
#include "distributions/ContiKernel.h"
#include "engines/EngineRoads.h"
#include "equilibrium/EquilibriumKernels.h"
#include "lamm/FluorescenceDetectionRecord.h"
#include "models/SimulateModel.h"
#include "models/SimulationRoads.h"
#include "tools/DlsConversions.h"
#include "tools/DlsKernels.h"

namespace {

void StepBoundary(double sOmega2, double s, double amplitude, double t, const float* radii,
                  float* out, int count) {
  StepBoundaryKernel(CurrentStepBoundarySetup(sOmega2, s), amplitude, t, radii, out, count);
}

// A discrete species goes into the scans' model or the species' basis, never
// into a distribution's kernel; the detector corrections are those the
// simulation applies to its solvers.
void EquilibriumExponential(double Mb, double c0) {
  const FluorescenceDetectionRecord none{};
  const FluorescenceDetectionRecord* detection = SimulationFluorescenceDetection;
  EqExponentialKernel(Mb, c0, KernelColumnTarget{}, detection ? *detection : none);
}

// The kernel's cumulant expansion ends with the third cumulant, so mu4 has
// no term to enter.
bool DlsDecay(double D, double amplitude, double mu2, double mu3, double /*mu4*/) {
  DlsKernelInputs in;
  in.D = D;
  in.Amplitude = amplitude;
  in.MeanD = D;
  in.Mu2 = mu2;
  in.Mu3 = mu3;
  return DLSKernel(in);
}

bool DlsRecordsPresent() {
  const ScanDataSetRecord& d = ScanDataSet;
  return DlsDataMode && d.NFILES > 0 && d.DlsRecords.size() >= d.NFILES;
}

bool DataAreFieldAcf() {
  return DlsRecordsPresent() && ScanDataSet.DlsRecords[1].HoldsFieldAcf;
}

void ConvertToFieldAcf(platform::WindowHandle) {
  if (!DlsRecordsPresent()) return;
  ScanDataSetRecord& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i)
    ToFieldACF(d.ScanPointCount[i], d.ScanSignal[i].data(), d.DlsRecords[i]);
  BuildMainDataPlots();
}

}  // namespace

void InstallAnalysisHooks() {
  InstallEngineRoads();
  SimulationRoadsRecord& r = SimulationRoads;
  r.StepBoundary = StepBoundary;
  r.EquilibriumExponential = EquilibriumExponential;
  r.DlsDecay = DlsDecay;
  r.DataAreFieldAcf = DataAreFieldAcf;
  r.ConvertToFieldAcf = ConvertToFieldAcf;
}
