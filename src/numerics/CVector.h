#pragma once
// The float vector of the program: a counted run of single-precision values,
// indexed from 0, that either owns its block or wraps memory that belongs to
// someone else (usually the elements 1..n of a one-based array, so that a
// curve can be drawn from the scan arrays without copying them).
//
// An owned block lives in a std::vector inside the object; a wrapping vector
// only borrows, so it can never release the caller's memory.

#include <string>
#include <vector>

// Takes a block of n floats into block. On exhausted memory shows "Could not
// allocate Vector" with the request to end the program and returns false.
bool AllocVectorData(std::vector<float>& block, unsigned n);

class CVector {
 public:
  // An empty vector: no block, count 0, owning, attribute 1.
  CVector() = default;
  // A new owned block of count values (count 0: an empty vector).
  explicit CVector(unsigned count, int attribute = 1);
  // A new owned block holding a copy of values[0..count-1].
  CVector(unsigned count, const float* values, int attribute = 1);
  // Deep copies: the copy owns a block of its own.
  CVector(const CVector& other);
  CVector& operator=(const CVector& other);
  CVector(CVector&& other) noexcept;
  CVector& operator=(CVector&& other) noexcept;
  ~CVector() = default;

  // Wraps values[0..n-1] of the caller's memory without owning it (n = 0:
  // no block). Values of magnitude below 1e-30 are set to 0 in the caller's
  // memory, so that plots and logarithms never meet vanishing values.
  void Attach(float* values, unsigned n);
  // Attach on array[first .. first+n-1]; first = 1 wraps elements 1..n of a
  // one-based array.
  void AttachFrom(float* array, unsigned n, int first);

  // The value at a 0-based index; 0 without a block or outside the vector.
  float At(int index) const;
  float Max() const;
  float Min() const;
  // Over first..last, clamped to the vector; 0 without a block or when
  // last < first.
  float MaxInRange(int first, int last) const;
  float MinInRange(int first, int last) const;
  // The same over the positive values only (for logarithmic axes). When
  // there is none, flag is set and 1.0 returned; otherwise flag is untouched.
  float MinPositiveInRange(int first, int last, bool& flag) const;
  float MaxPositiveInRange(int first, int last, bool& flag) const;

  // Tick-label text of value[index]*factor (integers without a point, else
  // six significant digits) into text[0..size-1]; returns its length, 0 with
  // text untouched when there is no such value.
  int FormatElement(int index, char* text, int size, float factor) const;
  // The same for 10 raised to value[index]*factor (logarithmic axes).
  int FormatElementPow10(int index, char* text, int size, float factor) const;

  void Scale(float factor);
  bool Equals(const CVector& other) const;
  bool Differs(const CVector& other) const { return !Equals(other); }
  // Equal counts: the values are copied into the existing block (the
  // caller's memory for a wrapping vector). Otherwise the vector takes an
  // owned copy of other.
  void Assign(const CVector& other);
  // A new owned block of n values keeping the leading ones; attribute 1.
  void Resize(unsigned n);
  void Append(float value);
  void AppendValue(float value) { Append(value); }

  // Text files of one value per line ("%f"). The writers return 1, or 0
  // after a message when the file cannot be created.
  int WriteFile(const std::string& path) const;
  int WritePow10File(const std::string& path) const;
  // A vector with a block takes at most count numbers into its values; an
  // empty one appends every number read. Reading stops at the end of the
  // file or at the first line that does not begin with a number. Returns 0
  // after a message when the file cannot be opened (vector unchanged).
  int ReadFile(const std::string& path);

  // Savitzky-Golay smoothing in place with nl points on the left and nr on
  // the right (order 1: moving average). Returns 1 when smoothed, else 0.
  int Smooth(int nl, int nr, int order);
  // Smooths these values, given at the abscissae x (ascending, same count),
  // through a uniform grid of count points. Returns 0 only when the counts
  // of x and of this vector differ.
  int SmoothNonUniform(int count, const CVector& x, int nl, int nr, int order);

  void DisplayContents() const;

  float* data() { return data_; }
  const float* data() const { return data_; }
  unsigned count() const { return count_; }
  unsigned capacity() const { return count_; }
  bool owns() const { return owns_; }
  int attribute() const { return attribute_; }
  float& operator[](unsigned i);
  float operator[](unsigned i) const;

 private:
  // Makes block the vector's own (an empty block: no block at all).
  void Install(std::vector<float> block);
  bool ClampRange(int& first, int& last) const;

  std::vector<float> store_;
  float* data_ = nullptr;
  unsigned count_ = 0;
  bool owns_ = true;
  int attribute_ = 1;
};
