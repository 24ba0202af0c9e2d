#pragma once
// The owned one-based arrays that every layer may hold, the on-screen
// widgets included; the handle-based family of numerics/OneBasedArrays.h
// builds on the same convention.

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <vector>

// An owned one-based array for one scope: elements lo..hi, zeroed, with the
// spare slots lo-1 and hi+1 that routines of the one-based family write.
// Indexing is checked in debug builds. data() is the handle that the
// one-based routines take.
template <class T>
class OneBasedArray {
 public:
  OneBasedArray() = default;
  OneBasedArray(int lo, int hi) { Resize(lo, hi); }

  void Resize(int lo, int hi) {
    assert(hi >= lo - 1);
    lo_ = lo;
    hi_ = hi;
    store_.assign(static_cast<std::size_t>(hi - lo + 3), T{});
  }
  T& operator[](int i) {
    assert(i >= lo_ - 1 && i <= hi_ + 1);
    return store_[static_cast<std::size_t>(i - lo_ + 1)];
  }
  const T& operator[](int i) const {
    assert(i >= lo_ - 1 && i <= hi_ + 1);
    return store_[static_cast<std::size_t>(i - lo_ + 1)];
  }
  // Handle with handle[lo] the first element. Valid for lo <= 1 without
  // leaving the block; for other bounds use operator[].
  T* data() {
    assert(lo_ <= 1);
    return store_.data() + (1 - lo_);
  }
  const T* data() const {
    assert(lo_ <= 1);
    return store_.data() + (1 - lo_);
  }
  int lo() const { return lo_; }
  int hi() const { return hi_; }
  int size() const { return hi_ - lo_ + 1; }

 private:
  int lo_ = 1;
  int hi_ = 0;
  std::vector<T> store_ = std::vector<T>(2);
};

// An owned one-based matrix for one scope: rows rl..rh, columns cl..ch,
// zeroed, contiguous row after row. get() is the row-pointer handle.
template <class T>
class OneBasedMatrix {
 public:
  OneBasedMatrix() = default;
  OneBasedMatrix(int rl, int rh, int cl, int ch) { Resize(rl, rh, cl, ch); }
  // A copy owns its values: its row handles point into its own block, never
  // into the original's. A move keeps the block, and with it the handles.
  OneBasedMatrix(const OneBasedMatrix& other) { *this = other; }
  OneBasedMatrix& operator=(const OneBasedMatrix& other) {
    if (this == &other) return *this;
    Resize(other.rl_, other.rh_, other.cl_, other.ch_);
    std::copy(other.data_.begin(), other.data_.end(), data_.begin());
    return *this;
  }
  OneBasedMatrix(OneBasedMatrix&&) noexcept = default;
  OneBasedMatrix& operator=(OneBasedMatrix&&) noexcept = default;

  void Resize(int rl, int rh, int cl, int ch) {
    assert(rh >= rl - 1 && ch >= cl - 1 && rl <= 1 && cl <= 1);
    rl_ = rl;
    rh_ = rh;
    cl_ = cl;
    ch_ = ch;
    const int nrow = rh - rl + 1, ncol = ch - cl + 1;
    data_.assign(static_cast<std::size_t>(nrow) * ncol + 1, T{});
    rows_.assign(static_cast<std::size_t>(nrow) + 1, nullptr);
    for (int i = 0; i < nrow; ++i)
      rows_[static_cast<std::size_t>(i) + 1] =
          data_.data() + 1 + static_cast<std::size_t>(i) * ncol - cl;
  }
  T** get() { return rows_.data() + (1 - rl_); }
  // Read-only handle; the rows themselves stay read-only through it.
  const T* const* get() const { return rows_.data() + (1 - rl_); }
  T* operator[](int i) {
    assert(i >= rl_ && i <= rh_);
    return get()[i];
  }
  const T* operator[](int i) const {
    assert(i >= rl_ && i <= rh_);
    return rows_[static_cast<std::size_t>(i - rl_ + 1)];
  }
  int rows() const { return rh_ - rl_ + 1; }
  int cols() const { return ch_ - cl_ + 1; }

 private:
  int rl_ = 1, rh_ = 0, cl_ = 1, ch_ = 0;
  std::vector<T> data_;
  std::vector<T*> rows_;
};
