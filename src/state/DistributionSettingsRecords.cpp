#include "state/DistributionSettingsRecords.h"

DistributionSettingsRecord DistributionSettings;
DistributionRunFlagsRecord DistributionRunFlags;

void SelectRegularization(RegularizationTypeRecord& type, RegularizationChoice choice) {
  type.MaxEntRegularizationOn = choice == RegularizationChoice::MaxEnt;
  type.SecondDerivativeRegularization = choice == RegularizationChoice::SecondDerivative;
  type.TP3Regularization = choice == RegularizationChoice::TP3;
}
