#pragma once
// State of the light-scattering tools that the data layer reads and writes.

// The DLS values in use are field autocorrelations g(1): the DLS writer turns
// them into the intensity autocorrelation g(2)-1 by a signed square as it
// writes them. The saves that convert their values themselves clear it.
extern bool DlsFieldAcf;
