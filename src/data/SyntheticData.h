#pragma once
// Synthetic sedimentation velocity runs made from the current model: equally
// spaced radii between meniscus and bottom, scans at regular times (after an
// acceleration phase when one is given), the model simulated into them
// (discrete species, or a continuous distribution read from the program's
// distribution file), Gaussian noise added, the scans written as 00001.ra0,
// 00002.ra0, ... into the chosen folder and shown like loaded data.

#include <string>

#include "platform/Platform.h"

struct SyntheticDataRequest {
  bool reuseScans = false;   // simulate over the loaded scans instead of new ones
  float radialStep = 0.001f;  // cm
  float rpm = 50000.0f;
  float acceleration = 200.0f;  // rpm/s; above 0 an acceleration phase, below 0 none
  float noise = 0.0f;           // standard deviation of the added noise
  float interval = 300.0f;      // s between scans
  float firstTime = 0.0f;       // s; 0: the first scan one interval after the start
  int scanCount = 50;
  std::string path;  // a file path in the folder that receives the scans
};

// Nothing for a scan count below 1. Every other call switches the model to a
// constant initial loading without systematic noise and makes the path's
// folder the data folder; a radial step that is not positive (refused with a
// message) or a bottom below the meniscus then ends it with the data set
// unchanged. True when the data set was made and every file written.
bool GenerateSyntheticData(platform::WindowHandle window, const SyntheticDataRequest& request);
