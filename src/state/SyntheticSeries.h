#pragma once
// State of the commands that generate synthetic data sets, read by the
// generator and the exports.

// The "Series" command is generating and exporting a series of synthetic
// data sets: no fit limits are touched, nothing is repainted, and the export
// to the sibling program asks no questions.
extern bool SeriesGenerationRunning;
// The total loading concentration (signal units) that the "Single" command
// stores for the self-association models before it generates data.
extern float SyntheticTotalLoading;
