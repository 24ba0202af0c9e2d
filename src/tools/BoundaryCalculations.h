#pragma once
// Model-free evaluations of a sedimentation boundary and of a planned run:
// the weight-average s by the second moment of the boundary (integrated from
// time zero or differentiated between scans), radial dilution of the
// plateau, the hydrostatic pressure in the cell and the ratio of diffusional
// to heterogeneous boundary spreading. Each returns false with a reason when
// the data cannot give a defined result.

#include <string>
#include <vector>

// rpm to rad/s.
double AngularVelocity(double rpm);

struct SecondMomentResult {
  double sw = 0;                       // S
  double loading = 0;                  // c0
  double averagePlateau = 0;           // differential method: mean predicted plateau
  double averageEffective = 0;         // integral method: mean effective concentration
  std::vector<double> tableTimes;      // s
  std::vector<double> tableS;          // S
  std::vector<double> plateau;         // by scan index 1..NFILES (index 0 unused)
  std::vector<double> boundaryRadius;  // by scan index
};

// Works on the loaded scans with the meniscus and the right fit limit; on
// success sets every scan's model to the step at its boundary radius.
// differential: s from consecutive scans; otherwise from 0 to each scan.
bool SecondMomentS(bool differential, SecondMomentResult& result, std::string& reason);

struct RadialDilution {
  double boundary = 0;        // cm
  double reference = 0;       // meniscus (s >= 0) or bottom
  double lastPlateau = 0;     // fraction of the loading at the last scan
  double averagePlateau = 0;  // time average from 0 to the last scan
  double scanAverage = 0;     // mean over the scans
};

// s in svedberg; omega2tLast of the last scan, omega2t of every scan.
bool ComputeRadialDilution(double s, double meniscus, double bottom, double omega2tLast,
                           const std::vector<double>& omega2t, RadialDilution& out,
                           std::string& reason);

struct CellPressure {
  double bottom = 0;  // bar
  double middle = 0;
};

CellPressure ComputePressure(double meniscus, double bottom, double density, double rpm);

struct SpreadRatio {
  double d = 0;              // cm^2/s
  double diffusion = 0;      // cm
  double heterogeneity = 0;  // cm
  double ratio = 0;
};

// mass in kDa, s in S, temperature in C.
bool ComputeSpreadRatio(double meniscus, double bottom, double rpm, double massKDa, double vbar,
                        double density, double temperature, double s, double deltaSOverS,
                        SpreadRatio& out, std::string& reason);
