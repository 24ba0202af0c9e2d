#pragma once
// "Monte-Carlo for Distributions" and "Monte-Carlo for Integrated
// Weight-Average s-Values": the questions, the analysis and the loop over
// other confidence levels or integration limits.

class CommandTable;
class TXLAWindow;

void CmMonteCarloForDistributions(TXLAWindow& window);
void CmMonteCarloForIntegratedSw(TXLAWindow& window);
void RegisterMonteCarloCommands(CommandTable& table);
