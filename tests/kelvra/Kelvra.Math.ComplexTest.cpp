#include "kelvra/Kelvra.Math.Complex.h"

#include <gtest/gtest.h>

#include <cstring>

#include "corvane/numeric/IPPPTypes.h"

namespace kelvra {
namespace {

TEST(TComplex, ArithmeticFollowsTheTextbookFormulas) {
  constexpr TComplex a{3, 4}, b{1, -2};
  static_assert(a + b == TComplex{4, 2});
  static_assert(a - b == TComplex{2, 6});
  static_assert(a * b == TComplex{11, -2});
  static_assert(a.Conjugate() == TComplex{3, -4});
  static_assert(a.Square() == TComplex{-7, 24});
  const TComplex q = a / b;
  EXPECT_DOUBLE_EQ(q.Real, -1.0);
  EXPECT_DOUBLE_EQ(q.Imag, 2.0);
  EXPECT_DOUBLE_EQ(a.Abs(), 5.0);
}

TEST(TComplex, SquareRootIsThePrincipalBranch) {
  const TComplex r = TComplex{-7, 24}.SquareRoot();
  EXPECT_DOUBLE_EQ(r.Real, 3.0);
  EXPECT_DOUBLE_EQ(r.Imag, 4.0);
  const TComplex n = TComplex{-4, -0.0}.SquareRoot();
  EXPECT_DOUBLE_EQ(n.Real, 0.0);
  EXPECT_DOUBLE_EQ(n.Imag, -2.0);
}

TEST(TComplex, HasTheLayoutOfIpp64fc) {
  TComplex c{1.5, -2.5};
  corvane::Ipp64fc ipp;
  std::memcpy(&ipp, &c, sizeof ipp);
  EXPECT_EQ(ipp.re, 1.5);
  EXPECT_EQ(ipp.im, -2.5);
}

}  // namespace
}  // namespace kelvra
