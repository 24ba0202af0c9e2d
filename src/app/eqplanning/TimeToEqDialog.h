#pragma once
// The planner's parameter dialog "Parameters For Optimizing Time To
// Equilibrium" and the preparation of a planning run: the history speed, a
// rotor speed file to evaluate, and a new result folder in the temp folder.

#include <string>

#include "platform/FormDialog.h"

class TXLAWindow;

// The dialog's entries kept between calls; cleared at start.
extern platform::FormState TimeToEqTransfer;
void ResetTimeToEqTransfer(platform::FormState& transfer);

// Clears the dialog's entries, reads the parameter file of the
// installation folder (silently nothing when it is missing) and creates the
// speed-profile tool's simulation; at start-up.
void InitTimeToEquilibrium();

// The dialog on TimeToEqParameters: 1 on OK (the species' s, D and f/f0
// derived again, the parameter file saved), 0 on Cancel (nothing changed).
int TimeToEqParamsExchange(TXLAWindow& window);
// The exchange, then what a planning run needs: the history speed, the
// rotor speed file, the result folder. 0 on Cancel.
int TimeToEqParamsDialog(TXLAWindow& window);

// Asks for a rotor speed file into RunSpeedFilePath and whether a
// "simparams.txt" beside it is to be used (SimparamsPath). False on Cancel.
bool PickRotorSpeedFile(TXLAWindow& window);

// Message boxes of the planner.
void PlannerMessage(TXLAWindow& window, const std::string& text, const std::string& caption);
bool PlannerQuestion(TXLAWindow& window, const std::string& text, const std::string& caption);

inline constexpr const char* kPlannerCaption = "CALCULATE MINIMUM TIME TO EQ";
