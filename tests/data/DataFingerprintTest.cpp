#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "data/DataFingerprint.h"

namespace {

// A scan set held in the arrays the fingerprint reads: scan i has
// counts[i-1] points with the signal 0.5 + 0.001 k at point k.
struct Scans {
  explicit Scans(const std::vector<int>& counts) {
    const int n = static_cast<int>(counts.size());
    headers.Resize(1, n);
    pointCounts.Resize(1, n);
    signals.Resize(1, n);
    for (int i = 1; i <= n; ++i) {
      pointCounts[i] = counts[static_cast<std::size_t>(i - 1)];
      signals[i].Resize(1, pointCounts[i]);
      for (int k = 1; k <= pointCounts[i]; ++k) signals[i][k] = 0.5f + 0.001f * k;
      headers[i].DataType = 'P';
      headers[i].Cell = 2;
      headers[i].Temperature = 20.0f;
      headers[i].Rpm = 50000.0f;
      headers[i].Time = 600.0 * i;
      headers[i].RecordedTime = 600.0 * i;
      headers[i].Wavelength = 660.0f;
    }
  }
  int count() const { return pointCounts.hi(); }
  CSVDataFingerPrint Stored() const {
    CSVDataFingerPrint f;
    f.Store(count(), headers, pointCounts, signals);
    return f;
  }
  bool Matches(const CSVDataFingerPrint& f) const {
    return f.Matches(count(), headers, &pointCounts, &signals);
  }
  OneBasedArray<ScanHeader> headers;
  OneBasedArray<int> pointCounts;
  ScanArrays signals;
};

TEST(DataFingerprintTest, MiddleIndexIsHalfTheLongestScanAtLeastOne) {
  struct Case {
    std::vector<int> counts;
    int middle;
  };
  const Case cases[] = {{{800, 801, 799}, 400}, {{1}, 1}, {{3}, 1}, {{4, 2}, 2}, {{0}, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.counts.front());
    EXPECT_EQ(Scans(c.counts).Stored().MiddleIndex(), c.middle);
  }
}

TEST(DataFingerprintTest, EmptyFingerprintMatchesNothing) {
  const Scans s({10, 10});
  const CSVDataFingerPrint empty;
  EXPECT_EQ(empty.count(), 0);
  EXPECT_FALSE(s.Matches(empty));
  EXPECT_FALSE(empty.Matches(0, s.headers, nullptr, nullptr));
}

TEST(DataFingerprintTest, UnchangedDataMatchAndEachRecordedChangeBreaksTheMatch) {
  struct Case {
    const char* what;
    std::function<void(Scans&)> change;
    bool matches;
  };
  const Case cases[] = {
      {"nothing", [](Scans&) {}, true},
      {"middle value + 2e-6", [](Scans& s) { s.signals[2][400] += 2e-6f; }, false},
      {"middle value - 2e-6", [](Scans& s) { s.signals[1][400] -= 2e-6f; }, false},
      {"value elsewhere", [](Scans& s) { s.signals[2][401] += 1.0f; }, true},
      {"point count", [](Scans& s) { s.pointCounts[3] = 798; }, false},
      {"time (times from omega2t)", [](Scans& s) { s.headers[1].Time = 612.5; }, false},
      {"recorded time", [](Scans& s) { s.headers[1].RecordedTime = 1.0; }, false},
      {"data type", [](Scans& s) { s.headers[1].DataType = 'R'; }, false},
      {"cell", [](Scans& s) { s.headers[1].Cell = 3; }, false},
      {"temperature", [](Scans& s) { s.headers[1].Temperature = 20.1f; }, false},
      {"rpm", [](Scans& s) { s.headers[1].Rpm = 45000.0f; }, false},
      {"wavelength", [](Scans& s) { s.headers[1].Wavelength = 280.0f; }, false},
      {"omega2t (not recorded)", [](Scans& s) { s.headers[1].Omega2t = 5.0; }, true},
      {"description (not recorded)", [](Scans& s) { s.headers[1].Description = "x"; }, true},
      {"second scan's time (not recorded)", [](Scans& s) { s.headers[2].Time = 1.0; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scans s({800, 801, 799});
    const CSVDataFingerPrint f = s.Stored();
    c.change(s);
    EXPECT_EQ(s.Matches(f), c.matches);
  }
}

TEST(DataFingerprintTest, WithoutCountsAndSignalsOnlyScanCountAndHeaderAreCompared) {
  Scans s({800, 801, 799});
  const CSVDataFingerPrint f = s.Stored();
  s.pointCounts[1] = 5;
  s.signals[1][400] = 99.0f;
  EXPECT_TRUE(f.Matches(3, s.headers, nullptr, nullptr));
  EXPECT_FALSE(f.Matches(2, s.headers, nullptr, nullptr));
  s.headers[1].Rpm = 1.0f;
  EXPECT_FALSE(f.Matches(3, s.headers, nullptr, nullptr));
}

TEST(DataFingerprintTest, StoringAgainReplacesTheEarlierSignature) {
  const Scans a({800, 801, 799});
  const Scans b({20});
  CSVDataFingerPrint f = a.Stored();
  f.Store(b.count(), b.headers, b.pointCounts, b.signals);
  EXPECT_EQ(f.count(), 1);
  EXPECT_EQ(f.MiddleIndex(), 10);
  EXPECT_TRUE(b.Matches(f));
  EXPECT_FALSE(a.Matches(f));
}

// A scan shorter than half the longest one has no point at the middle index:
// its last point stands in, and nothing beyond its end is ever read.
TEST(DataFingerprintTest, ShortScanIsRecordedAtItsLastPoint) {
  Scans s({800, 100, 0});
  const CSVDataFingerPrint f = s.Stored();
  EXPECT_EQ(f.MiddleIndex(), 400);
  EXPECT_EQ(f.RecordedIndex(1), 400);
  EXPECT_EQ(f.RecordedIndex(2), 100);
  EXPECT_EQ(f.RecordedIndex(3), 0);
  EXPECT_TRUE(s.Matches(f));

  Scans changed({800, 100, 0});
  changed.signals[2][100] += 1e-3f;
  EXPECT_FALSE(changed.Matches(f));

  // The short scan lost points but the counts are not handed over: its
  // signal array no longer reaches the recorded point.
  Scans shortened({800, 60, 0});
  EXPECT_FALSE(f.Matches(3, shortened.headers, nullptr, &shortened.signals));
}

}  // namespace
