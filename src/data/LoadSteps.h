#pragma once
// The steps the loaders share, in the order a load takes them. Each works on
// the program-wide data set; the loaders decide which steps run.

#include <string>
#include <vector>

#include "data/FilePathParts.h"
#include "platform/Platform.h"

// One file of a load: where it is read from, and the name the data set keeps.
struct LoadFile {
  std::string FullPath;
  std::string FileName;  // name and extension, no folder
};

// Removes the progress line of a load at every exit of the loader.
class LoadProgressLine {
 public:
  explicit LoadProgressLine(platform::WindowHandle window);
  ~LoadProgressLine();
  LoadProgressLine(const LoadProgressLine&) = delete;
  LoadProgressLine& operator=(const LoadProgressLine&) = delete;
  void Advance(int done, int total);

 private:
  platform::WindowHandle window_;
};

// The point-averaging distance handed to the reader: the radial resolution
// when it is coarser than 0.001 cm, none for equilibrium data.
float LoadAveragingDistance();

// Reads file into the empty slots of scan i and prepares the scan for use:
// intensity columns exchanged, scan time from omega^2 t when asked (w2tTimes),
// model and noise zero, residuals a copy of the signal, plot views. False
// when the file cannot be read; stampChecked receives its time-stamp tag.
bool ReadScanIntoSlot(platform::WindowHandle window, int i, const LoadFile& file,
                      float averagingDistance, bool w2tTimes, bool& stampChecked);

// True when interference files are mixed with files of another kind: the
// letter after the dot of an extension is "I" for one file and not for
// another.
bool MixesInterferenceWithOtherKinds();

// The files kept beside the data, named after the data folder and the file
// name and extension of the scan loaded last (DataFileLocation).
void SetTempParameterFilePath(const PathParts& location);
void SetSdistFilePath(const PathParts& location);
void SetNotesFilePath(const PathParts& location, const LoadFile& first);

// Buffer temperature and RT from the temperature of the scan loaded last.
void SetRunTemperature();

// Meniscus and bottom from the first file, fit limits inside them, each only
// where not set yet; then the default ranges of meniscus and bottom.
void SetMeniscusBottomLimitDefaults();

// ScanTimeOrder sorted by time, scans of equal times in their present order.
void SortScansByTime();

// Noise and baseline fit defaults for the kind of data (skipped with
// setFlags false), the electrophoresis switches and the noise buttons.
void SetNoiseDefaults(platform::WindowHandle window, bool setFlags);

// Common grid, fit indices and the component grid arrays of the loaded set.
void BuildGridAndFitIndices();
