#include "models/ScanTimesFromW2t.h"

#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"

void ClearRotorRamp() {
  RampRotorSpeedOff(nullptr);
}

void SetScanTimesFromW2t() {
  ClearRotorRamp();
  ScanDataSetRecord& d = ScanDataSet;
  d.TimesFromW2t = true;
  if (ScanReaderOptions.ElectrophoresisDataMode || DlsDataMode) return;
  constexpr double kRadPerSecondPerRpm = 0.10471975511965977;  // pi/30
  for (int i = 1; i <= d.NFILES; ++i) {
    ScanHeader& h = d.ScanHeaders[i];
    // A zero speed would give an infinite time; such a header cannot say
    // when the scan was taken.
    if (!(h.Rpm > 0.0f)) continue;
    const double omega = static_cast<double>(h.Rpm) * kRadPerSecondPerRpm;
    h.Time = h.Omega2t / (omega * omega);
  }
}

void TimesFromW2tOn(platform::WindowHandle) {
  SetScanTimesFromW2t();
}
