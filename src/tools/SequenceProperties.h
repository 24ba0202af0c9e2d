#pragma once
// A protein's molar mass, extinction coefficients, partial specific volume
// and refractive increment from its amino-acid sequence in one-letter code,
// by residue increments.

#include <array>
#include <string>
#include <vector>

struct ResidueCounts {
  std::array<float, 26> count{};  // A..Z; ambiguous codes add fractions
  int residues = 0;               // characters counted as residues
  // The notes to show, one per ambiguous or unknown letter met, in order.
  std::vector<std::string> notes;
  float& operator[](char letter) { return count[static_cast<std::size_t>(letter - 'A')]; }
  float operator[](char letter) const { return count[static_cast<std::size_t>(letter - 'A')]; }
};

// Counts the residues of text (upper or lower case; at most the first 29999
// characters); characters that are no residue code are skipped.
ResidueCounts CountResidues(const std::string& text);

struct SequenceConditions {
  float disulfideFraction = 0.005f;  // of the cysteines
  float temperature = 20.0f;         // C
  float solventIndex = 1.334f;       // refractive index of the buffer at 25 C
  float wavelength = 580.0f;         // nm
};

struct SequenceProperties {
  double mass = 0;                 // Da
  double ext280First = 0;          // M^-1 cm^-1, first and second method
  double ext280Second = 0;
  double ext288 = 0;
  double ext205 = 0;
  double vbar25 = 0;               // ml/g
  double vbarStandard = 0;         // at T, standard temperature coefficient
  double vbarPerResidue = 0;       // at T, per-residue coefficients
  double dndc589 = 0;              // 25 C, 589.3 nm
  double dndcLambda = 0;           // 25 C, the given wavelength
  double dndcAtT = 0;              // T, the given wavelength
  double fringesPerMgMl = 0;       // 12 mm, 655 nm, T
  double fringeCoefficient = 0;    // fringes per molar per cm
};

SequenceProperties ComputeSequenceProperties(const ResidueCounts& counts,
                                             const SequenceConditions& conditions);

// The result box text of the sequence calculator.
std::string SequenceReport(const ResidueCounts& counts, const SequenceConditions& conditions,
                           const SequenceProperties& p);
