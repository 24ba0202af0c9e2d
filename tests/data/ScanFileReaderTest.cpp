// Reading scan files: instrument files as they come, the header and
// description values, the number of points a file yields, and the load-time
// treatments (averaging, spikes, electrophoresis, fixed columns).

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include "DataTestSupport.h"
#include "data/ScanFileText.h"

namespace {

std::string Fixture(const std::string& name) {
  return (TestDataFolder() / "scans" / name).string();
}

class ScanFileReaderTest : public DataTest {};

struct InstrumentFile {
  const char* file;
  char type;
  int points;
  float firstRadius, firstSignal, lastRadius, lastSignal;
  bool thirdKept;
  bool absorbance, interference, intensity, fluorescence;
};

TEST_F(ScanFileReaderTest, ReadsInstrumentFilesAsTheyCome) {
  const InstrumentFile files[] = {
      {"velocity_step_crlf.RA1", 'R', 40, 5.9012f, 0.08954f, 6.0170f, 0.74575f, true, true, false,
       false, false},
      {"interference_two_columns.IP2", 'P', 30, 5.85f, 0.100504f, 5.87059f, 7.35050f, false, false,
       true, false, false},
      {"wavelength_type.RA3", 'W', 12, 6.0f, 0.3f, 6.011f, 0.41f, true, true, false, false, false},
      {"fluorescence.FI1", 'F', 20, 6.1f, 3000.0f, 6.138f, 3190.0f, true, true, false, false, true},
      {"intensity.RI1", 'I', 25, 5.95f, 1000.0f, 5.998f, 1120.0f, true, false, false, true, false},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    ScanReaderOptions = ScanReaderOptionsRecord{};
    const ReadScan s = ReadScanAt(Fixture(f.file));
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(s.header.DataType, f.type);
    ASSERT_EQ(s.count, f.points);
    EXPECT_EQ(s.header.PointCount, f.points);
    EXPECT_EQ(s.radius.size(), f.points);
    EXPECT_FLOAT_EQ(s.radius[1], f.firstRadius);
    EXPECT_FLOAT_EQ(s.signal[1], f.firstSignal);
    EXPECT_FLOAT_EQ(s.radius[f.points], f.lastRadius);
    EXPECT_NEAR(s.signal[f.points], f.lastSignal, 1e-4f * std::fabs(f.lastSignal));
    EXPECT_EQ(s.third.size(), f.thirdKept ? f.points : 0);
    for (int k = 2; k <= s.count; ++k) EXPECT_GT(s.radius[k], s.radius[k - 1]) << k;
    EXPECT_EQ(ScanReaderOptions.AbsorbanceData, f.absorbance);
    EXPECT_EQ(ScanReaderOptions.InterferenceData, f.interference);
    EXPECT_EQ(ScanReaderOptions.IntensityData, f.intensity);
    EXPECT_EQ(ScanReaderOptions.FluorescenceData, f.fluorescence);
    EXPECT_EQ(s.header.FileTimesValid, 1);
  }
}

TEST_F(ScanFileReaderTest, HeaderValuesAndRampEstimate) {
  const ReadScan s = ReadScanAt(Fixture("velocity_step_crlf.RA1"));
  ASSERT_EQ(s.result, 1);
  const ScanHeader& h = s.header;
  EXPECT_EQ(h.Description, "Lysozyme 0.5 mg/ml cell 1 run 0412");
  EXPECT_EQ(h.Cell, 1);
  EXPECT_FLOAT_EQ(h.Temperature, 20.0f);
  EXPECT_FLOAT_EQ(h.Rpm, 50000.0f);
  EXPECT_DOUBLE_EQ(h.Time, 1200.0);
  EXPECT_DOUBLE_EQ(h.RecordedTime, 1200.0);
  EXPECT_DOUBLE_EQ(h.StampCorrectedTime, 1200.0);
  EXPECT_DOUBLE_EQ(h.Omega2t, 3.2e10);
  EXPECT_FLOAT_EQ(h.Wavelength, 280.0f);
  EXPECT_EQ(h.ColumnCode, 2);
  EXPECT_FALSE(h.TimeStampChecked);
  // 1.5 (t - omega^2 t / omega^2) of a linear ramp from rest.
  EXPECT_NEAR(h.RampDuration, 49.17, 0.01);
  EXPECT_NEAR(h.RampAcceleration, 1016.9, 0.1);

  const std::string late = scratch.Write(
      "late.RA1", ScanText("x", "R 1 20.0 50000 1200 3.3000E+10 280 2", DataLines({0.1, 0.2})));
  EXPECT_DOUBLE_EQ(ReadScanAt(late).header.RampAcceleration, 1e6);
  const std::string fw = Fixture("wavelength_type.RA3");
  EXPECT_FLOAT_EQ(ReadScanAt(fw).header.Wavelength, 230.5f);
}

TEST_F(ScanFileReaderTest, CrlfAndLfLineEndsReadAlike) {
  std::string text = ReadWholeFile(Fixture("velocity_step_crlf.RA1"));
  std::string lf;
  for (char c : text)
    if (c != '\r') lf.push_back(c);
  const ReadScan a = ReadScanAt(Fixture("velocity_step_crlf.RA1"));
  const ReadScan b = ReadScanAt(scratch.Write("lf.RA1", lf));
  ASSERT_EQ(a.count, b.count);
  EXPECT_EQ(a.header.Description, b.header.Description);
  for (int k = 1; k <= a.count; ++k) {
    EXPECT_EQ(a.radius[k], b.radius[k]);
    EXPECT_EQ(a.signal[k], b.signal[k]);
    EXPECT_EQ(a.third[k], b.third[k]);
  }
}

// A file larger than any read block reads whole, CRLF line ends and all.
TEST_F(ScanFileReaderTest, LongCrlfFileReadsWhole) {
  std::string text = "long run\r\nR 1 20.0 50000 1200 3.2000E+10 280 2\r\n";
  const int n = 6000;
  char line[100];
  for (int k = 0; k < n; ++k) {
    std::snprintf(line, sizeof line, "%.4f %.5E %.5E\r\n", 5.8 + 0.0002 * k, 0.0001 * k, 0.004);
    text += line;
  }
  ASSERT_GT(text.size(), 150000u);
  const ReadScan s = ReadScanAt(scratch.Write("long.RA1", text));
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.count, n);
  EXPECT_NEAR(s.radius[n], 5.8f + 0.0002f * (n - 1), 1e-4f);
  EXPECT_NEAR(s.signal[n], 0.0001f * (n - 1), 1e-5f);
  EXPECT_FLOAT_EQ(s.third[n], 0.004f);
}

// Words convert as the standard decimal conversion converts them: signs,
// four-digit exponents, hexadecimal, trailing characters, values out of
// range and words that are no number.
TEST_F(ScanFileReaderTest, WordsConvertAsTheStandardConversion) {
  const char* words[] = {
      "0.1", "+1.5", "-2.5e-3", "1.00504E-0001", "7.35050E+0000", "0x10",   "1e",  "5abc", ".5",
      "abc", "",     "-",       "1e400",         "-1e400",        "1e-400", "1,5", "nan",  "-inf"};
  for (const char* w : words) {
    SCOPED_TRACE(w);
    const double expected = std::strtod(w, nullptr);
    const double got = WordValue(w);
    if (std::isnan(expected))
      EXPECT_TRUE(std::isnan(got));
    else
      EXPECT_EQ(got, expected);
  }
}

struct DescriptionCase {
  const char* line;
  const char* description;
  bool stamp;
  float meniscus;
};

TEST_F(ScanFileReaderTest, DescriptionFilterStampAndMeniscusTags) {
  const DescriptionCase cases[] = {
      {"run 7 (cell 2)", "run 7 ", false, 0.0f},
      {"[T OK]lysozyme", "[T OK]lysozyme", true, 0.0f},
      {"[TIMESTAMP CORRECTED 12.500000] BSA", "[TIMESTAMP CORRECTED 12.500000] BSA", true, 0.0f},
      {"C:\\data\\run_1 #2, 20 C: ok.", "C:\\data\\run_1 #2, 20 C: ok.", false, 0.0f},
      {"cell 1 6.0523 - meniscus", "cell 1 6.0523 - meniscus", false, 6.0523f},
      {"x  6.05 - meniscus", "x  6.05 - meniscus", false, 6.05f},
      {"7.00523 - meniscus", "7.00523 - meniscus", false, 0.00523f},
      {"ab 6.052 - meniscus (fitted)", "ab 6.052 - meniscus ", false, 6.052f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ReadScan s = ReadScanAt(scratch.Write(
        "d.RA1", ScanText(c.line, "R 1 20.0 3000 100 1.0E+07 280 2", DataLines({0.1, 0.2}))));
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(s.header.Description, c.description);
    EXPECT_EQ(s.header.TimeStampChecked, c.stamp);
    EXPECT_EQ(s.stamp, c.stamp);
    EXPECT_NEAR(s.header.FileMeniscus, c.meniscus, 1e-6f);
  }
  const ReadScan longLine = ReadScanAt(scratch.Write(
      "l.RA1",
      ScanText(std::string(150, 'a'), "R 1 20.0 3000 100 1.0E+07 280 2", DataLines({0.1}))));
  EXPECT_EQ(longLine.header.Description, std::string(99, 'a'));
}

// Each case: the text after the description and header line, and the
// points it holds. A file keeps exactly the data lines it holds.
struct CountCase {
  const char* name;
  const char* header;
  const char* data;
  int points;
};

TEST_F(ScanFileReaderTest, EveryDataLineBecomesOnePointAndNothingElseDoes) {
  const char* r = "R 1 20.0 3000 100 1.0E+07 280 2";
  const char* p = "P 1 20.0 3000 100 1.0E+07 675 0";
  const char* i = "I 1 20.0 3000 100 1.0E+07 280 2";
  const CountCase cases[] = {
      {"all lines ended", r, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01\n", 3},
      {"last line without line end", r, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01", 3},
      {"ended by a 0 line", r, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01\n0\n", 3},
      {"0 line followed by more text", r, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01\n0\n9 9 9\n",
       3},
      {"blank lines at the end, absorbance", r, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01\n\n\n",
       3},
      {"blank lines at the end, interference", p, "6.0 0.1\n6.1 0.2\n6.2 0.3\n\n  \n", 3},
      {"blank lines at the end, three columns kept", i, "6.0 100 90\n6.1 200 90\n6.2 300 90\n\n\n",
       3},
      {"blank line inside the data", r, "6.0 0.1 0.01\n\n6.1 0.2 0.01\n6.2 0.3 0.01\n", 3},
      {"truncated last line", r, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3", 2},
      {"single point", r, "6.0 0.1 0.01\n", 1},
      // Words beyond a point's columns are dropped with their line.
      {"interference with a third column", p, "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01\n", 3},
      {"absorbance with a fourth column", r, "6.0 0.1 0.01 9\n6.1 0.2 0.01 9\n6.2 0.3 0.01 9\n",
       3},
      {"header with an extra value", "R 1 20.0 3000 100 1.0E+07 280 2 77",
       "6.0 0.1 0.01\n6.1 0.2 0.01\n6.2 0.3 0.01\n", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = std::string("desc\n") + c.header + "\n" + c.data;
    const ReadScan s = ReadScanAt(scratch.Write("c.RA1", text));
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(s.count, c.points);
    for (int k = 1; k <= s.count; ++k) {
      EXPECT_NEAR(s.radius[k], 6.0f + 0.1f * static_cast<float>(k - 1), 1e-5f);
      EXPECT_NE(s.signal[k], 0.0f);
    }
  }
}

TEST_F(ScanFileReaderTest, ThirdColumnKeptOnlyWhenAskedAndPresent) {
  const std::string code2 = scratch.Write("a.RA1", ScanText("d", "R 1 20.0 3000 100 1.0E+07 280 2",
                                                            DataLines({0.1, 0.2}, 6.0, 0.1, 0.5)));
  const std::string code1 = scratch.Write("b.RA1", ScanText("d", "R 1 20.0 3000 100 1.0E+07 280 1",
                                                            DataLines({0.1, 0.2}, 6.0, 0.1, 0.5)));
  EXPECT_EQ(ReadScanAt(code2).third.size(), 2);
  EXPECT_FLOAT_EQ(ReadScanAt(code2).third[2], 0.5f);
  EXPECT_EQ(ReadScanAt(code1).third.size(), 0);
  EXPECT_EQ(ReadScanAt(code2, 0.0f, false).count, 2);
  // The caller's array stays as it was when no third column is kept.
  ReadScan s;
  s.third.Resize(1, 5);
  s.third[3] = 42.0f;
  ASSERT_EQ(ReadScanFile(code1, &s.header, &s.count, &s.radius, &s.signal, &s.third, nullptr, 0.0f),
            1);
  EXPECT_EQ(s.third.size(), 5);
  EXPECT_EQ(s.third[3], 42.0f);

  // Kinds whose three columns are always read (intensity, fluorescence,
  // electrophoresis) need no third output either: the column is dropped.
  for (const char* file : {"intensity.RI1", "fluorescence.FI1"}) {
    SCOPED_TRACE(file);
    const ReadScan t = ReadScanAt(Fixture(file), 0.0f, false);
    ASSERT_EQ(t.result, 1);
    EXPECT_EQ(t.count, t.header.DataType == 'I' ? 25 : 20);
    EXPECT_EQ(t.third.size(), 0);
  }
  ScanReaderOptions.ElectrophoresisDataMode = true;
  const ReadScan e = ReadScanAt(
      scratch.Write("e.RA1", "electrophoresis\nR 7 35.5 500 1 0\n0.10 10 0\n0.20 1000 0\n"), 0.0f,
      false);
  ASSERT_EQ(e.result, 1);
  EXPECT_FLOAT_EQ(e.signal[1], 2.0f);
}

TEST_F(ScanFileReaderTest, AveragingMergesGroupsAndKeepsTheLastOne) {
  std::vector<double> signals;
  for (int k = 0; k < 9; ++k) signals.push_back(0.1 * (k + 1));
  const std::string path = scratch.Write(
      "avg.RA1", ScanText("d", "R 1 20.0 3000 100 1.0E+07 280 2", DataLines(signals)));
  const ReadScan s = ReadScanAt(path, 0.003f);
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.count, 3);
  for (int g = 1; g <= 3; ++g) {
    EXPECT_NEAR(s.radius[g], 6.001f + 0.003f * static_cast<float>(g - 1), 1e-5f);
    EXPECT_NEAR(s.signal[g], 0.2f + 0.3f * static_cast<float>(g - 1), 1e-5f);
    EXPECT_NEAR(s.third[g], 0.01f, 1e-6f);
  }
  // A last group of one point is kept too.
  signals.push_back(1.0);
  const ReadScan t = ReadScanAt(
      scratch.Write("avg10.RA1",
                    ScanText("d", "R 1 20.0 3000 100 1.0E+07 280 2", DataLines(signals))),
      0.003f);
  ASSERT_EQ(t.count, 4);
  EXPECT_NEAR(t.radius[4], 6.009f, 1e-5f);
  EXPECT_NEAR(t.signal[4], 1.0f, 1e-6f);
}

struct SpikeCase {
  const char* name;
  const char* header;
  std::vector<double> signals;
  std::vector<double> kept;
};

TEST_F(ScanFileReaderTest, IsolatedSpikesAreRemoved) {
  const char* r = "R 1 20.0 3000 100 1.0E+07 280 2";
  const char* p = "P 1 20.0 3000 100 1.0E+07 675 0";
  const char* f = "F 1 20.0 3000 100 1.0E+07 488 1";
  const SpikeCase cases[] = {
      {"isolated spike", r, {0.1, 0.1, 0.9, 0.1}, {0.1, 0.1, 0.1}},
      {"two neighbouring high points", r, {0.1, 0.1, 0.9, 0.9, 0.1}, {0.1, 0.1, 0.9, 0.9, 0.1}},
      {"spike in the first point", r, {0.9, 0.1, 0.1, 0.1}, {0.9, 0.1, 0.1, 0.1}},
      {"spike in the second point", r, {0.1, 0.9, 0.1, 0.1}, {0.1, 0.9, 0.1, 0.1}},
      {"last point has one real neighbour only", r, {0.1, 0.2, 0.5, 1.0}, {0.1, 0.2, 0.5, 1.0}},
      {"negative spike", r, {0.5, 0.5, 0.5, -0.2, 0.5, 0.5}, {0.5, 0.5, 0.5, 0.5, 0.5}},
      {"interference data are not tested", p, {0.1, 0.1, 0.9, 0.1}, {0.1, 0.1, 0.9, 0.1}},
      {"fluorescence level", f, {100, 100, 350, 100, 150, 100}, {100, 100, 100, 150, 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = DataLines(c.signals);
    // Interference files have two columns.
    if (c.header[0] == 'P')
      for (auto& l : lines) l = l.substr(0, l.rfind(' '));
    const ReadScan s = ReadScanAt(scratch.Write("s.RA1", ScanText("d", c.header, lines)));
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(s.count, static_cast<int>(c.kept.size()));
    for (int k = 1; k <= s.count; ++k)
      EXPECT_NEAR(s.signal[k], c.kept[static_cast<std::size_t>(k - 1)], 1e-5) << k;
  }
  ScanReaderOptions.SpikeFilterOn = false;
  const ReadScan off =
      ReadScanAt(scratch.Write("o.RA1", ScanText("d", r, DataLines({0.1, 0.1, 0.9, 0.1}))));
  EXPECT_EQ(off.count, 4);
}

TEST_F(ScanFileReaderTest, FluorescenceSettingsAndFlags) {
  const ReadScan s = ReadScanAt(Fixture("fluorescence.FI1"));
  ASSERT_EQ(s.result, 1);
  EXPECT_TRUE(s.header.IsFluorescence);
  EXPECT_TRUE(s.header.TimeStampChecked);
  EXPECT_TRUE(s.stamp);
  EXPECT_FLOAT_EQ(s.header.PmtVoltage, 600.5f);
  EXPECT_EQ(s.header.Gain, 4);
  EXPECT_EQ(s.header.Range, 2);
  EXPECT_TRUE(ScanReaderOptions.FluorescenceData);
  EXPECT_TRUE(ScanReaderOptions.AbsorbanceData);
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThreshold, 100.0f);
  ReadScanAt(Fixture("velocity_step_crlf.RA1"));
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThreshold, 0.4f);
  EXPECT_FALSE(ScanReaderOptions.FluorescenceData);
}

TEST_F(ScanFileReaderTest, ElectrophoresisModeConvertsTransmission) {
  ScanReaderOptions.ElectrophoresisDataMode = true;
  const std::string path = scratch.Write(
      "e.RA1", "electrophoresis\nR 7 35.5 500 1 0\n0.10 10 0\n0.20 1000 0\n0.30 -5 0\n");
  const ReadScan s = ReadScanAt(path);
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.count, 3);
  EXPECT_FLOAT_EQ(s.signal[1], 2.0f);
  EXPECT_FLOAT_EQ(s.signal[2], 0.0f);
  EXPECT_FLOAT_EQ(s.signal[3], -5.0f);
  const ScanHeader& h = s.header;
  EXPECT_EQ(h.DataType, 'R');
  EXPECT_EQ(h.Cell, 0);
  EXPECT_FLOAT_EQ(h.Temperature, 20.0f);
  EXPECT_FLOAT_EQ(h.Rpm, 1.0f);
  EXPECT_DOUBLE_EQ(h.Time, 35.5);
  EXPECT_DOUBLE_EQ(h.Omega2t, 35.5);
  EXPECT_FLOAT_EQ(h.Wavelength, 500.0f);
  EXPECT_EQ(h.ColumnCode, 1);
  EXPECT_DOUBLE_EQ(h.RampAcceleration, 1e6);
  EXPECT_TRUE(ScanReaderOptions.AbsorbanceData);
  // Lines beginning with 0 are data in this mode.
  EXPECT_FLOAT_EQ(s.radius[1], 0.1f);

  // The smallest transmissions give large but finite absorbances; 1000 / x
  // in single precision would overflow to infinity.
  const ReadScan tiny = ReadScanAt(
      scratch.Write("t.RA1", "electrophoresis\nR 7 35.5 500 1 0\n0.10 1e-40 0\n0.20 1e-44 0\n"));
  ASSERT_EQ(tiny.result, 1);
  EXPECT_NEAR(tiny.signal[1], 43.0f, 0.01f);
  EXPECT_TRUE(std::isfinite(tiny.signal[2]));
  // A time that is no number is refused in this mode too.
  EXPECT_EQ(ReadScanAt(scratch.Write("n.RA1", "e\nR 7 nan 500 1 0\n0.10 10 0\n")).result, 0);
}

TEST_F(ScanFileReaderTest, FixedColumnMode) {
  ScanReaderOptions.FixedColumnsOn = true;
  ASSERT_TRUE(SetFixedColumnCount(4));
  const ReadScan s = ReadScanAt(scratch.Write(
      "f.RA1", "d\nR 1 20.0 3000 100 1.0E+07 280 2\n6.0 0.1 7 7\n6.1 0.2 7 7\n6.2 0.3 7 7\n"));
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.count, 3);
  EXPECT_FLOAT_EQ(s.signal[3], 0.3f);
  EXPECT_EQ(s.third.size(), 0);

  EXPECT_FALSE(SetFixedColumnCount(1));
  EXPECT_FALSE(SetFixedColumnCount(0));
  EXPECT_EQ(ScanReaderOptions.FixedColumnCount, 4);
  ScanReaderOptions.FixedColumnCount = 1;
  EXPECT_EQ(ReadScanAt(scratch.File("f.RA1")).result, 0);
}

TEST_F(ScanFileReaderTest, BadFilesAreRefusedWithoutHarm) {
  const char* header = "R 1 20.0 3000 100 1.0E+07 280 2\n";
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"description only", "just a description"},
      {"description and line end only", "just a description\n\n\n"},
      {"unknown type letter", "d\nX 1 20.0 3000 100 1.0E+07 280 2\n6.0 0.1 0.01\n"},
      {"lower-case type letter", "d\nr 1 20.0 3000 100 1.0E+07 280 2\n6.0 0.1 0.01\n"},
      {"header without data", std::string("d\n") + header},
      {"truncated header", "d\nR 1 20.0 30"},
      {"data ended at once by a 0 line", std::string("d\n") + header + "0\n6.0 0.1 0.01\n"},
      {"not a number in the data", std::string("d\n") + header + "6.0 nan 0.01\n6.1 0.2 0.01\n"},
      {"value beyond the float range", std::string("d\n") + header + "6.0 1e60 0.01\n"},
      {"binary garbage", std::string("\x7f\x45\x4c\x46\x02\x01\x01\0\0\0", 10) + "\n\x01\x02\xff"},
      // A stray radius would stretch the run's common grid over millions of
      // points.
      {"one stray radius", std::string("d\n") + header +
                               "6.0 0.1 0.01\n30000 0.2 0.01\n6.2 0.3 0.01\n"},
      {"stray radius at the end", std::string("d\n") + header + "6.0 0.1 0.01\n30000 0.2 0.01\n"},
      {"radius repeated", std::string("d\n") + header + "6.0 0.1 0.01\n6.0 0.2 0.01\n"},
      {"radii falling", std::string("d\n") + header + "6.1 0.1 0.01\n6.0 0.2 0.01\n"},
      // No cell reaches the rotor's axis (a line beginning with 0 ends the data).
      {"radius 0", std::string("d\n") + header + "-0.0 0.1 0.01\n6.0 0.2 0.01\n"},
      {"negative radius", std::string("d\n") + header + "-6.0 0.1 0.01\n6.0 0.2 0.01\n"},
      // Two values per line in a three-value file would shift every point.
      {"a line short of a value", std::string("d\n") + header +
                                      "6.0 0.1 0.01\n6.1 0.2\n6.2 0.3 0.01\n6.3 0.4 0.01\n"},
      {"two values on every line", std::string("d\n") + header + "6.0 0.1\n6.1 0.2\n6.2 0.3\n"},
      // Header values that are no number or out of any real range.
      {"time not a number", "d\nR 1 20.0 3000 nan 1.0E+07 280 2\n6.0 0.1 0.01\n"},
      {"negative time", "d\nR 1 20.0 3000 -5 1.0E+07 280 2\n6.0 0.1 0.01\n"},
      {"omega2t infinite", "d\nR 1 20.0 3000 100 inf 280 2\n6.0 0.1 0.01\n"},
      {"speed beyond any rotor", "d\nR 1 20.0 3e9 100 1.0E+07 280 2\n6.0 0.1 0.01\n"},
      {"temperature not a number", "d\nR 1 nan 3000 100 1.0E+07 280 2\n6.0 0.1 0.01\n"},
      {"temperature out of range", "d\nR 1 1e6 3000 100 1.0E+07 280 2\n6.0 0.1 0.01\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReadScan s = ReadScanAt(scratch.Write("bad.RA1", c.text));
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.count, -1);
  }
  EXPECT_EQ(ReadScanAt(scratch.File("missing.RA1")).result, 0);
  EXPECT_EQ(ReadScanAt("").result, 0);

  // Missing outputs are refused.
  const std::string good = Fixture("wavelength_type.RA3");
  ScanHeader h;
  int n = 0;
  ScanArray r, s;
  EXPECT_EQ(ReadScanFile(good, nullptr, &n, &r, &s, nullptr, nullptr, 0.0f), 0);
  EXPECT_EQ(ReadScanFile(good, &h, nullptr, &r, &s, nullptr, nullptr, 0.0f), 0);
  EXPECT_EQ(ReadScanFile(good, &h, &n, nullptr, &s, nullptr, nullptr, 0.0f), 0);
  EXPECT_EQ(ReadScanFile(good, &h, &n, &r, nullptr, nullptr, nullptr, 0.0f), 0);
  EXPECT_EQ(ReadScanFile(good, &h, &n, &r, &s, nullptr, nullptr, 0.0f), 1);
  EXPECT_TRUE(backend().Log().empty());
}

// A value beyond float range is refused also where it stands alone among
// its neighbours, the shape the spike filter removes.
TEST_F(ScanFileReaderTest, NonFiniteValuesAreRefusedBeforeTheSpikeFilter) {
  ScanReaderOptions.SpikeFilterOn = true;
  ScanReaderOptions.SpikeThresholdAbsorbance = 0.4f;
  const std::string head = "d\nR 1 20.0 3000 100 1.0E+07 280 2\n6.0 0.1 0.01\n6.1 0.1 0.01\n";
  const std::string tail = "6.3 0.1 0.01\n6.4 0.1 0.01\n";
  for (const char* value : {"inf", "-inf", "1e39", "nan"}) {
    SCOPED_TRACE(value);
    const ReadScan s = ReadScanAt(scratch.Write("spike.RA1", head + "6.2 " + value + " 0.01\n" + tail));
    EXPECT_EQ(s.result, 0);
    EXPECT_NE(ScanFileProblem().find("6.2 " + std::string(value)), std::string::npos)
        << ScanFileProblem();
  }
  // A plain spike is still removed, as before.
  const ReadScan s = ReadScanAt(scratch.Write("spike.RA1", head + "6.2 0.9 0.01\n" + tail));
  ASSERT_EQ(s.result, 1);
  EXPECT_EQ(s.count, 4);
}

// Names that are no regular file of scan size are refused before a byte is
// read: a device would be read without end, a FIFO would block for ever.
TEST_F(ScanFileReaderTest, DevicesFifosFoldersAndHugeFilesAreNoScans) {
  const std::string fifo = scratch.File("pipe.RA1");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string huge = scratch.File("huge.RA1");
  {
    std::FILE* f = std::fopen(huge.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("d\nR 1 20.0 3000 100 1.0E+07 280 2\n", f);
    std::fseek(f, static_cast<long>(kLargestScanFile), SEEK_SET);
    std::fputs("6.0 0.1 0.01\n", f);
    std::fclose(f);
  }
  for (const std::string& path : {std::string("/dev/zero"), fifo, scratch.path().string(), huge}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ReadScanAt(path).result, 0);
    EXPECT_EQ(ScanFileProblem().rfind("not a scan file", 0), 0u) << ScanFileProblem();
  }
  EXPECT_EQ(ReadScanAt(scratch.File("missing.RA1")).result, 0);
  EXPECT_EQ(ScanFileProblem(), "could not open the file");
}

TEST_F(ScanFileReaderTest, AuxiliaryReadsKeepTheKindOfTheLoadedData) {
  ReadScanAt(Fixture("interference_two_columns.IP2"));
  ASSERT_TRUE(ScanReaderOptions.InterferenceData);
  ScanHeader h;
  int n = 0;
  ScanArray r, s, t;
  ASSERT_EQ(ReadAuxiliaryScanFile(Fixture("fluorescence.FI1"), &h, &n, &r, &s, &t, nullptr, 0.0f),
            1);
  EXPECT_EQ(h.DataType, 'F');
  EXPECT_TRUE(ScanReaderOptions.InterferenceData);
  EXPECT_FALSE(ScanReaderOptions.AbsorbanceData);
  EXPECT_FALSE(ScanReaderOptions.FluorescenceData);
  EXPECT_FLOAT_EQ(ScanReaderOptions.SpikeThreshold, 0.4f);
  EXPECT_EQ(ReadAuxiliaryScanFile(scratch.File("none"), &h, &n, &r, &s, &t, nullptr, 0.0f), 0);
  EXPECT_TRUE(ScanReaderOptions.InterferenceData);
}

}  // namespace
