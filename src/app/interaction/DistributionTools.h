#pragma once
// The distribution menu's commands on the distribution plot: integrate a
// range chosen with a rectangle or the ranges of a file, rescale the plot
// to a range or back to full scale, show the cumulative distribution,
// transform c(s) into c(M), label the peaks with molar masses.

#include <array>
#include <string>
#include <vector>

class TXLAWindow;
class CommandTable;

// The integration ranges read from the file the settings file names.
struct IntegrationRangesRecord {
  int Count = 0;
  // Rows 1..Count of s-min and s-max (slot 0 unused).
  std::vector<std::array<float, 2>> Rows;
  bool Loaded = false;
  std::string RangeFile;
};

extern IntegrationRangesRecord IntegrationRanges;

void BeginDistributionIntegration(TXLAWindow& window);
void PromptRangeRectangle(TXLAWindow& window);
void RescaleDistributionToRange(TXLAWindow& window, float x0, float x1);

void CmIntegrateDistribution(TXLAWindow& window);
void CmDifferentialToIntegral(TXLAWindow& window);
void CmRescaleDistributionPlot(TXLAWindow& window);
void CmFullscaleDistributionPlot(TXLAWindow& window);
void CmTransformCsToCm(TXLAWindow& window);
void CmShowPeakMw(TXLAWindow& window);
void CmUseIntegrationRangesFromFile(TXLAWindow& window);

// The settings file beside the program names the range file; false (no
// message) without the settings file, or after a message when the range
// file holds no pair.
bool LoadIntegrationRanges();
bool SelectIntegrationRangeFile(TXLAWindow& window);
bool IntegrateRangesFromFile(TXLAWindow& window);

void RegisterDistributionToolCommands(CommandTable& table);
