#pragma once
// The concentration-dependent time loop of the Lamm solver: one non-ideal
// species, or several non-ideal species coupled through their total
// concentration (the model switches of CLammIdeal::SetSelfAssociation and
// SetConcentrationDependence). Solve reports its errors as codes 2
// (blow-up), 3 (singular system) and 7 (ks times the loading above 1).

class CLammIdeal;

// The loop serves the set-up: non-ideal single or multiple species; not the
// rapid self-association schemes nor the mean-field model.
bool ConcDependentPropagationAvailable(const CLammIdeal& l);

// Runs the set-up from its current time until the last scan is written (or
// the profile stops changing, or a failure), writing the scans as their
// times come.
void PropagateConcDependent(CLammIdeal& l);
