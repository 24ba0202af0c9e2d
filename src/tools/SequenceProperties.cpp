#include "tools/SequenceProperties.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

// Average mass of a hydrogen atom (Da).
constexpr double kHydrogenMass = 1.008;

struct Residue {
  char letter;
  double mass;       // Da
  double vbar25;     // ml/g
  double refract;    // specific refractivity, ml/g
  double vbar20;     // ml/g, per-residue set
  double tempCoeff;  // ml/g/C
};

constexpr Residue kResidues[] = {
    {'A', 71.079, 0.74, 0.242, 0.744, 0.0005695},  {'C', 103.144, 0.63, 0.238, 0.615, 0.0005453},
    {'D', 115.089, 0.60, 0.227, 0.604, 0.0006989}, {'E', 129.116, 0.66, 0.233, 0.657, 0.0006462},
    {'F', 147.177, 0.77, 0.287, 0.776, 0.0007857}, {'G', 57.052, 0.64, 0.225, 0.632, 0.000549},
    {'H', 137.142, 0.67, 0.253, 0.686, 0.0006274}, {'I', 113.160, 0.90, 0.282, 0.884, 0.0006677},
    {'K', 128.174, 0.82, 0.266, 0.811, 0.0004793}, {'L', 113.160, 0.90, 0.279, 0.894, 0.0004737},
    {'M', 131.198, 0.75, 0.263, 0.758, 0.0007695}, {'N', 114.104, 0.62, 0.229, 0.634, 0.0008368},
    {'P', 97.117, 0.76, 0.245, 0.765, 0.0006153},  {'Q', 128.131, 0.67, 0.237, 0.682, 0.0005644},
    {'R', 156.188, 0.70, 0.253, 0.726, 0.0006408}, {'S', 87.078, 0.63, 0.220, 0.634, 0.0004773},
    {'T', 101.105, 0.70, 0.236, 0.705, 0.0004957}, {'V', 99.133, 0.86, 0.270, 0.843, 0.0004297},
    {'W', 186.213, 0.74, 0.297, 0.737, 0.0004936}, {'Y', 163.170, 0.71, 0.272, 0.706, 0.0006207},
};

bool IsStandardResidue(char c) {
  for (const Residue& r : kResidues)
    if (r.letter == c) return true;
  return false;
}

std::string Format(const char* format, double a) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, a);
  return buffer;
}

std::string Format(const char* format, double a, double b) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

}  // namespace

ResidueCounts CountResidues(const std::string& text) {
  ResidueCounts n;
  const std::size_t length = text.size() < 29999 ? text.size() : 29999;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    if (IsStandardResidue(c)) {
      n[c] += 1;
      ++n.residues;
    } else if (c == 'B') {
      n['N'] += 0.5f;
      n['D'] += 0.5f;
      ++n.residues;
      n.notes.push_back("found B in sequence = either N or D: averaging values from both");
    } else if (c == 'J') {
      n['I'] += 0.5f;
      n['L'] += 0.5f;
      ++n.residues;
      n.notes.push_back("found J in sequence = either I or L: averaging values from both");
    } else if (c == 'Z') {
      for (char z : {'E', 'Q', 'G'}) n[z] += 1.0f / 3.0f;
      ++n.residues;
      n.notes.push_back("found Z in sequence = either E, Q, or G: averaging values from all");
    } else if (c == 'O') {
      n.notes.push_back("found O in sequence: will be ignored");
    } else if (c == 'U') {
      n.notes.push_back("found U in sequence: unknown will be ignored");
    } else if (c == 'X') {
      n.notes.push_back("found X in sequence: unknown will be ignored");
    }
  }
  return n;
}

SequenceProperties ComputeSequenceProperties(const ResidueCounts& n,
                                             const SequenceConditions& c) {
  SequenceProperties p;
  const double f = c.disulfideFraction;
  double mass = 18.0;
  double total = 0;
  for (const Residue& r : kResidues) {
    // A disulfide joins two cysteines and removes one hydrogen from each.
    const double residueMass = r.letter == 'C' ? r.mass - kHydrogenMass * f : r.mass;
    mass += n[r.letter] * residueMass;
    total += n[r.letter];
  }
  p.mass = mass;
  const double W = n['W'], Y = n['Y'], C = n['C'];
  p.ext280First = 5500 * W + 1490 * Y + 62.5 * f * C;
  // Both methods count the cystine (a bonded pair), not the free cysteine:
  // f C / 2 cystines.
  p.ext280Second = 5690 * W + 1280 * Y + 120 * 0.5 * f * C;
  p.ext288 = 4815 * W + 385 * Y + 75 * 0.5 * f * C;
  p.ext205 = 20400 * W + 6080 * Y + (690 + 410 * f) * C + 8600 * n['F'] + 5200 * n['H'] +
             1830 * n['M'] + 1350 * n['R'] + 400 * n['D'] + 400 * n['E'] + 2780 * (total - 1);

  double sumB = 0, sumE = 0, sumD = 0, sumC = 0;
  for (const Residue& r : kResidues) {
    const double w = n[r.letter] * r.mass;
    sumB += w * r.vbar25;
    sumE += w * r.vbar20;
    sumD += w * r.tempCoeff;
    sumC += w * r.refract;
  }
  p.vbar25 = sumB / mass;
  p.vbarStandard = p.vbar25 + (c.temperature - 25.0) * 0.000425;
  p.vbarPerResidue = sumE / mass + (c.temperature - 20.0) * sumD / mass;

  const double r = sumC / mass;
  const float np2 = static_cast<float>((2 * r + p.vbar25) / (p.vbar25 - r));
  const double ns = c.solventIndex;
  const double G = 1.5 * p.vbar25 * ns * (np2 - ns * ns) / (np2 + 2 * ns * ns);
  const double G1 = G * 1.0023555229104262;
  const double lambda = c.wavelength;
  p.dndc589 = G;
  p.dndcLambda = (0.94 + 20000.0 / (lambda * lambda)) * G1;
  p.dndcAtT = p.dndcLambda - (c.temperature - 25.0) * 0.0025 / 30.0;
  const double G2 = G1 * 0.9866173299924246 - (c.temperature - 25.0) * 0.0025 / 30.0;
  p.fringesPerMgMl = G2 * 0.012 * 0.001 * 1526717.5572519084;
  p.fringeCoefficient = p.fringesPerMgMl * 0.8333333333333334 * mass;
  return p;
}

std::string SequenceReport(const ResidueCounts& n, const SequenceConditions& c,
                           const SequenceProperties& p) {
  std::string s = Format("%.0f amino acids read:\n", n.residues);
  s += Format("mass = %.1f Da\n", p.mass);
  s += Format("molar extinction coefficient: %.0f OD280/Mcm (Pace et al., Protein Sci. 1995)\n",
              p.ext280First);
  s += Format("molar extinction coefficient: %.0f OD280/Mcm (Gill and von Hippel, Anal. Biochem. "
              "1989)\n",
              p.ext280Second);
  s += Format("molar extinction coefficient: %.0f OD288/Mcm (Edelhoch, Biochemistry 1967)\n",
              p.ext288);
  s += Format("molar extinction coefficient: %.0f OD205/Mcm (Anthis and Clore, Protein Sci. "
              "2013)\n",
              p.ext205);
  char line[300];
  std::snprintf(line, sizeof line,
                "vbar (%.1fC, Cohn-Edsall, standard temp coefficient) = %.4f ml/g, vbar (%.1fC, "
                "Perkins consensus, per residue temp coefficient) = %.4f ml/g\n",
                c.temperature, p.vbarStandard, c.temperature, p.vbarPerResidue);
  s += line;
  s += Format("dndc (25C, 589.3 nm) = %.4f ml/g\n", p.dndc589);
  s += Format("dndc (25C, %.1f nm) = %.4f ml/g\n", c.wavelength, p.dndcLambda);
  std::snprintf(line, sizeof line, "estimated dndc (%.1fC, %.1f nm) = %.4f ml/g\n",
                c.temperature, c.wavelength, p.dndcAtT);
  s += line;
  s += Format("fringes per mg/ml (12 mm pathlength, 655 nm laser, %.1fC) = %.3f\n", c.temperature,
              p.fringesPerMgMl);
  s += Format("fringe coefficient (fringe/[M cm]) = %.1f", p.fringeCoefficient);
  return s;
}
