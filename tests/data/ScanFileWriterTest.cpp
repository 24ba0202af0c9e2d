// Writing scan files: round trips through the reader for every kind of
// header, the exact line formats, the time-stamp tag of line 1, the file
// times of a rewritten scan, and a file that cannot be opened.

#include <cmath>

#include "DataTestSupport.h"
#include "data/ScanFileTimes.h"
#include "data/ScanFileWriter.h"
#include "ui/Boxes.h"

namespace {

class ScanFileWriterTest : public DataTest {};

ScanHeader MakeHeader(char type, float wavelength, int columnCode, const std::string& description) {
  ScanHeader h;
  h.Description = description;
  h.DataType = type;
  h.Cell = 3;
  h.Temperature = 19.9f;
  h.Rpm = 48000.0f;
  h.Time = h.RecordedTime = 2437.0;
  h.Omega2t = 6.1578e10;
  h.Wavelength = wavelength;
  h.ColumnCode = columnCode;
  return h;
}

struct RoundTripCase {
  char type;
  float wavelength;
  int columnCode;
  bool withThird;
  const char* description;
  bool thirdReadBack;
};

TEST_F(ScanFileWriterTest, EveryKindOfScanReadsBackAsWritten) {
  const RoundTripCase cases[] = {
      {'R', 280.0f, 2, true, "[T OK]absorbance run 4", true},
      {'W', 230.5f, 2, true, "[T OK]wavelength scan", true},
      {'I', 280.0f, 2, true, "[T OK]intensity", true},
      {'V', 259.75f, 2, true, "[T OK]intensity with wavelength", true},
      {'P', 675.0f, 0, false, "[T OK]interference", false},
      {'F', 488.0f, 1, false, "[T OK]GFP Voltage: 650 Gain: 2 Range: 1", true},
  };
  const int n = 50;
  OneBasedArray<float> radius(1, n), signal(1, n), third(1, n);
  for (int k = 1; k <= n; ++k) {
    radius[k] = 5.9f + 0.0031f * static_cast<float>(k) + 0.0004f * static_cast<float>(k % 3);
    signal[k] = 0.05f + 0.8f / (1.0f + std::exp(-(radius[k] - 5.98f) * 60.0f));
    third[k] = 0.003f + 0.0001f * static_cast<float>(k % 5);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    ScanReaderOptions = ScanReaderOptionsRecord{};
    const ScanHeader h = MakeHeader(c.type, c.wavelength, c.columnCode, c.description);
    const std::string path = scratch.File(std::string("scan_") + c.type + ".RA1");
    ASSERT_TRUE(WriteScanFile(path, n, radius.data(), signal.data(),
                              c.withThird ? third.data() : nullptr, nullptr, false, h));
    const ReadScan s = ReadScanAt(path);
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(s.count, n);
    const ScanHeader& r = s.header;
    EXPECT_EQ(r.Description, c.description);
    EXPECT_TRUE(r.TimeStampChecked);
    EXPECT_EQ(r.DataType, c.type);
    EXPECT_EQ(r.Cell, 3);
    EXPECT_FLOAT_EQ(r.Temperature, 19.9f);
    EXPECT_FLOAT_EQ(r.Rpm, 48000.0f);
    EXPECT_DOUBLE_EQ(r.RecordedTime, 2437.0);
    EXPECT_NEAR(r.Omega2t, 6.1578e10, 1e6);
    EXPECT_FLOAT_EQ(r.Wavelength, c.wavelength);
    EXPECT_EQ(r.ColumnCode, c.columnCode);
    for (int k = 1; k <= n; ++k) {
      EXPECT_NEAR(s.radius[k], radius[k], 6e-5f);
      EXPECT_NEAR(s.signal[k], signal[k], 1e-5f * signal[k]);
    }
    ASSERT_EQ(s.third.size(), c.thirdReadBack ? n : 0);
    for (int k = 1; k <= s.third.size(); ++k)
      EXPECT_NEAR(s.third[k], c.withThird ? third[k] : 0.0f, 1e-7f) << k;
  }
}

TEST_F(ScanFileWriterTest, ElectrophoresisScanReadsBackAsAbsorbance) {
  ScanReaderOptions.ElectrophoresisDataMode = true;
  const ReadScan e = ReadScanAt(scratch.Write(
      "e.RA1", "[T OK]electrophoresis\nR 4 812 420 1 0\n0.10 10 0\n0.20 100 0\n0.30 500 0\n"));
  ASSERT_EQ(e.result, 1);
  const std::string path = scratch.File("e_out.RA1");
  ASSERT_TRUE(WriteScanFile(path, e.count, const_cast<float*>(e.radius.data()),
                            const_cast<float*>(e.signal.data()), e.third.data(), nullptr, false,
                            e.header));
  ScanReaderOptions.ElectrophoresisDataMode = false;
  const ReadScan s = ReadScanAt(path);
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.count, 3);
  EXPECT_EQ(s.header.DataType, 'R');
  EXPECT_DOUBLE_EQ(s.header.Time, 812.0);
  EXPECT_DOUBLE_EQ(s.header.Omega2t, 812.0);
  EXPECT_FLOAT_EQ(s.header.Rpm, 1.0f);
  EXPECT_FLOAT_EQ(s.header.Temperature, 20.0f);
  EXPECT_FLOAT_EQ(s.header.Wavelength, 420.0f);
  for (int k = 1; k <= 3; ++k) EXPECT_NEAR(s.signal[k], e.signal[k], 1e-5f);
  EXPECT_NEAR(s.signal[1], 2.0f, 1e-5f);
}

TEST_F(ScanFileWriterTest, LineFormats) {
  float r[] = {0.0f, 6.0f, 6.00126f};
  float s[] = {0.0f, 0.1f, -2.5e-3f};
  float t[] = {0.0f, 0.01f, 0.02f};
  ScanHeader h = MakeHeader('R', 280.7f, 2, "[T OK]x");
  h.Rpm = 50000.9f;
  h.RecordedTime = 1200.99;
  h.Time = 1.0;  // the writers write the recorded time
  ASSERT_TRUE(WriteScanFile(scratch.File("r"), 2, r, s, t, nullptr, false, h));
  EXPECT_EQ(ReadWholeFile(scratch.File("r")),
            "[T OK]x\nR 3 19.9 50000 1200 6.1578e+10 280 2\n"
            "   6.0000  1.00000e-01   1.00000e-02 \n"
            "   6.0013  -2.50000e-03   2.00000e-02 \n");
  h.DataType = 'W';
  ASSERT_TRUE(WriteScanFile(scratch.File("w"), 1, r, s, nullptr, nullptr, false, h));
  EXPECT_EQ(ReadWholeFile(scratch.File("w")),
            "[T OK]x\nW 3 19.9 50000 1200 6.1578e+10 280.700 2\n"
            "   6.0000  1.00000e-01   0.00000e+00 \n");
  h.DataType = 'P';
  ASSERT_TRUE(WriteScanFile(scratch.File("p"), 1, r, s, nullptr, nullptr, false, h));
  EXPECT_EQ(ReadWholeFile(scratch.File("p")),
            "[T OK]x\nP 3 19.9 50000 1200 6.1578e+10 280 2\n   6.0000  1.00000e-01 \n");
}

struct TagCase {
  const char* name;
  const char* given;  // nullptr: the header's description
  const char* headerDescription;
  bool stampRequested;
  const char* line1;
};

TEST_F(ScanFileWriterTest, LineOneAlwaysCarriesATimeStampTag) {
  const TagCase cases[] = {
      {"given, with a correction tag", "[TIMESTAMP CORRECTED 3.250000] run 2", "old", false,
       "[TIMESTAMP CORRECTED 3.250000] run 2"},
      {"given, header tagged", "fitted run 2", "[T OK]run 2", false, "[T OK]fitted run 2"},
      {"given, stamp requested", "fitted", "run 2", true, "[T OK]fitted"},
      {"given, no tag anywhere", "fitted", "run 2", false, "[T OK]fitted"},
      {"header's, tagged", nullptr, "[TIMESTAMP CORRECTED 1.000000]a", false,
       "[TIMESTAMP CORRECTED 1.000000]a"},
      {"header's, untagged", nullptr, "run 9", false, "[T OK]run 9"},
      {"percent signs stay", "50% (w/v) %s %d", "x", false, "[T OK]50% (w/v) %s %d"},
      {"line ends inside the text", "two\nlines", "x", false, "[T OK]two lines"},
  };
  float r[] = {0.0f, 6.0f}, s[] = {0.0f, 0.1f};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScanHeader h = MakeHeader('R', 280.0f, 1, c.headerDescription);
    const std::string path = scratch.File("tag.RA1");
    ASSERT_TRUE(WriteScanFile(path, 1, r, s, nullptr, c.given, c.stampRequested, h));
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.substr(0, text.find('\n')), c.line1);
  }
}

TEST_F(ScanFileWriterTest, RewrittenScanKeepsItsFileTimes) {
  const std::string path = scratch.Write(
      "t.RA1",
      ScanText("[T OK]run", "R 1 20.0 3000 100 1.0E+07 280 2", DataLines({0.1, 0.2, 0.3})));
  ScanFileTimes old;
  old.LastAccessTime = {1000000000, 250};
  old.LastWriteTime = {1100000000, 123456789};
  ASSERT_TRUE(RestoreFileTimes(path, old));
  ReadScan s = ReadScanAt(path);
  ASSERT_EQ(s.result, 1);
  ASSERT_EQ(s.header.FileTimesValid, 1);
  EXPECT_EQ(s.header.LastWriteTime, old.LastWriteTime);

  // Rewritten in place with new values, and written to a second file.
  s.signal[2] = 0.25f;
  const std::string copy = scratch.File("t_copy.RA1");
  for (const std::string& target : {path, copy}) {
    SCOPED_TRACE(target);
    ASSERT_TRUE(WriteScanFile(target, s.count, s.radius.data(), s.signal.data(), nullptr, nullptr,
                              false, s.header));
    const ScanFileTimes now = ReadFileTimes(target);
    EXPECT_EQ(now.LastWriteTime, s.header.LastWriteTime);
    EXPECT_EQ(now.LastAccessTime, s.header.LastAccessTime);
  }
  const ReadScan back = ReadScanAt(path);
  EXPECT_FLOAT_EQ(back.signal[2], 0.25f);
  EXPECT_EQ(back.header.LastWriteTime, old.LastWriteTime);

  // A header without valid times leaves the new file's own times.
  ScanHeader fresh = s.header;
  fresh.FileTimesValid = 0;
  const std::string other = scratch.File("fresh.RA1");
  ASSERT_TRUE(WriteScanFile(other, s.count, s.radius.data(), s.signal.data(), nullptr, nullptr,
                            false, fresh));
  EXPECT_GT(ReadFileTimes(other).LastWriteTime.Seconds, old.LastWriteTime.Seconds);
}

TEST_F(ScanFileWriterTest, UnopenableFileIsReportedOnTheStandardOutputOnly) {
  float r[] = {0.0f, 6.0f}, s[] = {0.0f, 0.1f};
  const std::string path = scratch.File("no_such_folder/x.RA1");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(WriteScanFile(path, 1, r, s, nullptr, nullptr, false, MakeHeader('R', 280, 1, "")));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\aAttention: could not open " + path);
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
