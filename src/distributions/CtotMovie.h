#pragma once
// The mean field ctot(r, t) of the non-ideal c(s) model as frames: one
// radial profile (mg/ml) per time. Frames are written to and read from CTOT
// files, so that a mean field can be exported, restored with the parameters
// or supplied from outside ("load external"), and can be drawn over the
// data.
//
// CTOT file (text): a header "%d %d %f %f %f %f" (frame count, radius
// count, meniscus, bottom, scale, rotor speed), a line of the frame times, a
// line of the radii, then one line per frame with its values; each value
// "%f " and every line ended by "\n". Reading accepts any whitespace and
// skips what follows the wanted values on a line.

#include <functional>
#include <memory>
#include <string>

#include "data/ScanHeader.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "state/Links.h"

class CCtotMovie {
 public:
  CCtotMovie() = default;
  CCtotMovie(const CCtotMovie&) = delete;
  CCtotMovie& operator=(const CCtotMovie&) = delete;

  // Fills the frames from a field of radialCount + 2 radii (the stored
  // radii with the two 0.5 cm extensions) and frameCount rows in signal
  // units; they are kept in mg/ml. Without counts, arrays, meniscus or
  // bottom the object stays without frames.
  void SetFrames(int frameCount, int radialCount, const float* radii, const double* times,
                 const float* const* field, float meniscus, float bottom,
                 double signalPerConcentration, float rotorSpeed);
  // The frames as a field in signal units: radialCount = RadiusCount − 2,
  // radii shifted to meniscusNow unless it is 0 or within 1e-5 cm of the
  // frames' meniscus; with meniscusNow 0 the frames' meniscus and bottom are
  // returned. False without frames.
  bool CopyToField(int& frameCount, int& radialCount, OneBasedArray<float>& radii,
                   OneBasedArray<double>& times, OneBasedMatrix<float>& field,
                   float& meniscusOut, float& bottomOut, float meniscusNow,
                   double signalPerConcentration) const;
  // Whether the frames serve scans whose last one (in time order) has this
  // header and file name; the messages say why not. lastCovered is the file
  // name of the last scan not later than the last frame ("" when none).
  bool CoversData(const ScanHeader& lastScan, const std::string& lastCovered) const;

  int Write();
  int SaveAs(const std::string& name);
  int Read(const std::string& name);
  void Clear();

  bool Loaded = false;
  std::string FileName;
  int FrameCount = 0;
  int RadiusCount = 0;
  OneBasedArray<float> Radii;       // [1..RadiusCount], cm
  OneBasedArray<float> Times;       // [1..FrameCount], s
  OneBasedMatrix<float> Frames;     // [frame][radius], mg/ml
  float FrameMeniscus = 0.0f, FrameBottom = 0.0f;
  float Scale = 1.0f;  // frames hold ctot × Scale / signal per concentration
  float FrameRotorSpeed = 0.0f;
};

extern std::unique_ptr<CCtotMovie> pCtotMovie;
// The ctot overlay is drawn over the data plot.
extern bool CtotOverlayShown;

// What the frames need of the non-ideal c(s) model, installed at start (a
// call before is reported as never installed). RefreshFromField refills the frames from the model's field when
// that is allocated, valid and in use (and not frozen, for Write).
struct CtotMovieLinksRecord {
  std::function<bool()> FieldInUse = links::Unwired;
  std::function<void()> FillFromField = links::Unwired;
  std::function<bool()> FreezeCtot = links::Unwired;
};
extern CtotMovieLinksRecord CtotMovieLinks;

int EnsureCtotMovie();
void DeleteCtotMovie();

// The companion file of a parameter file: its path, a point and "ctot".
std::string CtotCompanionPath(const std::string& parameterFile);
// Saves the frames (or the model's field) beside the parameter file.
void SaveCtotBesideParameters(const std::string& parameterFile);
// Offers the frames beside a parameter file being restored. Only a
// successful read switches the model to the external mean field
// (UseExternalCtot on, CtotFromDataOnly off): a mean field that failed to
// load or was declined must not be asked for later.
void LoadCtotBesideParameters(platform::WindowHandle window, const std::string& parameterFile);
