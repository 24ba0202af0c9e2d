#pragma once
// A serial fit whose sets the user picks in the external monitoring tool
// PELKO: the program starts the tool on the series folder, waits for the
// list of sets that the tool writes ("listOfLists.txt": one list file per
// line; "toBeProcessed.txt": per line a name stem, an extension and the
// first, last and step of the scan numbers), analyses every set and ends
// with the summary "distFinis.txt", whose appearance tells the tool to stop
// watching.

#include <functional>
#include <string>
#include <vector>

class CommandTable;
class TXLAWindow;

struct SerialFitSet {
  std::string ListPath;
  std::string Label;
  float Rmsd = 0.0f, Meniscus = 0.0f, FrictionalRatio = 0.0f;
};

struct SerialFitSetsRecord {
  std::vector<SerialFitSet> Sets;
  std::string SeriesFolder;  // ending with '/'
  std::string ListFile;      // the list of sets the tool writes
  bool ExistingLists = false;
};

extern SerialFitSetsRecord SerialFitSets;

// Where the tool is: a configured path (the environment variable
// TALUVO_PELKO), or "PELKO/PELKO" beside the executable; and how it is
// started (the platform's program start; tests put their own here).
struct MonitorToolRecord {
  std::string ConfiguredPath;
  std::function<bool(const std::string& program, const std::vector<std::string>& arguments)>
      Start;
  // Seconds between two looks for the list file, and the number of looks.
  float WaitSeconds = 1.0f;
  int WaitCount = 10;
};

extern MonitorToolRecord MonitorTool;

std::string MonitorToolPath();

void CmSerializeFitWithMonitor(TXLAWindow& window);
bool SerializeFitMonitor(TXLAWindow& window);
bool ReadSerialFitLists(TXLAWindow& window);
bool BuildSerialScanNames(TXLAWindow& window, std::string& listPath, const std::string& stem,
                          const std::string& extension, int first, int last, int step);
void RunSerialFitSet(TXLAWindow& window);
bool WriteSerialFitSummary(TXLAWindow& window);

// The free name "<name>(<n>)<extension>" for an existing file, counting
// from start; the number used goes into start.
std::string NumberedFreeName(const std::string& path, int& start);

void RegisterMonitorSerialFitCommands(CommandTable& table);
