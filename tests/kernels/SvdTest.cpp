#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "kernels/ipps.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::RandomReals;

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A height×width matrix as IPP's arrays of row pointers.
class RowMatrix {
 public:
  RowMatrix(int rows, int cols, std::vector<double> values = {})
      : cols_(cols), data_(values.empty() ? std::vector<double>(size_t(rows * cols)) : values) {
    for (int i = 0; i < rows; ++i) rows_.push_back(data_.data() + i * cols);
  }
  double** Rows() { return rows_.data(); }
  const double** ConstRows() { return const_cast<const double**>(rows_.data()); }
  double operator()(int i, int j) const { return data_[size_t(i * cols_ + j)]; }
  const std::vector<double>& Values() const { return data_; }

 private:
  int cols_;
  std::vector<double> data_;
  std::vector<double*> rows_;
};

// Checks A = U·diag(W)·Vᵀ, W >= 0, VᵀV = I and, for height >= width, UᵀU = I.
void ExpectValidSvd(RowMatrix& a, int height, int width) {
  RowMatrix u(height, width), v(width, width);
  std::vector<double> w(static_cast<size_t>(width));
  ASSERT_EQ(ippsSVD_64f_D2L(a.ConstRows(), u.Rows(), height, w.data(), v.Rows(), width, 30),
            ippStsNoErr);
  double norm = 0;
  for (double x : a.Values()) norm = std::max(norm, std::fabs(x));
  const double tolerance = 20 * kEps * std::max(height, width) * norm;
  for (int i = 0; i < height; ++i) {
    for (int j = 0; j < width; ++j) {
      long double sum = 0;
      for (int k = 0; k < width; ++k) sum += u(i, k) * w[k] * v(j, k);
      ASSERT_NEAR(double(sum), a(i, j), tolerance) << i << ", " << j;
    }
  }
  for (double x : w) EXPECT_GE(x, 0.0);
  const auto expectOrthonormalColumns = [](const RowMatrix& m, int rows, int cols) {
    for (int p = 0; p < cols; ++p) {
      for (int q = 0; q < cols; ++q) {
        long double dot = 0;
        for (int r = 0; r < rows; ++r) dot += m(r, p) * m(r, q);
        ASSERT_NEAR(double(dot), p == q ? 1.0 : 0.0, 20 * kEps * rows) << p << ", " << q;
      }
    }
  };
  expectOrthonormalColumns(v, width, width);
  if (height >= width) expectOrthonormalColumns(u, height, width);
}

KERNEL_TEST(SVD, ReconstructsTheMatrixWithOrthonormalFactors, ippsSVD_64f_D2L) {
  const std::pair<int, int> shapes[] = {{1, 1}, {3, 1}, {3, 2}, {5, 5}, {8, 3}, {40, 17}, {2, 5}};
  for (auto [height, width] : shapes) {
    SCOPED_TRACE(testing::Message() << height << "x" << width);
    RowMatrix a(height, width,
                RandomReals(height * width, uint32_t(height * 100 + width), -5, 5, false));
    ExpectValidSvd(a, height, width);
  }
  // Rank deficient (repeated columns), zero, and badly scaled matrices.
  std::vector<double> repeated;
  for (double x : RandomReals(6, 3, -1, 1, false)) repeated.insert(repeated.end(), {x, 2 * x, x});
  RowMatrix rankOne(6, 3, repeated), zero(4, 3),
      tiny(3, 3, RandomReals(9, 4, -1e-300, 1e-300, false)),
      huge(3, 3, RandomReals(9, 5, -1e300, 1e300, false));
  ExpectValidSvd(rankOne, 6, 3);
  ExpectValidSvd(zero, 4, 3);
  ExpectValidSvd(tiny, 3, 3);
  ExpectValidSvd(huge, 3, 3);
}

TEST(SVD, FindsKnownSingularValuesAndRightVectorsUntransposed) {
  // [[3, 0], [4, 5]] has singular values √45 and √5.
  RowMatrix a(2, 2, {3, 0, 4, 5}), u(2, 2), v(2, 2);
  double w[2];
  ASSERT_EQ(ippsSVD_64f_D2L(a.ConstRows(), u.Rows(), 2, w, v.Rows(), 2, 30), ippStsNoErr);
  std::vector<double> sorted(w, w + 2);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_NEAR(sorted[0], std::sqrt(5.0), 4 * kEps);
  EXPECT_NEAR(sorted[1], std::sqrt(45.0), 8 * kEps);
  // Column j of V is the right singular vector of W[j]: A·v_j = W[j]·u_j.
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i)
      EXPECT_NEAR(a(i, 0) * v(0, j) + a(i, 1) * v(1, j), w[j] * u(i, j), 16 * kEps);
  }
}

// Too few sweeps, a NaN element, and no memory to work in.
TEST(SVD, FailuresWriteNothing) {
  RowMatrix a(6, 6, RandomReals(36, 6, -1, 1, false)), u(6, 6, std::vector<double>(36, 7.0)),
      v(6, 6, std::vector<double>(36, 7.0));
  std::vector<double> w(6, 7.0);
  EXPECT_EQ(ippsSVD_64f_D2L(a.ConstRows(), u.Rows(), 6, w.data(), v.Rows(), 6, 1),
            ippStsSVDCnvgErr);
  RowMatrix withNaN(2, 2, {1, kNaN, 3, 4});
  EXPECT_EQ(ippsSVD_64f_D2L(withNaN.ConstRows(), u.Rows(), 2, w.data(), v.Rows(), 2, 30),
            ippStsSVDCnvgErr);
  {
    test::OutOfMemory outOfMemory;
    EXPECT_EQ(ippsSVD_64f_D2L(a.ConstRows(), u.Rows(), 6, w.data(), v.Rows(), 6, 30),
              ippStsMemAllocErr);
  }
  EXPECT_EQ(w, std::vector<double>(6, 7.0));
  EXPECT_EQ(u.Values(), std::vector<double>(36, 7.0));
  EXPECT_EQ(v.Values(), std::vector<double>(36, 7.0));
}

TEST(SVD, Statuses) {
  RowMatrix a(2, 2, {1, 2, 3, 4}), u(2, 2), v(2, 2);
  double w[2];
  const double** src = a.ConstRows();
  EXPECT_EQ(ippsSVD_64f_D2L(nullptr, u.Rows(), 2, w, v.Rows(), 2, 30), ippStsNullPtrErr);
  EXPECT_EQ(ippsSVD_64f_D2L(src, nullptr, 2, w, v.Rows(), 2, 30), ippStsNullPtrErr);
  EXPECT_EQ(ippsSVD_64f_D2L(src, u.Rows(), 2, nullptr, v.Rows(), 2, 30), ippStsNullPtrErr);
  EXPECT_EQ(ippsSVD_64f_D2L(src, u.Rows(), 2, w, nullptr, 2, 30), ippStsNullPtrErr);
  const double* missingRow[] = {src[0], nullptr};
  EXPECT_EQ(ippsSVD_64f_D2L(missingRow, u.Rows(), 2, w, v.Rows(), 2, 30), ippStsNullPtrErr);
  EXPECT_EQ(ippsSVD_64f_D2L(src, u.Rows(), 0, w, v.Rows(), 2, 30), ippStsSizeErr);
  EXPECT_EQ(ippsSVD_64f_D2L(src, u.Rows(), 2, w, v.Rows(), -1, 30), ippStsSizeErr);
  EXPECT_EQ(ippsSVD_64f_D2L(src, u.Rows(), 2, w, v.Rows(), 2, 0), ippStsSizeErr);
}

}  // namespace
}  // namespace corvane::kernels
