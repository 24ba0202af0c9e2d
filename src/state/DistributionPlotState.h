#pragma once
// State of the distribution plot, the third plot of the main window: what it
// shows, the switches the model commands set around its rebuild, and where
// it sits in the plot space (rows of the 1000-unit height).

struct DistributionPlotStateRecord {
  // The plot holds the two-dimensional display of an s x f/f0 model.
  bool Dist2DShown = false;
  // Set by the continuous-model commands only around their rebuild of the
  // plot: a model choice needs no hint to recalculate.
  bool SuppressRecalculateHint = false;
  // Set by the f(M)-versus-M command, cleared by Run and Fit: its rebuild
  // leaves the residuals alone.
  bool FMModelJustSet = false;
  int DistPlotTop = 630;
  int DistPlotBottom = 950;
  // Half-size of the squares of the two-dimensional scatter.
  int Ff0ScatterSymbolSize = 10;
};

extern DistributionPlotStateRecord DistributionPlotState;
