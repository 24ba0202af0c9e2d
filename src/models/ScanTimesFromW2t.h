#pragma once
// Scan times from omega^2 t. A scan's elapsed time and its integral omega^2 t
// disagree when the rotor needed time to reach its speed. The solvers either
// simulate that acceleration with the recorded times (the rotor ramp of the
// loaded scan set), or assume the final speed from the start, and each scan
// then takes the time that gives its recorded omega^2 t at its own speed. The
// two switches (ScanDataSet.TimesFromW2t and RampRotorSpeed) are mutually
// exclusive. The operations that switch the derived times off again and the
// ramp off (TimesFromW2tOff, RestoreRecordedScanTimes, RampRotorSpeedOff)
// live with the data set services (data/DataSetServices.h).

#include "platform/Platform.h"

// The solvers no longer simulate the rotor's acceleration.
void ClearRotorRamp();

// Switches the ramp off and times from omega^2 t on; unless electrophoresis
// or light-scattering data are loaded, every scan's working time becomes its
// omega^2 t / omega^2 with omega = rpm pi/30 in double precision. A scan
// without a rotor speed keeps its time.
void SetScanTimesFromW2t();

// The form called by commands that pass the main window.
void TimesFromW2tOn(platform::WindowHandle window);
