#pragma once
// The batch parameter record: everything a caller asks of an unattended run
// (which scans to load, the cell geometry and fit limits, the model and its
// settings, what to run, fit and write), read from the parameter file named
// on the command line. One record lives for the whole run; the batch run
// reads it and the result writer reads it again at exit.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"

// Longest values the fields take, in characters: paths, the channel (scan
// file extension) and the model, regularisation and algorithm names. A
// longer value is refused as unreadable, never cut: a cut path would name
// another file.
inline constexpr std::size_t BatchPathLength = 259;
inline constexpr std::size_t BatchChannelLength = 9;
inline constexpr std::size_t BatchNameLength = 99;

struct CIniCustomPars {
  bool Valid = false;  // the whole file was read and accepted
  // Why the file was refused, naming the key ("Meniscus: "abc" is not a
  // number"); empty when it was accepted or could not be opened.
  std::string Refusal;
  // The parameter file the record was read from.
  std::string ParameterFile;
  // 0 until the command line is taken; then -1 (no handshake) or the length
  // of HandshakeText.
  int HandshakeLength = 0;
  std::string HandshakeText;
  std::string AllDoneFlagFile;
  std::string OutputResultsDirectory;
  std::string DataDirectory;
  std::string Channel;
  int FirstScan = -1;
  int LastScan = -1;
  int ScanInterval = 1;
  float Meniscus = 6.0f;  // cm
  float MeniscusLowerLimit = 5.95f;
  float MeniscusUpperLimit = 6.05f;
  bool MeniscusFitted = true;
  float Bottom = 7.2f;  // cm
  float BottomLowerLimit = 7.18f;
  float BottomUpperLimit = 7.25f;
  bool BottomFitted = false;
  float LeftFitLimit = 6.1f;  // cm
  float RightFitLimit = 7.0f;
  std::string Model;
  std::string RegularizationType;
  float RegularizationPvalue = 0.7f;
  float StartingFrictionalRatio = 1.3f;
  bool FrictionalRatioFitted = true;
  bool BaselineFitted = false;
  bool RINoiseFitted = false;
  bool TINoiseFitted = true;
  int Resolution = 50;
  float Smin = 0.5f;  // S
  float Smax = 10.0f;
  bool GridfromFile = false;
  bool UseLogSpaceSgrid = false;
  float Vbar = 0.73f;                // ml/g
  float BufferDensity = 1.0f;        // g/ml
  float BufferViscosity = 0.01002f;  // poise
  bool SupressBaselineCorrelation = true;
  std::string FittingAlgorithm;
  bool ShowResidualsHistogram = true;
  bool AutoRun = false;
  bool AutoFit = false;
  bool AutoExit = false;
  bool AutoSubtractSystematicNoise = false;
  int NumberComputationThreads = 2;  // at least 1
  bool FilterDataSpikes = true;
  float DataSpikeThreshold = 0.4f;
  bool CheckTimeStamps = false;
  std::optional<std::string> PassThrough;  // copied into the result report
  float FlotationDeconvolutionR = 0.0f;
  float FlotationDeconvolutionD = 0.0f;
  float FlotationMinS = 0.0f;  // S
  float FlotationMaxS = 0.0f;
  int FlotationGridN = 50;
  bool FlotationOnly = true;
  int nIndividualScanFilePaths = 0;
  // [1..nIndividualScanFilePaths] when that is 2 or more; empty otherwise.
  OneBasedArray<std::string> ScanFilePaths;
  float LogSpacedSmin = 10.0f;  // S
  bool SimulateOnly = false;
  float SimulateS = 0.0f;
  float SimulateD = 0.0f;
  float SimulateC = 0.0f;
  bool SaveRadialScanFit = false;
};

// The run's batch parameters; empty until the command line named a file.
extern std::unique_ptr<CIniCustomPars> IniCustomPars;

// Sensible ranges of the counts a file gives: each of them sizes arrays or
// loops, so a damaged value would take memory without end.
inline constexpr int BatchMaxScanNumber = 99999;
inline constexpr int BatchMaxScans = 1000;
inline constexpr int BatchMinResolution = 2;
inline constexpr int BatchMaxResolution = 1000;
inline constexpr int BatchMaxThreads = 256;

// Reads the parameter file into record. True when the whole file was read:
// the four required texts, the scan list (numbered scans, or two or more
// explicit paths), no key given twice, every number readable and within its
// range; record.Valid then is true, otherwise record.Refusal says why. A
// missing optional key, or an unreadable optional switch, leaves its field
// at its default; an optional number that is given but is not a number is
// refused.
bool ReadBatchParameters(CIniCustomPars& record, const std::string& path);

// What the command line (the arguments after the program's name) asks for.
struct CommandLineRequest {
  bool batch = false;                    // a parameter file was named
  std::optional<std::string> handshake;  // the text written back when all is done
  std::string parameterFile;
};

// No argument, or more than two: interactive. One: the parameter file.
// Two: a handshake text, then the parameter file.
CommandLineRequest InterpretCommandLine(const std::vector<std::string>& arguments);

enum class BatchAcceptance {
  RunBatch,     // the batch runs
  Interactive,  // the settings were refused; the program starts interactively
  Exit          // the file could not be read; the program ends
};

// Decides what a read record leads to, showing the reason of a refusal in
// a box without owner and noting it in BatchStatus (code 2): a record that
// is not valid, a simulation without the discrete model or with a zero
// SimulateS, SimulateD or SimulateC, a setting no real run can have
// (ImpossibleBatchSetting) and a flag file path that would overwrite
// another file each end the program. fileName names the file in the
// message.
BatchAcceptance CheckBatchParameters(const CIniCustomPars& record, const std::string& fileName);

// The batch part of the main window's construction: when the command line
// names a parameter file, creates IniCustomPars afresh, reads the file,
// stores the handshake, checks the record, claims the output folder (see
// ClaimBatchOutputFolder; a folder that cannot be claimed ends the program)
// and, when all is accepted, switches BatchMode on and points the fits'
// report file into the output folder. Interactive when no file was named. IniCustomPars
// is set whenever a file was named; the caller then switches the help
// wizard's messages off, whatever the outcome, and on Exit ends the program.
BatchAcceptance TakeBatchCommandLine(const std::vector<std::string>& arguments);
