// The importers of DLS instrument exports on small exports written by hand
// in each layout: units, offsets and counts as the files state them, the
// written file read back, and short or malformed exports refused.
#include <gtest/gtest.h>

#include <cmath>

#include "data/DlsDataFile.h"
#include "support/TestSupport.h"
#include "tools/DlsImporters.h"

namespace {

class DlsImporters : public HeadlessTest {
 protected:
  // The written file read back: lags in seconds and g(2)-1 values.
  void ReadBack(const std::string& path, DlsRecord& record, std::vector<double>& lags,
                std::vector<double>& values) {
    int count = 0;
    OneBasedArray<float> l, v;
    ASSERT_TRUE(ReadDLSDataFile(path, &record, &count, &l, &v, true));
    for (int k = 1; k <= count; ++k) {
      lags.push_back(std::pow(10.0, l[k]));
      values.push_back(v[k]);
    }
  }
  ScratchFolder folder;
};

TEST_F(DlsImporters, Dynamics7) {
  const std::string source = folder.Write(
      "d7.csv", "Sample,x\nTime (us),Coef\n1.5,1.25\n3,1.125\n\n99,1.0\n");
  const std::string out = folder.File("00001.dlsdat");
  ASSERT_EQ(ImportDynamics7(source, out, 1.333f, 0.01002f, 660e-9f, 90, 20), 1);
  DlsRecord r;
  std::vector<double> lags, values;
  ReadBack(out, r, lags, values);
  ASSERT_EQ(lags.size(), 2u);  // the empty line ends the block
  EXPECT_NEAR(lags[0], 1.5e-6, 1e-11);
  EXPECT_NEAR(values[0], 0.25, 1e-6);
  EXPECT_NEAR(values[1], 0.125, 1e-6);
  EXPECT_FLOAT_EQ(r.DlsTemperature, 20);
  EXPECT_FLOAT_EQ(r.DlsSetting3, 1.0f);
  EXPECT_NEAR(r.DlsSetting7, 660e-9, 1e-12);
}

TEST_F(DlsImporters, AlvTimeTemperatureAndUnits) {
  const std::string text =
      "ALV-5000/E-WIN Data\nDate :\t\"01.02.2003\"\nTime :\t\"12:34:56\"\n"
      "Temperature [K] :\t     298.15000\nViscosity [cp]  :\t       0.89000\n"
      "Refractive Index:\t       1.33200\nWavelength [nm] :\t     632.80000\n"
      "Angle [\xb0]       :\t      90.00000\nMeanCR0 [kHz]   :\t      12.50000\n"
      "\"Correlation\"\n  2.0E-004\t  0.75\n  4.0E-004\t  0.5\n\n\"Count Rate\"\n";
  const std::string source = folder.Write("alv.asc", text);
  DlsMeasurement m;
  std::string reason;
  ASSERT_TRUE(ParseAlv(text, m, reason)) << reason;
  EXPECT_EQ(m.record.DlsTime, 45296.0);
  EXPECT_NEAR(m.record.DlsTemperature, 25.0, 1e-4);
  EXPECT_NEAR(m.record.DlsViscosity, 0.0089, 1e-9);
  EXPECT_NEAR(m.record.DlsSetting7, 632.8e-9, 1e-13);
  EXPECT_NEAR(m.record.DlsSetting3, 12500, 1e-3);
  ASSERT_EQ(m.lags.size(), 2u);
  EXPECT_NEAR(m.lags[0], 2e-7, 1e-13);
  EXPECT_EQ(ImportALV(source, folder.File("alv.dlsdat")), 1);
  // Without a line end after the data the export is cut short: refused.
  EXPECT_FALSE(ParseAlv(text.substr(0, text.find("  0.5\n") + 5), m, reason));
}

std::string BicExport(double k1, double k2, int pairs) {
  std::string text = "1 25000.5 3 4 5 6 " + std::to_string(k1) + " 8 90 532 298.15 0.89 13 1.33";
  for (int t = 15; t <= 20; ++t) text += " " + std::to_string(t);
  text += " " + std::to_string(k2) + " 22 1000\n";
  for (int t = 24; t <= 37; ++t) text += std::to_string(t) + " ";
  text += "\n";
  for (int k = 1; k <= pairs; ++k) text += std::to_string(k) + " 1500\n";
  text += "lysozyme\nme\nrun 1\nday 2\n";
  return text;
}

TEST_F(DlsImporters, BicCountsAndBaseline) {
  DlsMeasurement m;
  std::string reason;
  ASSERT_TRUE(ParseBic(BicExport(136.0, 8.0, 144), false, m, reason)) << reason;
  ASSERT_EQ(m.lags.size(), 144u);
  EXPECT_NEAR(m.lags[0], 1e-6, 1e-12);
  EXPECT_NEAR(m.values[0], 0.5, 1e-6);  // 1500 / 1000 - 1
  EXPECT_NEAR(m.record.DlsTemperature, 25.0, 1e-4);
  EXPECT_EQ(m.title, "sample: lysozyme, operator: me, run 1, day 2");
  // A header promising more pairs than the file holds is refused.
  EXPECT_FALSE(ParseBic(BicExport(136.0, 8.0, 100), false, m, reason));
  EXPECT_FALSE(ParseBic("1 2 3\n", false, m, reason));
}

TEST_F(DlsImporters, PhotoCorWavelengthInNanometres) {
  const std::string text =
      "PhotoCor Runtime Report\nTemperature, C: 25\nViscosity, cP: 0.89\n"
      "Refractive index: 1.33\nLaser wavelength, nm: 633\nScatteting angle, deg: 90\n"
      "Mean signal intensity, Hz: 50000\nSample time, s: 1e-6\nNumber of channels: 2\n"
      "ARG[1] = 1\nACF[1] = 0.8\nARG[2] = 2\nACF[2] = 0.6\n";
  DlsMeasurement m;
  std::string reason;
  ASSERT_TRUE(ParsePhotoCor(text, m, reason)) << reason;
  EXPECT_NEAR(m.record.DlsSetting7, 633e-9, 1e-13);
  EXPECT_NEAR(m.record.DlsViscosity, 0.0089, 1e-9);
  ASSERT_EQ(m.lags.size(), 2u);
  EXPECT_NEAR(m.lags[1], 2e-6, 1e-12);
  EXPECT_NEAR(m.values[1], 0.6, 1e-7);
  // A channel missing from the report.
  const std::string shortText = text.substr(0, text.find("ACF[2]"));
  EXPECT_FALSE(ParsePhotoCor(shortText, m, reason));
  EXPECT_NE(reason.find("ACF[2]"), std::string::npos);
}

TEST_F(DlsImporters, TwoColumnData) {
  const std::string source = folder.Write("two.txt", "20 120000\n10 150000\nnot a line\n");
  const std::string out = folder.File("two.dlsdat");
  DlsMeasurementSettings s;
  ASSERT_EQ(ImportTwoColumnData(source, out, 1e-6f, 100000, s), 1);
  DlsRecord r;
  std::vector<double> lags, values;
  ReadBack(out, r, lags, values);
  ASSERT_EQ(lags.size(), 2u);  // sorted by lag
  EXPECT_NEAR(lags[0], 1e-5, 1e-10);
  EXPECT_NEAR(values[0], 0.5, 1e-6);
  EXPECT_NEAR(values[1], 0.2, 1e-6);
  EXPECT_EQ(ImportTwoColumnData(folder.Write("empty.txt", "x\n"), out, 1e-6f, 100000, s), 0);
  EXPECT_EQ(LogLinesWith("no lines with two numbers").size(), 1u);
}

TEST_F(DlsImporters, ProteinSolutionsSeries) {
  // Three measurements: the SOS table has three rows and an empty line
  // before the "-" that follows.
  std::string text = "Laser Wavelength (A)   = 8250\nScattering Angle (deg) = 90\nSOS\n";
  for (int k = 1; k <= 3; ++k)
    text += "r " + std::to_string(10 * k) + " 3 4 5 6 7 " + std::to_string(20 + k) + " 1000 10 11\n";
  text += "\n-----\nCoefficients (Ave)\n";
  text += "1e-6 1.5 1.6 1.7 1.6\n2e-6 1.25 1.3 1.35 1.3\n";
  const std::string source = folder.Write("ps.txt", text);
  const std::string out = folder.File("sub/x.dlsdat");
  std::filesystem::create_directory(folder.path() / "sub");
  EXPECT_EQ(ImportPS99v52638(source, out, 1.333f, 0.01002f, 2, false), 3);
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "sub" / "average.dlsdat"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "sub" / "00001.dlsdat"));
  EXPECT_EQ(ImportPS99v52638(source, out, 1.333f, 0.01002f, 2, true), 3);
  for (const char* name : {"00001.dlsdat", "00002.dlsdat", "00003.dlsdat"})
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "sub" / name)) << name;
  DlsRecord r;
  std::vector<double> lags, values;
  ReadBack(folder.File("sub/average.dlsdat"), r, lags, values);
  EXPECT_NEAR(values[0], 0.6, 1e-6);
  EXPECT_NEAR(r.DlsTemperature, 22, 1e-5);
  EXPECT_NEAR(r.DlsSetting7, 825e-9, 1e-13);
  // More channels asked for than the table holds.
  EXPECT_EQ(ImportPS99v52638(source, out, 1.333f, 0.01002f, 5, false), 0);
}

TEST_F(DlsImporters, UnwritableOutputIsAnErrorBox) {
  const std::string source = folder.Write("d7.csv", "Coef\n1.5,1.25\n");
  EXPECT_EQ(ImportDynamics7(source, folder.File("no/such/folder/x.dlsdat"), 1.333f, 0.01002f,
                            660e-9f, 90, 20),
            0);
  EXPECT_EQ(LogLinesWith("could not open").size(), 1u);
}

}  // namespace
