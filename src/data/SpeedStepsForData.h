#pragma once
// The rotor speed course of the loaded run, so that the simulations follow
// the speed changes of the real run: a profile read from "speedsteps.txt" in
// the data folder, derived from the scans themselves, or made of a low-speed
// phase and full speed. The coupled profile is ScanDataSet.DataSpeedProfile;
// UsingSpeedSteps says that it has more than one step.

#include <string>

#include "data/ScanHeader.h"
#include "platform/Platform.h"

// After a load: analyses the speeds of the loaded scans and couples
// "speedsteps.txt" of the folder when the speed varies or the file exists;
// a profile inconsistent with the scans is reported and not coupled (none
// is then). Nothing while
// the multi-speed load commands load. Always lets the load go on (true).
bool CoupleSpeedStepsFile(platform::WindowHandle window, const std::string& drive,
                          const std::string& directory);
// The same after files were added, also during the multi-speed loads, and a
// series that needs the file and lacks it is coupled from the missing file
// without a word.
bool CoupleSpeedStepsFileForAddedFiles(platform::WindowHandle window, const std::string& drive,
                                       const std::string& directory);

// Derives a profile from the scans' speeds, times and omega^2 t (ramps at
// acceleration, or deceleration, rpm/s), writes it to "speedsteps.txt" beside
// the temporary parameter file and couples it. Returns UsingSpeedSteps; false
// without data or without variable speed. Rates that are not finite, an
// acceleration that is not positive or a deceleration of 0 derive nothing:
// false, and the coupled profile stays as it was.
bool SpeedStepsFromScans(float acceleration, float deceleration);

// Couples "speedsteps.txt" of the earliest scan's folder when it agrees with
// the scans (and gives the scans their recorded times back); an inconsistent
// profile is reported and dropped. Returns UsingSpeedSteps.
bool LoadSpeedStepsForData();

// The duration (s) of a phase at lowSpeed (rpm) before the run went to the
// header's speed at acceleration (rpm/s), from the time the scan lost against
// its omega^2 t.
float RampTimeOffset(float lowSpeed, float acceleration, const ScanHeader& header);

// Writes and couples the profile (0, lowSpeed, acceleration), (lowSpeedDuration,
// header's speed, acceleration) in the earliest scan's folder.
void MakeTwoStepSpeedProfile(float lowSpeedDuration, float lowSpeed, const ScanHeader& header,
                             float acceleration);
