#pragma once
// Importers of the exports of DLS instruments' programs: each parses one
// export and writes the measurement (or every measurement of a series) in
// the program's own DLS format. The lags are held in seconds, the values as
// the intensity autocorrelation g(2)-1. Each returns the number of files
// written for the measurements (1 for a single one) or 0 when the export is
// refused; a refusal says why in an error box captioned "MAKE DLS DATA" and
// writes nothing further.

#include <string>
#include <vector>

#include "data/DlsDataFile.h"

// The settings an export may lack, in the units of the DLS record.
struct DlsMeasurementSettings {
  float refractiveIndex = 1.333f;
  float viscosity = 0.01002f;  // poise
  float wavelength = 0;        // m
  float angle = 90;            // degrees
  float temperature = 20;      // C
  float time = 0;              // s
  float countRate = 1.0f;      // Hz
};

// One measurement as read, before it is written.
struct DlsMeasurement {
  std::vector<float> lags;    // s
  std::vector<float> values;  // g(2)-1
  DlsRecord record;
  std::string title;
};

// Parsers (no files written): true with the measurement, or false with the
// reason.
bool ParseDynamics7(std::string text, bool commas, const DlsMeasurementSettings& s,
                    DlsMeasurement& m, std::string& reason);
bool ParsePhotoCor(const std::string& text, DlsMeasurement& m, std::string& reason);
bool ParseAlv(const std::string& text, DlsMeasurement& m, std::string& reason);
bool ParseBic(const std::string& text, bool oldDos, DlsMeasurement& m, std::string& reason);

// Writes one measurement with linear lags; false after the writer's box.
bool WriteDlsMeasurement(const std::string& path, const DlsMeasurement& m);

int ImportDynamics7(const std::string& source, const std::string& output, float n, float eta,
                    float lambda, float theta, float t);
int ImportPS99v6205(const std::string& source, const std::string& output, float n, float eta,
                    float lambda, float theta, float t);
int ImportPS99v52638(const std::string& source, const std::string& output, float n, float eta,
                     int points, bool writeEach);
int ImportPS99v52005(const std::string& source, const std::string& output, float n, float eta,
                     int points, float theta, float lambda);
int ImportPSv4(const std::string& source, const std::string& output, float n, float eta,
               float lambda, float theta, float t, int points);
int ImportALV(const std::string& source, const std::string& output);
int ImportBIC9kdlsw32(const std::string& source, const std::string& output);
int ImportOldDOSBIC(const std::string& source, const std::string& output);
int ImportPhotoCor(const std::string& source, const std::string& output);
int ImportTwoColumnData(const std::string& source, const std::string& output, float lagUnit,
                        float baseline, const DlsMeasurementSettings& s);
int ImportTwoColumnG2(const std::string& source, const std::string& output,
                      const DlsMeasurementSettings& s);

// The path of a series member in the folder of output: "%05d" or "average"
// with the extension "dlsdat".
std::string SeriesFilePath(const std::string& output, const std::string& stem);
