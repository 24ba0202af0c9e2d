// Mass, extinction, vbar and dn/dc from a sequence: small sequences worked by
// hand, the ambiguous letters, and a real protein against its known mass.
#include <gtest/gtest.h>

#include "tools/SequenceProperties.h"

namespace {

SequenceProperties Compute(const std::string& sequence, float disulfide = 0.005f) {
  SequenceConditions c;
  c.disulfideFraction = disulfide;
  return ComputeSequenceProperties(CountResidues(sequence), c);
}

TEST(SequenceProperties, TriAlanine) {
  const SequenceProperties p = Compute("AAA");
  EXPECT_NEAR(p.mass, 231.237, 1e-9);
  EXPECT_EQ(p.ext280First, 0);
  EXPECT_EQ(p.ext280Second, 0);
  EXPECT_EQ(p.ext205, 5560);
  EXPECT_NEAR(p.vbar25, 0.74 * 213.237 / 231.237, 1e-12);
  EXPECT_NEAR(p.vbar25, 0.68240, 5e-6);
}

TEST(SequenceProperties, TryptophanAndCystine) {
  const SequenceProperties w = Compute("W");
  EXPECT_EQ(w.ext280First, 5500);
  EXPECT_EQ(w.ext280Second, 5690);
  EXPECT_EQ(w.ext288, 4815);
  EXPECT_EQ(w.ext205, 20400);
  // Two cysteines fully in a disulfide: two hydrogens fewer (2.016 Da) and
  // one cystine in every method that counts cystines; free cysteines absorb
  // nothing at 280 and 288 nm.
  const SequenceProperties free = Compute("ACCA", 0.0f);
  const SequenceProperties bonded = Compute("ACCA", 1.0f);
  EXPECT_NEAR(free.mass - bonded.mass, 2.016, 1e-9);
  EXPECT_EQ(free.ext280First, 0);
  EXPECT_EQ(free.ext280Second, 0);
  EXPECT_EQ(free.ext288, 0);
  EXPECT_NEAR(bonded.ext280First, 125.0, 1e-9);
  EXPECT_NEAR(bonded.ext280Second, 120.0, 1e-9);
  EXPECT_NEAR(bonded.ext288, 75.0, 1e-9);
}

TEST(SequenceProperties, LettersAndCounting) {
  const ResidueCounts lower = CountResidues("ak b");
  EXPECT_EQ(lower['A'], 1);
  EXPECT_EQ(lower['K'], 1);
  EXPECT_FLOAT_EQ(lower['N'], 0.5f);
  EXPECT_FLOAT_EQ(lower['D'], 0.5f);
  EXPECT_EQ(lower.residues, 3);
  ASSERT_EQ(lower.notes.size(), 1u);
  EXPECT_EQ(lower.notes[0], "found B in sequence = either N or D: averaging values from both");
  // O, U and X are noted and not counted; digits and punctuation skipped.
  const ResidueCounts odd = CountResidues("GOU,X(1)Z");
  EXPECT_EQ(odd.residues, 2);
  EXPECT_EQ(odd.notes.size(), 4u);
  EXPECT_NEAR(odd['E'] + odd['Q'] + odd['G'], 2.0, 1e-6);
}

TEST(SequenceProperties, HenEggLysozymeMass) {
  // Mature hen egg-white lysozyme, 129 residues: 14,313 Da by the average
  // residue masses with its eight cysteines reduced.
  const std::string lysozyme =
      "KVFGRCELAAAMKRHGLDNYRGYSLGNWVCAAKFESNFNTQATNRNTDGSTDYGILQINSRWWCNDGRTPGSRNLCNIPCSALLSSD"
      "ITASVNCAKKIVSDGNGMNAWVAWRNRCKGTDVQAWIRGCRL";
  const ResidueCounts n = CountResidues(lysozyme);
  EXPECT_EQ(n.residues, 129);
  const SequenceProperties p = Compute(lysozyme, 1.0f);
  EXPECT_NEAR(Compute(lysozyme, 0.0f).mass, 14313.1, 1.0);
  // With its four disulfides: 14,305 Da (the mass of the oxidised protein),
  // and 6 W, 3 Y and 4 cystines in each 280-nm method (Gill and von Hippel:
  // 38,460).
  EXPECT_NEAR(p.mass, 14305.0, 1.0);
  EXPECT_EQ(p.ext280First, 6 * 5500 + 3 * 1490 + 4 * 125);
  EXPECT_EQ(p.ext280Second, 38460);
  EXPECT_GT(p.vbar25, 0.70);
  EXPECT_LT(p.vbar25, 0.73);
  EXPECT_GT(p.dndc589, 0.18);
  EXPECT_LT(p.dndc589, 0.20);
}

}  // namespace
