#pragma once
// Preferences of the application shell for light-scattering data.

// "Always Load Intensity Autocorrelation g(2)-1": the DLS loader keeps the
// values as the files hold them instead of converting them to the field
// autocorrelation g(1).
extern bool AlwaysLoadG2;
