#pragma once
// The "&Generate" menu: synthetic sedimentation-velocity data from the
// current model, one set ("Single") or a grid of sets over radial
// resolution, rotor speed, noise, meniscus and the concentration of a
// second, trace species ("Series"), each set of a series in a numbered
// folder of its own with its description, marker files and an xp file for
// the sibling program.

#include <string>

class CommandTable;
class TXLAWindow;

void CmSingle(TXLAWindow& window);
void CmSeries(TXLAWindow& window);

// Scans until the boundary of a species of s1 (S) travels from the meniscus
// to the right fit limit at the rotor speed, interval seconds apart; -1 when
// that cannot be said (s1 not positive, the limit not beyond the meniscus).
int AutomaticScanCount(float rpm, float s1, float meniscus, float rightLimit, float interval);

// The empty marker files of a series set carry its values in their names.
std::string SeriesInfoText(float tracePercent, float dr, float rpm, float noise, float meniscus);

void RegisterGenerateCommands(CommandTable& table);
