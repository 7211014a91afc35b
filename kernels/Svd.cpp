// The singular value decomposition ippsSVD_64f_D2L: A = U·diag(W)·Vᵀ.
//
// Written from the ALGOL procedure svd of G. H. Golub and C. Reinsch, "Singular value
// decomposition and least squares solutions", Numerische Mathematik 14 (1970) 403-420:
// Householder bidiagonalisation, accumulation of the right and left transformations, then
// implicit-shift QR sweeps on the bidiagonal, with the paper's cancellation of a negligible
// diagonal element, its shift from the trailing 2×2 of BᵀB, its negligibility test
// |e| <= eps·max(|w| + |e|), and its sign change of negative singular values. Added to it: where
// a sweep's second rotation has length z = 0, its angle is arbitrary and the previous one is kept;
// the sweeps per singular value are bounded by nIter; the matrix is first scaled by a power of
// two.
//
// Choices where IPP's documents leave a behaviour open:
// - Past nIter sweeps on one singular value the result is ippStsSVDCnvgErr and nothing is
//   written, as for a matrix with NaN or infinite elements.
// - The singular values are not sorted; V is not transposed.
// - The scaling brings the largest element near 1, so that no intermediate overflows or
//   underflows needlessly.
// - For height < width we decompose A with width − height zero rows appended, so that
//   A = U·diag(W)·Vᵀ still holds, with width − height singular values 0 (U's columns are then not
//   orthonormal).
// - Null row pointers are ippStsNullPtrErr as well; when memory runs out the result is
//   ippStsMemAllocErr and nothing is written.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "kernels/KernelSupport.h"
#include "kernels/ipps.h"

namespace corvane::kernels {

namespace {

// A dense row-major matrix.
class Matrix {
 public:
  Matrix(size_t rows, size_t cols) : cols_(cols), data_(rows * cols) {}
  double& operator()(size_t i, size_t j) { return data_[i * cols_ + j]; }
  double* Row(size_t i) { return &data_[i * cols_]; }
  size_t Cols() const { return cols_; }

 private:
  size_t cols_;
  std::vector<double> data_;
};

// `len` elements `stride` apart: a row or a column of a Matrix.
struct Strided {
  double* first;
  size_t stride;
  size_t len;
  double& operator[](size_t k) const { return first[k * stride]; }
};
Strided ColumnFrom(Matrix& m, size_t row, size_t col, size_t len) {
  return {&m(row, col), m.Cols(), len};
}
Strided RowFrom(Matrix& m, size_t row, size_t col) {
  return {&m(row, col), 1, m.Cols() - col};
}

double Dot(Strided x, Strided y) {
  double sum = 0;
  for (size_t k = 0; k < x.len; ++k) sum += x[k] * y[k];
  return sum;
}

// A Householder reflection H = I − 2·v·vᵀ/(vᵀv) that maps x onto alpha·e0: leaves v in x and
// returns {alpha, vᵀv} (vᵀv = 0 when x is zero, where H is the identity).
struct Reflector {
  double alpha, vv;
};
Reflector MakeReflector(Strided x) {
  const double norm = std::sqrt(Dot(x, x));
  if (norm == 0) return {0, 0};
  const double alpha = -std::copysign(norm, x[0]);
  x[0] -= alpha;  // no cancellation: x[0] and alpha have opposite signs
  return {alpha, -2 * alpha * x[0]};
}
// y ← H·y
void Reflect(Strided v, double vv, Strided y) {
  if (vv == 0) return;
  const double f = 2 * Dot(v, y) / vv;
  for (size_t k = 0; k < v.len; ++k) y[k] -= f * v[k];
}

// (x, y) ← (x·c + y·s, y·c − x·s) for columns i and j of m.
void Rotate(Matrix& m, size_t rows, size_t i, size_t j, double c, double s) {
  for (size_t r = 0; r < rows; ++r) {
    const double x = m(r, i), y = m(r, j);
    m(r, i) = x * c + y * s;
    m(r, j) = y * c - x * s;
  }
}

// The decomposition of an m×n matrix, m >= n, held in `a`: a = u·diag(w)·vᵀ.
class GolubReinsch {
 public:
  GolubReinsch(Matrix a, size_t m, size_t n) : a_(std::move(a)), u_(m, n), v_(n, n), m_(m), n_(n) {
    w_.resize(n);
    e_.assign(n, 0.0);
  }

  bool Run(int nIter) {
    Bidiagonalise();
    AccumulateV();
    AccumulateU();
    const double tolerance = std::numeric_limits<double>::epsilon() * BidiagonalNorm();
    for (size_t k = n_; k-- > 0;)
      if (!Diagonalise(k, tolerance, nIter)) return false;
    return true;
  }

  Matrix& U() { return u_; }
  Matrix& V() { return v_; }
  const std::vector<double>& W() const { return w_; }

 private:
  // a = H·B·G with B bidiagonal (diagonal w, superdiagonal e[1..n−1]); the left reflectors'
  // vectors stay in a's columns from the diagonal down, the right ones' in its rows right of the
  // superdiagonal's start.
  void Bidiagonalise() {
    leftVV_.assign(n_, 0.0);
    rightVV_.assign(n_, 0.0);
    for (size_t i = 0; i < n_; ++i) {
      const Strided column = ColumnFrom(a_, i, i, m_ - i);
      const Reflector left = MakeReflector(column);
      w_[i] = left.alpha;
      leftVV_[i] = left.vv;
      for (size_t j = i + 1; j < n_; ++j) Reflect(column, left.vv, ColumnFrom(a_, i, j, m_ - i));
      if (i + 1 == n_) break;
      const Strided row = RowFrom(a_, i, i + 1);
      const Reflector right = MakeReflector(row);
      e_[i + 1] = right.alpha;
      rightVV_[i] = right.vv;
      for (size_t r = i + 1; r < m_; ++r) Reflect(row, right.vv, RowFrom(a_, r, i + 1));
    }
  }
  // v = G_0·G_1·…·G_{n−2}, built from the last reflector backwards.
  void AccumulateV() {
    for (size_t i = 0; i < n_; ++i) v_(i, i) = 1;
    for (size_t i = n_ - 1; i-- > 0;) {
      const Strided reflector = RowFrom(a_, i, i + 1);
      for (size_t c = i + 1; c < n_; ++c)
        Reflect(reflector, rightVV_[i], ColumnFrom(v_, i + 1, c, n_ - i - 1));
    }
  }
  // u = H_0·H_1·…·H_{n−1} applied to the first n columns of the identity.
  void AccumulateU() {
    for (size_t i = 0; i < n_; ++i) u_(i, i) = 1;
    for (size_t i = n_; i-- > 0;) {
      const Strided reflector = ColumnFrom(a_, i, i, m_ - i);
      for (size_t c = i; c < n_; ++c) Reflect(reflector, leftVV_[i], ColumnFrom(u_, i, c, m_ - i));
    }
  }

  // Runs QR sweeps on the block that ends at row k until e[k] vanishes, then makes w[k] >= 0.
  bool Diagonalise(size_t k, double tolerance, int nIter) {
    for (int sweeps = 0;; ++sweeps) {
      const size_t l = SplitPoint(k, tolerance);
      if (l == k) break;
      if (sweeps == nIter) return false;
      Sweep(l, k);
    }
    if (w_[k] < 0) {
      w_[k] = -w_[k];
      for (size_t r = 0; r < n_; ++r) v_(r, k) = -v_(r, k);
    }
    return true;
  }

  double BidiagonalNorm() const {
    double norm = 0;
    for (size_t i = 0; i < n_; ++i) norm = std::max(norm, std::fabs(w_[i]) + std::fabs(e_[i]));
    return norm;
  }

  // The start l of the unreduced block that ends at k: e[l] is negligible (e[0] always is). A
  // negligible w[l−1] is first made to split the block there by rotating e[l] away.
  size_t SplitPoint(size_t k, double tolerance) {
    for (size_t l = k; l > 0; --l) {
      if (std::fabs(e_[l]) <= tolerance) return l;
      if (std::fabs(w_[l - 1]) <= tolerance) {
        CancelSuperdiagonal(l, k, tolerance);
        return l;
      }
    }
    return 0;
  }

  // Zeroes e[l] when w[l−1] is negligible, rotating row l−1 against rows l..k.
  void CancelSuperdiagonal(size_t l, size_t k, double tolerance) {
    double c = 0, s = 1;
    for (size_t i = l; i <= k; ++i) {
      const double f = s * e_[i];
      e_[i] *= c;
      if (std::fabs(f) <= tolerance) break;
      const double g = w_[i], h = std::hypot(f, g);
      w_[i] = h;
      c = g / h;
      s = -f / h;
      Rotate(u_, m_, l - 1, i, c, s);
    }
  }

  // One implicit QR sweep over rows l..k, shifted by the eigenvalue of the trailing 2×2 of BᵀB
  // nearer to w[k]².
  void Sweep(size_t l, size_t k) {
    double x = w_[l], y = w_[k - 1], z = w_[k], g = e_[k - 1], h = e_[k];
    double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
    g = std::hypot(f, 1.0);
    f = ((x - z) * (x + z) + h * (y / (f + std::copysign(g, f)) - h)) / x;
    double c = 1, s = 1;
    for (size_t j = l; j < k; ++j) {
      const size_t i = j + 1;
      g = e_[i];
      y = w_[i];
      h = s * g;
      g = c * g;
      z = std::hypot(f, h);
      e_[j] = z;
      c = f / z;
      s = h / z;
      f = x * c + g * s;
      g = g * c - x * s;
      h = y * s;
      y *= c;
      Rotate(v_, n_, j, i, c, s);
      z = std::hypot(f, h);
      w_[j] = z;
      if (z != 0) {
        c = f / z;
        s = h / z;
      }
      f = c * g + s * y;
      x = c * y - s * g;
      Rotate(u_, m_, j, i, c, s);
    }
    e_[l] = 0;
    e_[k] = f;
    w_[k] = x;
  }

  Matrix a_, u_, v_;
  size_t m_, n_;
  std::vector<double> w_, e_, leftVV_, rightVV_;
};

template <class Row>
bool AnyNullRow(Row* const* rows, int count) {
  return std::any_of(rows, rows + count, [](Row* row) { return row == nullptr; });
}

// The largest |element|, infinite when some element is NaN or infinite.
double LargestMagnitude(const Ipp64f** a, size_t height, size_t width) {
  double largest = 0;
  for (size_t i = 0; i < height; ++i) {
    for (size_t j = 0; j < width; ++j) {
      if (!std::isfinite(a[i][j])) return std::numeric_limits<double>::infinity();
      largest = std::max(largest, std::fabs(a[i][j]));
    }
  }
  return largest;
}

}  // namespace

IppStatus ippsSVD_64f_D2L(const Ipp64f** mSrcA, Ipp64f** mDstU, int height, Ipp64f* pDstW,
                          Ipp64f** mDstV, int width, int nIter) {
  if (AnyNull(mSrcA, mDstU, pDstW, mDstV)) return ippStsNullPtrErr;
  if (height <= 0 || width <= 0 || nIter <= 0) return ippStsSizeErr;
  if (AnyNullRow(mSrcA, height) || AnyNullRow(mDstU, height) || AnyNullRow(mDstV, width))
    return ippStsNullPtrErr;
  const size_t h = size_t(height), n = size_t(width), m = std::max(h, n);
  const double largest = LargestMagnitude(mSrcA, h, n);
  if (std::isinf(largest)) return ippStsSVDCnvgErr;
  // A power of two that brings the largest element near 1 (and no further than 2^1000 up).
  const double scale = largest == 0 ? 1 : std::ldexp(1.0, std::min(-std::ilogb(largest), 1000));
  return CatchAllocationFailure([&] {
    Matrix a(m, n);
    for (size_t i = 0; i < h; ++i)
      for (size_t j = 0; j < n; ++j) a(i, j) = mSrcA[i][j] * scale;
    GolubReinsch svd(std::move(a), m, n);
    if (!svd.Run(nIter)) return ippStsSVDCnvgErr;
    for (size_t i = 0; i < h; ++i) std::copy(svd.U().Row(i), svd.U().Row(i) + n, mDstU[i]);
    for (size_t i = 0; i < n; ++i) std::copy(svd.V().Row(i), svd.V().Row(i) + n, mDstV[i]);
    for (size_t j = 0; j < n; ++j) pDstW[j] = svd.W()[j] / scale;
    return ippStsNoErr;
  });
}

}  // namespace corvane::kernels
