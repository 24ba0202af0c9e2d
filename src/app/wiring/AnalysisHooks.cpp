#include "app/wiring/AnalysisHooks.h"

#include "app/wiring/DataOperationHooks.h"
#include "data/DataSetLinks.h"
#include "data/InitialData.h"
#include "data/ScanDataSet.h"
#include "state/DisplayState.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionExtensionHooks.h"
#include "distributions/DistributionTimeCourse.h"
#include "distributions/RunContiSed.h"
#include "state/DistributionSettingsRecords.h"
#include "engines/EngineRoads.h"
#include "equilibrium/EquilibriumKernels.h"
#include "lamm/FluorescenceDetectionRecord.h"
#include "models/SimulateModel.h"
#include "models/TempParameterFile.h"
#include "models/SimulationRoads.h"
#include "state/ComputationAbort.h"
#include "tools/DlsConversions.h"
#include "tools/DlsKernels.h"
#include "tools/NonlinearDetection.h"

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

// The distribution's kernel column of the grid point being converted. While
// a model signal is simulated from a given distribution the columns are
// taken at each scan's own radii (or lags), since the synthetic scans need
// not lie on the common grid.
KernelColumnTarget CurrentKernelColumn() {
  KernelColumnTarget column;
  column.Kernel = DistKernel.get();
  column.GridPoint = DistributionGrid.CurrentGridIndex;
  column.PointCapacity = DistKernel.RadiusCount();
  column.AtScanRadii = DistributionRunFlags.SimulateFromDistribution;
  return column;
}

// Every grid point stands for unit loading: the amplitudes of the solution
// are the loading concentrations.
void DistributionEquilibriumColumn(double Mb) {
  const FluorescenceDetectionRecord none{};
  const FluorescenceDetectionRecord* detection = SimulationFluorescenceDetection;
  EqExponentialKernel(Mb, 1.0, CurrentKernelColumn(), detection ? *detection : none);
}

DlsKernelInputs DistributionDlsInputs(double D) {
  const KernelColumnTarget column = CurrentKernelColumn();
  DlsKernelInputs in;
  in.D = D;
  in.Amplitude = 1.0;
  in.Kernel = column.Kernel;
  in.GridPoint = column.GridPoint;
  in.PointCapacity = column.PointCapacity;
  in.AtScanRadii = column.AtScanRadii;
  return in;
}

// A kernel that stopped at a scan without field autocorrelations (after its
// message) leaves the rest of the columns unwritten; the run must end there
// rather than report a distribution of a partial kernel, and must not show
// the same message again for every further grid point.
void DistributionDlsColumn(double D) {
  if (!DLSKernel(DistributionDlsInputs(D))) ComputationAbort = true;
}

// The time-course model fits the scans of one time window; outside the time
// course the window is the whole loaded set.
void DistributionDlsTimeCourseColumn(double D) {
  DlsKernelInputs in = DistributionDlsInputs(D);
  in.AtScanRadii = false;
  const auto& tc = TimeCourse;
  in.FirstScan = tc.WindowFirstScan > 0 ? tc.WindowFirstScan : 1;
  in.LastScan = tc.WindowLastScan > 0 ? tc.WindowLastScan : ScanDataSet.NFILES;
  if (!DLSKernelColumn(in)) ComputationAbort = true;
}

}  // namespace

void InstallAnalysisHooks() {
  InstallEngineRoads();
  InstallDistributionExtensionHooks();
  InstallDataOperationModelHooks();
  InstallNonlinearDetectionHooks();
  // Restoring an earlier analysis after a load, and the edge extrapolations
  // of an experimental initial profile.
  InstallTempParameterFile();
  InstallInitialDataExtrapolations();
  SimulationRoadsRecord& r = SimulationRoads;
  r.StepBoundary = StepBoundary;
  r.EquilibriumExponential = EquilibriumExponential;
  r.DlsDecay = DlsDecay;
  r.DataAreFieldAcf = DataAreFieldAcf;
  r.ConvertToFieldAcf = ConvertToFieldAcf;

  ContiKernelServicesRecord& k = ContiKernelServices;
  k.DlsKernel = DistributionDlsColumn;
  k.DlsKernelColumn = DistributionDlsTimeCourseColumn;
  k.EqExponentialKernel = DistributionEquilibriumColumn;
  k.DataAreFieldAcf = DataAreFieldAcf;
  k.ConvertToFieldAcf = ConvertToFieldAcf;
}
