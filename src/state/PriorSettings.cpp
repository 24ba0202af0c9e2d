#include "state/PriorSettings.h"

PriorSettingsRecord PriorSettings;
PriorProfileSourceRecord PriorProfileSource;

bool PriorFileInUse() {
  return !PriorSettings.PriorFileName.empty() && PriorSettings.PriorFileName[0] != '\0';
}

void SwitchPriorFileOff() {
  PriorSettingsRecord& p = PriorSettings;
  if (!PriorFileInUse()) return;
  p.PriorFileInitial = p.PriorFileName[0];
  p.PriorFileName[0] = '\0';
}

void SwitchPriorFileOn() {
  PriorSettingsRecord& p = PriorSettings;
  if (p.PriorFileName.empty() || p.PriorFileName[0] != '\0' || p.PriorFileInitial == '0') return;
  p.PriorFileName[0] = p.PriorFileInitial;
}

bool PriorPeakInUse(const PriorPeak& peak) {
  return peak.Position != 0.0 && peak.Width != -1.0 && peak.Amplitude != 0.0;
}
