#pragma once
// Rotor speed programs seen from the loaded scans and from instrument
// methods: whether the scans were recorded at changing speeds and form a
// clean series of rising speeds, and conversions between speed-steps files
// and instrument method files.

#include <functional>
#include <string>

#include "data/CRotorSpeedProfile.h"
#include "data/ScanHeader.h"
#include "platform/Platform.h"

// True when a scan of headers[2..scanCount] (one-based) runs 10 rpm or more
// away from the first scan's speed.
bool HasVariableSpeed(int scanCount, const ScanHeader* headers);

// For scans in time order: SpeedSeriesIrregular marks a late scan (after
// 36000 s) slower than an earlier speed, or a change of cell or of
// wavelength by more than 10; SpeedsOnlyIncrease a set whose speeds only rise
// with time. Both false and the result false without variable speed;
// otherwise the result is true.
bool AnalyzeSpeedChanges(int scanCount, const ScanHeader* headers, bool& SpeedSeriesIrregular,
                         bool& SpeedsOnlyIncrease);

// The summary beside a method file: its folder, its base name, then
// ".MethodRows.txt".
std::string MethodSummaryPath(const std::string& methodPath);

// Reads an instrument method into speed steps and saves them to stepsPath,
// also when the reading failed (an empty file then). The result is that of
// the reading.
bool ConvertEquToSpeedSteps(const std::string& methodPath, const std::string& stepsPath);
// Loads a speed-steps file and writes the method rows. A file that does not
// load, or holds a single step, writes no method. The result is that of the
// loading: true only for more than one step.
bool ConvertSpeedStepsToEqu(const std::string& stepsPath, const std::string& methodPath,
                            float cycleSeconds, int temperature, int finalScans,
                            int maxScansPerStep);

// How the conversion command lets the user pick a file: path holds the
// offered path and receives the chosen one; false when the user cancels.
// Until the desktop installs its file dialog, an entry box offers the path
// as editable text.
using SpeedFileChooser =
    std::function<bool(std::string& path, const std::string& title, const std::string& filter)>;
extern SpeedFileChooser ChooseSpeedFile;

// The command "Convert speedsteps.txt And speedssteps.EQU": converts in the
// direction the chosen input's extension tells (a 't' extension is a
// speed-steps file) and shows the written file.
void CmConvertSpeedStepsEqu(platform::WindowHandle window);
