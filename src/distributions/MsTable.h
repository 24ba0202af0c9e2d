#pragma once
// The M(s) table of the c(s) model with an M(s) table: a two-column text
// file "mofs.dat" in the installation folder giving the molar mass (kDa)
// as a function of s20,w (S). The grid builder loads it; the run and the
// peak displays ask it for the molar mass of a grid point.

#include <string>
#include <vector>

struct MsTableRecord {
  bool MsTableLoaded = false;
  int Rows = 0;
  std::vector<double> S20w, MolarMass;  // [1..Rows]: S and kDa
};

extern MsTableRecord MsTable;

// Reads the installation folder's "mofs.dat"; false when it cannot be read
// (the reader says why).
bool LoadMsTable();
// The table from a file of the caller's choice; false as LoadMsTable.
bool LoadMsTableFrom(const std::string& path);
// Molar mass (g/mol) at the s20,w of s (S, at the run's conditions): linear
// between table rows, towards the origin below the first row, and along
// the last two rows beyond the last. 1 without a table.
double MsTableMolarMass(double s);
void FreeMsTable();
