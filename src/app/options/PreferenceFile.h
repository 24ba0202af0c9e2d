#pragma once
// The preference file "taluvoparams.ini" in the installation folder: 24
// lines, one number each, read once while the main window is constructed and
// written back whole or one entry at a time when the user changes an option
// and agrees to keep it.
//
//   1 disclaimer agreed          13 optimiser (1 simplex, 2 annealing, 3 LM)
//   2 radial step of the grid    14 suppress baseline correlation (max ent)
//   3-6 live plot updates        15 threads for Lamm equations
//   7 sounds                     16 least time between live updates, s
//   8 scan colours from time     17 DLS data as g(2)-1
//   9 help-wizard messages       18 check time stamps (the sign) and
//  10 regularisation (1-4)       19 their threshold, (t - 1) * 100000
//  11 integration ranges file    20 error propagation to sw
//  12 threads (0: single)        21-23 spike filter and its two levels
//                                24 flag too strong gradients

class TXLAWindow;

inline constexpr int kPreferenceLineCount = 24;

// Applies the file to the options. False when the file is missing or holds
// no number (every option keeps its built-in value and nothing is written).
// In batch mode only the disclaimer entry is applied. Lines missing from an
// older, shorter file take their defaults (asking about two of them) and the
// whole file is written anew.
bool ReadPreferences(TXLAWindow& window);

// Writes all 24 lines from the current options. False, after telling the
// user, when the file cannot be written.
bool WritePreferences(TXLAWindow& window);

// Sets entry index + 1 (index from 0) to value and rewrites the file, every
// line as "%f". False, with nothing changed, when the file is missing or
// shorter than that, or cannot be written.
bool WritePreferenceEntry(TXLAWindow& window, int index, int value);

// floor((threshold - 1) * 100000 * sign), the time-stamp threshold as the
// file keeps it (a negative sign says the check is off), clamped to
// 0..1000000 in magnitude before its conversion: a damaged value must never
// turn into a code of the other sign, which switches the check at the next
// start.
int TimestampThresholdCodeOf(float threshold, float sign = 1.0f);

// The check marks of every option item, from the current options (for the
// set-up of a new window).
void SetOptionCheckMarks(TXLAWindow& window);
