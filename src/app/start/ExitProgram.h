#pragma once
// The orderly end of the program: the Exit command.

class TXLAWindow;

// Set once the quit message has been posted: the program ends as soon as
// the message loop runs, and nothing further is started meanwhile.
extern bool ProgramEndRequested;

// Batch results (in batch mode), release of the data, model and simulation
// arrays, the quit message with exit code 0 (or the code of a failed batch
// run) and the farewell sound. Called
// by the Exit command, a refused disclaimer and the About box.
void ExitProgram(TXLAWindow& window);
