#pragma once
// Uncertainty of a result: the confidence interval of s or of M (or D) of
// the first discrete species by F statistics (the parameter is held at
// trial values while the rest is refitted, until the rmsd reaches the
// critical value), and the Monte Carlo analyses of a continuous
// distribution and of its integrated weight-average s.

class CommandTable;
class TXLAWindow;

void CmErrorInS(TXLAWindow& window);
void CmErrorInM(TXLAWindow& window);
void CmMonteCarloForDistributions(TXLAWindow& window);
void CmMonteCarloForIntegratedSw(TXLAWindow& window);

// The number of data points inside the scans' fit ranges.
int FitPointCount();
// The rmsd that the fit may reach at confidence level p with n points:
// sqrt(F(p; n - 1, n) n / (n - 1)) times the best rmsd; 0 for n < 2.
float CriticalRmsd(float p, int n, float rmsd);

void RegisterErrorEstimateCommands(CommandTable& table);
