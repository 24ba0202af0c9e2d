#include "models/SimulationRoads.h"

SimulationRoadsRecord SimulationRoads;
