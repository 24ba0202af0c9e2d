#include "distributions/CtotMovie.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "models/TempParameterFile.h"
#include "ui/Boxes.h"

std::unique_ptr<CCtotMovie> pCtotMovie;
bool CtotOverlayShown = false;
CtotMovieLinksRecord CtotMovieLinks;

namespace {

void ReportUnopened(const std::string& name) {
  std::printf("\n\aAttention: could not open %s", name.c_str());
  std::fflush(stdout);
}

// Reads numbers as "%f" does, across any whitespace, from a text held in
// memory; skips the rest of a line after each group.
class NumberReader {
 public:
  explicit NumberReader(std::string text) : text_(std::move(text)) {}
  bool Next(double& value) {
    const char* start = text_.c_str() + pos_;
    char* end = nullptr;
    value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value)) return false;
    pos_ += static_cast<std::size_t>(end - start);
    return true;
  }
  bool Next(int& value) {
    const char* start = text_.c_str() + pos_;
    char* end = nullptr;
    const long v = std::strtol(start, &end, 10);
    if (end == start || v < -2147483647L || v > 2147483647L) return false;
    value = static_cast<int>(v);
    pos_ += static_cast<std::size_t>(end - start);
    return true;
  }
  // count numbers into out; false at the first one missing.
  bool Group(int count, std::vector<float>& out) {
    out.clear();
    for (int k = 0; k < count; ++k) {
      double v = 0.0;
      if (!Next(v)) return false;
      out.push_back(static_cast<float>(v));
    }
    SkipLine();
    return true;
  }
  void SkipLine() {
    const auto newline = text_.find('\n', pos_);
    pos_ = newline == std::string::npos ? text_.size() : newline + 1;
  }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

}  // namespace

void CCtotMovie::Clear() {
  Times = OneBasedArray<float>{};
  Radii = OneBasedArray<float>{};
  Frames = OneBasedMatrix<float>{};
  FrameCount = RadiusCount = 0;
  Loaded = false;
}

void CCtotMovie::SetFrames(int frameCount, int radialCount, const float* radii,
                           const double* times, const float* const* field, float meniscus,
                           float bottom, double signalPerConcentration, float rotorSpeed) {
  Clear();
  if (frameCount <= 0 || radialCount <= 0 || radii == nullptr || times == nullptr ||
      field == nullptr || !(meniscus > 0) || !(bottom > 0) || signalPerConcentration == 0)
    return;
  FrameMeniscus = meniscus;
  FrameBottom = bottom;
  FrameRotorSpeed = rotorSpeed;
  Scale = 1.0f;
  FrameCount = frameCount;
  RadiusCount = radialCount + 2;
  Times = OneBasedArray<float>(1, FrameCount);
  Radii = OneBasedArray<float>(1, RadiusCount);
  Frames = OneBasedMatrix<float>(1, FrameCount, 1, RadiusCount);
  for (int i = 1; i <= FrameCount; ++i) Times[i] = static_cast<float>(times[i]);
  for (int j = 1; j <= RadiusCount; ++j) Radii[j] = radii[j];
  const double factor = Scale / signalPerConcentration;
  for (int k = 1; k <= FrameCount; ++k)
    for (int l = 1; l <= RadiusCount; ++l)
      Frames[k][l] = static_cast<float>(field[k][l] * factor);
  Loaded = true;
}

bool CCtotMovie::CopyToField(int& frameCount, int& radialCount, OneBasedArray<float>& radii,
                             OneBasedArray<double>& times, OneBasedMatrix<float>& field,
                             float& meniscusOut, float& bottomOut, float meniscusNow,
                             double signalPerConcentration) const {
  if (!Loaded || RadiusCount < 3 || FrameCount < 1 || signalPerConcentration == 0) return false;
  frameCount = FrameCount;
  radialCount = RadiusCount - 2;
  times = OneBasedArray<double>(1, FrameCount);
  radii = OneBasedArray<float>(1, RadiusCount);
  field = OneBasedMatrix<float>(1, FrameCount, 1, RadiusCount);
  for (int i = 1; i <= FrameCount; ++i) times[i] = Times[i];
  const bool keep = meniscusNow == 0.0f || std::fabs(meniscusNow - FrameMeniscus) < 1e-5f;
  const float shift = keep ? 0.0f : meniscusNow - FrameMeniscus;
  for (int j = 1; j <= RadiusCount; ++j) radii[j] = Radii[j] + shift;
  const double factor = Scale / signalPerConcentration;
  for (int k = 1; k <= FrameCount; ++k)
    for (int l = 1; l <= RadiusCount; ++l)
      field[k][l] = static_cast<float>(Frames[k][l] / factor);
  if (meniscusNow == 0.0f) {
    meniscusOut = FrameMeniscus;
    bottomOut = FrameBottom;
  }
  return true;
}

bool CCtotMovie::CoversData(const ScanHeader& lastScan, const std::string& lastCovered) const {
  if (!Loaded) return false;
  if (lastScan.Rpm != FrameRotorSpeed) {
    ErrorBox("use external mean field: wrong rotor speed");
    return false;
  }
  if (lastScan.Time > Times[FrameCount]) {
    ErrorBox("use external mean field: does not cover experimental time");
    // Without a scan inside the frames' span there is none to name.
    ErrorBox(lastCovered.empty()
                 ? std::string("please reload scans within the time of the mean field")
                 : "please reload scans not exceeding " + lastCovered);
    return false;
  }
  return true;
}

int CCtotMovie::Write() {
  if (!Loaded || FileName.empty()) return 0;
  if (!(CtotMovieLinks.FreezeCtot && CtotMovieLinks.FreezeCtot()) && CtotMovieLinks.FieldInUse &&
      CtotMovieLinks.FieldInUse() && CtotMovieLinks.FillFromField)
    CtotMovieLinks.FillFromField();
  std::FILE* f = std::fopen(FileName.c_str(), "w");
  if (f == nullptr) {
    ReportUnopened(FileName);
    return 0;
  }
  std::fprintf(f, "%d %d %f %f %f %f\n", FrameCount, RadiusCount,
               static_cast<double>(FrameMeniscus), static_cast<double>(FrameBottom),
               static_cast<double>(Scale), static_cast<double>(FrameRotorSpeed));
  for (int i = 1; i <= FrameCount; ++i) std::fprintf(f, "%f ", static_cast<double>(Times[i]));
  std::fprintf(f, "\n");
  for (int j = 1; j <= RadiusCount; ++j) std::fprintf(f, "%f ", static_cast<double>(Radii[j]));
  std::fprintf(f, "\n");
  for (int k = 1; k <= FrameCount; ++k) {
    for (int l = 1; l <= RadiusCount; ++l)
      std::fprintf(f, "%f ", static_cast<double>(Frames[k][l]));
    std::fprintf(f, "\n");
  }
  std::fclose(f);
  return 1;
}

int CCtotMovie::SaveAs(const std::string& name) {
  if (!Loaded) return 0;
  FileName = name;
  return Write();
}

int CCtotMovie::Read(const std::string& name) {
  Clear();
  FileName = name;
  std::ifstream file(name);
  if (!file) {
    ReportUnopened(name);
    return 0;
  }
  std::stringstream buffer;
  buffer << file.rdbuf();
  NumberReader in(buffer.str());
  int frames = 0, radii = 0;
  double header[4] = {};
  if (!in.Next(frames) || !in.Next(radii)) return 0;
  for (double& v : header)
    if (!in.Next(v)) return 0;
  in.SkipLine();
  if (frames < 1 || radii < 1) return 0;
  // Every value is read before anything is allocated for it, so a header
  // claiming more than the file holds fails at the first missing value.
  std::vector<float> times, radiiValues, row;
  if (!in.Group(frames, times) || !in.Group(radii, radiiValues)) return 0;
  std::vector<std::vector<float>> rows;
  for (int k = 1; k <= frames; ++k) {
    if (!in.Group(radii, row)) return 0;
    rows.push_back(row);
  }
  FrameCount = frames;
  RadiusCount = radii;
  FrameMeniscus = static_cast<float>(header[0]);
  FrameBottom = static_cast<float>(header[1]);
  Scale = static_cast<float>(header[2]);
  FrameRotorSpeed = static_cast<float>(header[3]);
  Times = OneBasedArray<float>(1, frames);
  Radii = OneBasedArray<float>(1, radii);
  Frames = OneBasedMatrix<float>(1, frames, 1, radii);
  for (int i = 1; i <= frames; ++i) Times[i] = times[static_cast<std::size_t>(i - 1)];
  for (int j = 1; j <= radii; ++j) Radii[j] = radiiValues[static_cast<std::size_t>(j - 1)];
  for (int k = 1; k <= frames; ++k)
    for (int l = 1; l <= radii; ++l)
      Frames[k][l] = rows[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(l - 1)];
  Loaded = true;
  return 1;
}

int EnsureCtotMovie() {
  if (!pCtotMovie) pCtotMovie = std::make_unique<CCtotMovie>();
  return 1;
}

void DeleteCtotMovie() {
  pCtotMovie.reset();
}

std::string CtotCompanionPath(const std::string& parameterFile) {
  return parameterFile + ".ctot";
}

void SaveCtotBesideParameters(const std::string& parameterFile) {
  if (!pCtotMovie || !pCtotMovie->Loaded) {
    if (!(CtotMovieLinks.FieldInUse && CtotMovieLinks.FieldInUse() && CtotMovieLinks.FillFromField))
      return;
    EnsureCtotMovie();
    CtotMovieLinks.FillFromField();
  }
  if (pCtotMovie && pCtotMovie->Loaded) pCtotMovie->SaveAs(CtotCompanionPath(parameterFile));
}

void LoadCtotBesideParameters(platform::WindowHandle window, const std::string& parameterFile) {
  const std::string path = CtotCompanionPath(parameterFile);
  if (!FileExists(path)) return;
  EnsureCtotMovie();
  const platform::BoxAnswer answer = platform::Current().ShowMessageBox(
      {window, "also load mean field CTOT data from " + path + " ?", "NONIDEAL CTOT DATA",
       platform::BoxIcon::Question, platform::BoxButtons::YesNo});
  if (answer != platform::BoxAnswer::Yes) return;
  if (!pCtotMovie->Read(path)) {
    platform::Current().ShowMessageBox({window, "sorry loading CTOT DATA file failed",
                                        "select NONIDEAL CTOT DATA files", platform::BoxIcon::None,
                                        platform::BoxButtons::Ok});
    return;
  }
  CorrectionOptions.Ctot.UseExternalCtot = true;
  CorrectionOptions.Ctot.CtotFromDataOnly = false;
}
