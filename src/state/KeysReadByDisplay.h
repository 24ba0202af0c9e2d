#pragma once

// Set while a computation's own display reads the keyboard (the diagnostics
// of the reacting system: any key pauses it, "r" runs on, "s" stops): a key
// press is then that display's, and neither the window's input-while-busy
// nor the simulation's poll at scan times turns it into an interrupt.
extern bool KeysReadByDisplay;
