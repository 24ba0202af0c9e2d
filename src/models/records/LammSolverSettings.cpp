#include "models/records/LammSolverSettings.h"

LammSolverSettingsRecord LammSolverSettings;
