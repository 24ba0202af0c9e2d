#include "data/ComponentGridSignals.h"

#include "data/CommonRadialGrid.h"

ComponentGridSignalsRecord ComponentGridSignals;

void AllocComponentGridArrays() {
  auto& g = ComponentGridSignals;
  FreeComponentGridArrays();
  const int scans = ScanDataSet.NFILES;
  const int size = CommonRadialGrid.CommonGridSize;
  for (int k = 1; k <= NCOMP; ++k) {
    if (!ModelParameters.ComponentOn[static_cast<std::size_t>(k)]) continue;
    ComponentGridArrays& c = g.Component[static_cast<std::size_t>(k)];
    c.ScanSignals.Resize(1, scans);
    for (int i = 1; i <= scans; ++i) c.ScanSignals[i].Resize(1, size);
    c.GridValues.Resize(1, size);
    c.ScanValues.Resize(1, scans);
    c.Allocated = true;
  }
  g.ScanCount = scans;
  g.GridSize = size;
}

void FreeComponentGridArrays() {
  auto& g = ComponentGridSignals;
  for (auto& c : g.Component) c = ComponentGridArrays{};
  g.ScanCount = 0;
  g.GridSize = 0;
}
