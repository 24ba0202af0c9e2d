#include "numerics/CVector.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <utility>

#include "numerics/FatalError.h"
#include "numerics/NumberTextScanner.h"
#include "platform/FileHandle.h"
#include "ui/Boxes.h"

namespace {

constexpr const char* kNoMemory = "Could not allocate Vector";

// A block of n floats holding values[0..keep-1] first; the program ends when
// memory is exhausted, so no vector is ever left with a count but no block.
std::vector<float> NewBlock(unsigned n, const float* values, unsigned keep) {
  std::vector<float> block;
  try {
    block.assign(n, 0.0f);
  } catch (const std::bad_alloc&) {
    FatalError(kNoMemory);
  }
  const unsigned copied = std::min(keep, n);
  if (copied > 0) std::memcpy(block.data(), values, sizeof(float) * copied);
  return block;
}

// The text of a tick label: an integral value as an int, any other as the
// general six-digit form. The text ends at its first blank and holds at most
// 19 characters and at most size - 1 of them.
int FormatTickText(float v, char* text, int size) {
  if (size < 1) return 0;
  char field[64];
  const float whole = std::floor(v);
  // Only a floor inside the int range can be converted; any other value has
  // no integer text.
  if (whole >= -2147483648.0f && whole < 2147483648.0f &&
      v == static_cast<float>(static_cast<int>(whole)))
    std::snprintf(field, sizeof field, "%d", static_cast<int>(whole));
  else
    std::snprintf(field, sizeof field, "%g", static_cast<double>(v));
  int length = 0;
  while (length < 19 && length < size - 1 && field[length] != '\0' && field[length] != ' ')
    ++length;
  std::memcpy(text, field, static_cast<std::size_t>(length));
  text[length] = '\0';
  return length;
}

}  // namespace

bool AllocVectorData(std::vector<float>& block, unsigned n) {
  try {
    block.assign(n, 0.0f);
  } catch (const std::bad_alloc&) {
    ErrorBox(kNoMemory, true);
    return false;
  }
  return true;
}

CVector::CVector(unsigned count, int attribute) : attribute_(attribute) {
  Install(NewBlock(count, nullptr, 0));
}

CVector::CVector(unsigned count, const float* values, int attribute) : attribute_(attribute) {
  Install(NewBlock(count, values, count));
}

CVector::CVector(const CVector& other) : attribute_(other.attribute_) {
  Install(NewBlock(other.count_, other.data_, other.count_));
}

CVector& CVector::operator=(const CVector& other) {
  if (this != &other) {
    Install(NewBlock(other.count_, other.data_, other.count_));
    attribute_ = other.attribute_;
  }
  return *this;
}

CVector::CVector(CVector&& other) noexcept {
  *this = std::move(other);
}

CVector& CVector::operator=(CVector&& other) noexcept {
  if (this == &other) return *this;
  store_ = std::move(other.store_);
  count_ = other.count_;
  owns_ = other.owns_;
  attribute_ = other.attribute_;
  data_ = owns_ ? (count_ ? store_.data() : nullptr) : other.data_;
  other.store_.clear();
  other.data_ = nullptr;
  other.count_ = 0;
  other.owns_ = true;
  other.attribute_ = 1;
  return *this;
}

void CVector::Install(std::vector<float> block) {
  store_ = std::move(block);
  count_ = static_cast<unsigned>(store_.size());
  data_ = count_ ? store_.data() : nullptr;
  owns_ = true;
}

void CVector::Attach(float* values, unsigned n) {
  // An owned block is given back, unless the new view lies inside it.
  const std::less<const float*> before;
  const bool insideOwnBlock = !store_.empty() && !before(values, store_.data()) &&
                              before(values, store_.data() + store_.size());
  if (!insideOwnBlock) std::vector<float>().swap(store_);
  owns_ = false;
  count_ = n;
  data_ = n ? values : nullptr;
  for (unsigned i = 0; i < n; ++i)
    if (std::fabs(data_[i]) < 1e-30f) data_[i] = 0.0f;
}

void CVector::AttachFrom(float* array, unsigned n, int first) {
  Attach(n ? array + first : nullptr, n);
}

float& CVector::operator[](unsigned i) {
  assert(i < count_);
  return data_[i];
}

float CVector::operator[](unsigned i) const {
  assert(i < count_);
  return data_[i];
}

float CVector::At(int index) const {
  if (!data_ || index < 0 || static_cast<unsigned>(index) >= count_) return 0.0f;
  return data_[index];
}

bool CVector::ClampRange(int& first, int& last) const {
  if (!data_) return false;
  if (first < 0) first = 0;
  if (last > static_cast<int>(count_) - 1) last = static_cast<int>(count_) - 1;
  return last >= first;
}

float CVector::Max() const {
  return MaxInRange(0, static_cast<int>(count_) - 1);
}

float CVector::Min() const {
  return MinInRange(0, static_cast<int>(count_) - 1);
}

float CVector::MaxInRange(int first, int last) const {
  if (!ClampRange(first, last)) return 0.0f;
  float m = data_[first];
  for (int i = first + 1; i <= last; ++i)
    if (data_[i] > m) m = data_[i];
  return m;
}

float CVector::MinInRange(int first, int last) const {
  if (!ClampRange(first, last)) return 0.0f;
  float m = data_[first];
  for (int i = first + 1; i <= last; ++i)
    if (data_[i] < m) m = data_[i];
  return m;
}

float CVector::MinPositiveInRange(int first, int last, bool& flag) const {
  bool found = false;
  float m = 0.0f;
  if (ClampRange(first, last))
    for (int i = first; i <= last; ++i)
      if (data_[i] > 0.0f && (!found || data_[i] < m)) m = data_[i], found = true;
  if (!found) {
    flag = true;
    return 1.0f;
  }
  return m;
}

float CVector::MaxPositiveInRange(int first, int last, bool& flag) const {
  bool found = false;
  float m = 0.0f;
  if (ClampRange(first, last))
    for (int i = first; i <= last; ++i)
      if (data_[i] > 0.0f && (!found || data_[i] > m)) m = data_[i], found = true;
  if (!found) {
    flag = true;
    return 1.0f;
  }
  return m;
}

int CVector::FormatElement(int index, char* text, int size, float factor) const {
  if (!data_ || index < 0 || static_cast<unsigned>(index) >= count_) return 0;
  return FormatTickText(data_[index] * factor, text, size);
}

int CVector::FormatElementPow10(int index, char* text, int size, float factor) const {
  if (!data_ || index < 0 || static_cast<unsigned>(index) >= count_) return 0;
  const float exponent = data_[index] * factor;
  return FormatTickText(static_cast<float>(std::pow(10.0, static_cast<double>(exponent))), text,
                        size);
}

void CVector::Scale(float factor) {
  for (unsigned i = 0; i < count_; ++i) data_[i] *= factor;
}

bool CVector::Equals(const CVector& other) const {
  if (count_ != other.count_) return false;
  for (unsigned i = 0; i < count_; ++i)
    if (!(data_[i] == other.data_[i])) return false;
  return true;
}

void CVector::Assign(const CVector& other) {
  if (this == &other) return;
  if (count_ == other.count_) {
    if (count_ > 0) std::memmove(data_, other.data_, sizeof(float) * count_);
  } else {
    Install(NewBlock(other.count_, other.data_, other.count_));
  }
  attribute_ = other.attribute_;
}

void CVector::Resize(unsigned n) {
  attribute_ = 1;
  if (n == count_) return;
  Install(NewBlock(n, data_, count_));
}

void CVector::Append(float value) {
  if (!owns_) Install(NewBlock(count_, data_, count_));
  try {
    store_.push_back(value);
  } catch (const std::bad_alloc&) {
    FatalError(kNoMemory);
  }
  ++count_;
  data_ = store_.data();
}

namespace {

// 1 when every value reached the file; a failed write (a full disk) is
// reported like a file that cannot be opened.
int WrittenOrReported(FileHandle& file, const std::string& path) {
  if (CloseAfterWriting(file)) return 1;
  ErrorBox("Attention: could not write " + path);
  return 0;
}

}  // namespace

int CVector::WriteFile(const std::string& path) const {
  FileHandle file(std::fopen(path.c_str(), "w"));
  if (!file) {
    ErrorBox("Attention: could not open " + path);
    return 0;
  }
  for (unsigned i = 0; i < count_; ++i)
    std::fprintf(file.get(), "%f\n", static_cast<double>(data_[i]));
  return WrittenOrReported(file, path);
}

int CVector::WritePow10File(const std::string& path) const {
  FileHandle file(std::fopen(path.c_str(), "w"));
  if (!file) {
    ErrorBox("Attention: could not open " + path);
    return 0;
  }
  for (unsigned i = 0; i < count_; ++i)
    std::fprintf(file.get(), "%f\n",
                 static_cast<double>(static_cast<float>(std::pow(10.0, data_[i]))));
  return WrittenOrReported(file, path);
}

int CVector::ReadFile(const std::string& path) {
  NumberTextScanner scanner;
  if (!scanner.Open(path)) {
    ErrorBox("\nAttention: could not open " + path);
    return 0;
  }
  float value = 0.0f;
  if (data_) {
    for (unsigned i = 0; i < count_ && scanner.ReadFloat(value); ++i) {
      data_[i] = value;
      scanner.DiscardLinePiece();
    }
    return 1;
  }
  // Collected first and installed once: the same owned result as appending
  // value by value, without a new block for every number.
  std::vector<float> values;
  while (scanner.ReadFloat(value)) {
    try {
      values.push_back(value);
    } catch (const std::bad_alloc&) {
      FatalError(kNoMemory);
    }
    scanner.DiscardLinePiece();
  }
  if (!values.empty()) Install(std::move(values));
  return 1;
}

void CVector::DisplayContents() const {
  ErrorBox("Display vector contents not implemented");
}
