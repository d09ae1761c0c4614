// Index-ranged matrices and cubes addressed with the caller's own inclusive
// bounds: seams 1..S, rows 1..nx, columns 1..ny, or 0..nx+1 with a ghost
// border. A matrix is a table of row pointers, each shifted back by the lower
// column bound, and the table itself is shifted back by the lower row bound, so
// m[i][j] is two plain pointer loads with no index arithmetic at the point of
// use. A cube is a table of such matrices.
//
// The C-style creation and release routines are the primitive layer; every
// array the program keeps is owned by a Matrix<T> or Cube<T>, which remembers
// its bounds and releases itself. Running out of memory is fatal: the routine
// throws FatalExit(1) with "allocation failure ..." followed by
// "...now exiting to the system...", after freeing whatever it had obtained.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace kavrel {

[[noreturn]] void fatal_array_error(const char* text);

namespace detail {

// Requests `count` objects of `size` bytes; null when count is negative or the
// request cannot be met. A zero count still yields a distinct, freeable block.
void* RequestBlock(long long count, std::size_t size) noexcept;
void ReleaseBlock(void* block) noexcept;
std::string FailureText(int level, const char* kind);

// Builds the shifted row table; on failure frees what it had and throws
// through fatal_array_error with the message of `kind`.
template <class T>
T** AllocateMatrix(int nrl, int nrh, int ncl, int nch, const char* kind) {
  auto* rows = static_cast<T**>(RequestBlock(static_cast<long long>(nrh) - nrl + 1, sizeof(T*)));
  if (!rows) fatal_array_error(FailureText(1, kind).c_str());
  T** m = rows - nrl;
  for (int i = nrl; i <= nrh; ++i) {
    auto* row = static_cast<T*>(RequestBlock(static_cast<long long>(nch) - ncl + 1, sizeof(T)));
    if (!row) {
      for (int k = i - 1; k >= nrl; --k) ReleaseBlock(m[k] + ncl);
      ReleaseBlock(rows);
      fatal_array_error(FailureText(2, kind).c_str());
    }
    m[i] = row - ncl;
  }
  return m;
}

template <class T>
void ReleaseMatrix(T** m, int nrl, int nrh, int ncl) noexcept {
  if (!m) return;
  for (int i = nrh; i >= nrl; --i) ReleaseBlock(m[i] + ncl);
  ReleaseBlock(m + nrl);
}

template <class T>
T*** AllocateCube(int nrl, int nrh, int ncl, int nch, int ndl, int ndh, const char* cubeKind,
                  const char* matrixKind) {
  auto* planes = static_cast<T***>(RequestBlock(static_cast<long long>(nrh) - nrl + 1, sizeof(T**)));
  if (!planes) fatal_array_error(FailureText(1, cubeKind).c_str());
  T*** c = planes - nrl;
  for (int i = nrl; i <= nrh; ++i) {
    try {
      c[i] = AllocateMatrix<T>(ncl, nch, ndl, ndh, matrixKind);
    } catch (...) {
      for (int k = i - 1; k >= nrl; --k) ReleaseMatrix(c[k], ncl, nch, ndl);
      ReleaseBlock(planes);
      throw;
    }
  }
  return c;
}

template <class T>
void ReleaseCube(T*** c, int nrl, int nrh, int ncl, int nch, int ndl) noexcept {
  if (!c) return;
  for (int i = nrh; i >= nrl; --i) ReleaseMatrix(c[i], ncl, nch, ndl);
  ReleaseBlock(c + nrl);
}

}  // namespace detail

double** dmatrix(int nrl, int nrh, int ncl, int nch);
char** cmatrix(int nrl, int nrh, int ncl, int nch);
double*** dcubix(int nrl, int nrh, int ncl, int nch, int ndl, int ndh);
char*** ccubix(int nrl, int nrh, int ncl, int nch, int ndl, int ndh);

void release_dmatrix(double** m, int nrl, int nrh, int ncl, int nch);
void release_cmatrix(char** m, int nrl, int nrh, int ncl, int nch);
void release_dcubix(double*** c, int nrl, int nrh, int ncl, int nch, int ndl, int ndh);
void release_ccubix(char*** c, int nrl, int nrh, int ncl, int nch, int ndl, int ndh);

namespace detail {
template <class T> constexpr const char* MatrixKind() { return "matrix"; }
template <> constexpr const char* MatrixKind<double>() { return "dmatrix"; }
template <> constexpr const char* MatrixKind<char>() { return "cmatrix"; }
template <class T> constexpr const char* CubeKind() { return "cubix"; }
template <> constexpr const char* CubeKind<double>() { return "dcubix"; }
template <> constexpr const char* CubeKind<char>() { return "ccubix"; }
}  // namespace detail

// Owning matrix m[nrl..nrh][ncl..nch]. Elements are not initialised.
template <class T>
class Matrix {
 public:
  Matrix() = default;
  Matrix(int nrl, int nrh, int ncl, int nch) { Allocate(nrl, nrh, ncl, nch); }
  ~Matrix() { Release(); }
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
  Matrix(Matrix&& o) noexcept { *this = std::move(o); }
  Matrix& operator=(Matrix&& o) noexcept {
    if (this != &o) {
      Release();
      std::swap(p_, o.p_);
      nrl_ = o.nrl_; nrh_ = o.nrh_; ncl_ = o.ncl_; nch_ = o.nch_;
    }
    return *this;
  }

  void Allocate(int nrl, int nrh, int ncl, int nch) {
    Release();
    p_ = detail::AllocateMatrix<T>(nrl, nrh, ncl, nch, detail::MatrixKind<T>());
    nrl_ = nrl; nrh_ = nrh; ncl_ = ncl; nch_ = nch;
  }
  void Release() noexcept {
    detail::ReleaseMatrix(p_, nrl_, nrh_, ncl_);
    p_ = nullptr;
  }
  void Fill(const T& v) {
    for (int i = nrl_; i <= nrh_; ++i)
      for (int j = ncl_; j <= nch_; ++j) p_[i][j] = v;
  }

  T* operator[](int i) const { return p_[i]; }
  T** data() const { return p_; }
  operator T**() const { return p_; }  // NOLINT: passes as the plain table
  explicit operator bool() const { return p_ != nullptr; }
  int rowLow() const { return nrl_; }
  int rowHigh() const { return nrh_; }
  int colLow() const { return ncl_; }
  int colHigh() const { return nch_; }

 private:
  T** p_ = nullptr;
  int nrl_ = 0, nrh_ = -1, ncl_ = 0, nch_ = -1;
};

// Owning cube c[nrl..nrh][ncl..nch][ndl..ndh]. Elements are not initialised.
template <class T>
class Cube {
 public:
  Cube() = default;
  Cube(int nrl, int nrh, int ncl, int nch, int ndl, int ndh) { Allocate(nrl, nrh, ncl, nch, ndl, ndh); }
  ~Cube() { Release(); }
  Cube(const Cube&) = delete;
  Cube& operator=(const Cube&) = delete;
  Cube(Cube&& o) noexcept { *this = std::move(o); }
  Cube& operator=(Cube&& o) noexcept {
    if (this != &o) {
      Release();
      std::swap(p_, o.p_);
      nrl_ = o.nrl_; nrh_ = o.nrh_; ncl_ = o.ncl_; nch_ = o.nch_; ndl_ = o.ndl_; ndh_ = o.ndh_;
    }
    return *this;
  }

  void Allocate(int nrl, int nrh, int ncl, int nch, int ndl, int ndh) {
    Release();
    p_ = detail::AllocateCube<T>(nrl, nrh, ncl, nch, ndl, ndh, detail::CubeKind<T>(), detail::MatrixKind<T>());
    nrl_ = nrl; nrh_ = nrh; ncl_ = ncl; nch_ = nch; ndl_ = ndl; ndh_ = ndh;
  }
  void Release() noexcept {
    detail::ReleaseCube(p_, nrl_, nrh_, ncl_, nch_, ndl_);
    p_ = nullptr;
  }
  void Fill(const T& v) {
    for (int s = nrl_; s <= nrh_; ++s)
      for (int i = ncl_; i <= nch_; ++i)
        for (int j = ndl_; j <= ndh_; ++j) p_[s][i][j] = v;
  }

  T** operator[](int s) const { return p_[s]; }
  T*** data() const { return p_; }
  operator T***() const { return p_; }  // NOLINT: passes as the plain table
  explicit operator bool() const { return p_ != nullptr; }
  int planeLow() const { return nrl_; }
  int planeHigh() const { return nrh_; }
  int rowLow() const { return ncl_; }
  int rowHigh() const { return nch_; }
  int colLow() const { return ndl_; }
  int colHigh() const { return ndh_; }

 private:
  T*** p_ = nullptr;
  int nrl_ = 0, nrh_ = -1, ncl_ = 0, nch_ = -1, ndl_ = 0, ndh_ = -1;
};

using DMatrix = Matrix<double>;
using CMatrix = Matrix<char>;
using DCube = Cube<double>;
using CCube = Cube<char>;

}  // namespace kavrel
