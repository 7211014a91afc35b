#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/buffers/BufferTestSupport.h"

namespace kelvra {
// Found by argument-dependent lookup: failures print the two parts.
void PrintTo(const TComplex& z, std::ostream* os) { *os << "(" << z.Real << ", " << z.Imag << ")"; }
}  // namespace kelvra

namespace corvane {
namespace {

using kelvra::TComplex;
using ComplexBufferTest = BufferTest;
using TComplexBuffer = kelvra::TIntf<IKDComplexBuffer>;

TComplexBuffer Complex(std::vector<TComplex> values) {
  return TKDComplexBuffer::CreateData(values.data(), uint32_t(values.size()));
}

std::vector<TComplex> Items(const TComplexBuffer& buffer) {
  return std::vector<TComplex>(buffer->GetEnumerator().begin(), buffer->GetEnumerator().end());
}

TEST_F(ComplexBufferTest, PairingPadsTheShorterPartWithZerosSetBufferCutsToTheShorter) {
  EXPECT_EQ(Items(TKDComplexBuffer::CreateBuffers(Real({1, 2, 3}), Real({4}))),
            (std::vector<TComplex>{{1, 4}, {2, 0}, {3, 0}}));
  EXPECT_EQ(Items(TKDComplexBuffer::CreateBuffers(Real({1}), Real({4, 5}))),
            (std::vector<TComplex>{{1, 4}, {0, 5}}));
  EXPECT_EQ(Items(TKDComplexBuffer::CreateBuffers(Real({1, 2}), Real({3, 4}))),
            (std::vector<TComplex>{{1, 3}, {2, 4}}));
  EXPECT_EQ(TKDComplexBuffer::CreateBuffers(Real({}), Real({}))->GetSize(), 0u);

  TComplexBuffer paired = TKDComplexBuffer::CreateSize(5);
  paired->SetBuffer(Real({1, 2, 3}), Real({4}));
  EXPECT_EQ(Items(paired), (std::vector<TComplex>{{1, 4}}));
}

TEST_F(ComplexBufferTest, ConstructorsShareOrCopyAsTheyPromise) {
  EXPECT_EQ(Items(TKDComplexBuffer::CreateSize(2)), (std::vector<TComplex>(2)));
  EXPECT_EQ(Items(TKDComplexBuffer::CreateData(nullptr, 2)), (std::vector<TComplex>(2)));
  EXPECT_EQ(Items(TKDComplexBuffer::CreateValue(1, -1, 2)),
            (std::vector<TComplex>{{1, -1}, {1, -1}}));
  const TComplex list[] = {{1, 2}, {3, 4}};
  EXPECT_EQ(Items(TKDComplexBuffer::CreateArrayList(list)), (std::vector<TComplex>{{1, 2}, {3, 4}}));

  TComplexBuffer source = Complex({{1, 2}, {3, 4}});
  TComplexBuffer copy = TKDComplexBuffer::CreateCopy(source);
  EXPECT_EQ(copy->Read(), source->Read());
  // Any buffer's bytes read as complex numbers: four doubles are two elements.
  TComplexBuffer view = TKDComplexBuffer::CreateUniversal(Real({1, 2, 3, 4, 5}));
  EXPECT_EQ(Items(view), (std::vector<TComplex>{{1, 2}, {3, 4}}));
  EXPECT_FALSE(source->IsEqual(Real({1, 2, 3, 4})));  // same bytes, another kind
  EXPECT_TRUE(source->IsEqual(Complex({{1, 2}, {3, 4}})));
}

TEST_F(ComplexBufferTest, ElementAccessDetachesOnWriteAndRefusesIndicesOutside) {
  TComplexBuffer source = Complex({{1, 2}, {3, 4}});
  TComplexBuffer copy = TKDComplexBuffer::CreateCopy(source);
  copy->SetItem(1, {9, 9});
  EXPECT_EQ(source->GetItem(1), (TComplex{3, 4}));
  TComplex value;
  copy->GetItemProc(1, value);
  EXPECT_EQ(value, (TComplex{9, 9}));
  EXPECT_THROW(copy->GetItem(2), kelvra::ERangeError);
  EXPECT_THROW(copy->GetItem(-1), kelvra::ERangeError);
  EXPECT_THROW(copy->SetItem(2, {}), kelvra::ERangeError);
  EXPECT_EQ(MessageOf<kelvra::ERangeError>([&] { copy->GetItemProc(7, value); }),
            "Index out of range = 7");
}

TEST_F(ComplexBufferTest, ConstantOperationsNeverSkipSoAddingZeroStillDetaches) {
  TComplexBuffer source = Complex({{1, 1}});
  TComplexBuffer copy = TKDComplexBuffer::CreateCopy(source);
  copy->AddValue(0, 0);
  EXPECT_NE(copy->Read(), source->Read());
  EXPECT_EQ(Items(copy), (std::vector<TComplex>{{1, 1}}));  // Modify: the values came along

  TComplexBuffer z = Complex({{1, 2}, {3, -1}});
  z->MultiplyValue(0, 1);  // × i
  EXPECT_EQ(Items(z), (std::vector<TComplex>{{-2, 1}, {1, 3}}));
  z->SubtractValue(1, 1);
  z->DivideValue(2, 0);
  EXPECT_EQ(Items(z), (std::vector<TComplex>{{-1.5, 0}, {0, 1}}));
}

TEST_F(ComplexBufferTest, ArithmeticFillsAndElementFunctionsUseTheCommonCount) {
  TComplexBuffer a = Complex({{1, 1}, {2, 0}, {5, 5}});
  a->Multiply(Complex({{1, -1}, {0, 1}}));
  EXPECT_EQ(Items(a), (std::vector<TComplex>{{2, 0}, {0, 2}, {5, 5}}));
  a->Divide(Complex({{2, 0}, {0, 2}}));
  a->Add(Complex({{1, 1}}));
  a->Subtract(Complex({{0, 0}, {1, 0}}));
  EXPECT_EQ(Items(a), (std::vector<TComplex>{{2, 1}, {0, 0}, {5, 5}}));

  TComplexBuffer target = Complex({{7, 7}, {7, 7}, {7, 7}});
  TComplexBuffer other = TKDComplexBuffer::CreateCopy(target);
  target->SqrFrom(Complex({{0, 1}, {1, 1}}));  // Write: the tail of a detached block is zero
  EXPECT_EQ(Items(target), (std::vector<TComplex>{{-1, 0}, {0, 2}, {0, 0}}));
  EXPECT_EQ(Items(other), (std::vector<TComplex>(3, {7, 7})));
  target->SqrtFrom(Complex({{-4, 0}}));
  EXPECT_EQ(target->GetItem(0), (TComplex{0, 2}));
  target->Sqr();
  EXPECT_EQ(target->GetItem(0), (TComplex{-4, 0}));

  target->SetValue({1, 2});
  EXPECT_TRUE(target->IsEqualToValue({1, 2}));
  EXPECT_FALSE(target->IsEqualToValue({1, 3}));
  target->Zero();
  EXPECT_TRUE(target->IsEqualToValue({0, 0}));
  EXPECT_TRUE(TKDComplexBuffer::Create()->IsEqualToValue({NAN, 0}));
  EXPECT_FALSE(Complex({{NAN, 0}})->IsEqualToValue({NAN, 0}));
}

TEST_F(ComplexBufferTest, MeanIsTheMeanOfTheAbsolutePartsAndDotStartsFromZero) {
  EXPECT_EQ(Complex({{1, -2}, {-3, 4}})->Mean(), (TComplex{2, 3}));
  EXPECT_TRUE(std::isnan(TKDComplexBuffer::Create()->Mean().Real));
  // IPP's complex dot product: Σ src1[i] × src2[i], without conjugation.
  EXPECT_EQ(Complex({{1, 1}, {2, 0}, {9, 9}})->Dot(Complex({{0, 1}, {3, 0}})), (TComplex{5, 1}));
}

TEST_F(ComplexBufferTest, ExtractionMakesNewRealBuffersOfTheSameSize) {
  TComplexBuffer z = Complex({{3, 4}, {0, -2}});
  EXPECT_EQ(Values(z->Magnitude()), (std::vector<double>{5, 2}));
  EXPECT_EQ(Values(z->PowerSpectrum()), (std::vector<double>{25, 4}));
  EXPECT_EQ(Values(z->GetReal()), (std::vector<double>{3, 0}));
  EXPECT_EQ(Values(z->GetImaginary()), (std::vector<double>{4, -2}));
  const std::vector<double> phase = Values(z->Phase());
  EXPECT_DOUBLE_EQ(phase[0], std::atan2(4, 3));
  EXPECT_DOUBLE_EQ(phase[1], -std::numbers::pi / 2);
  EXPECT_EQ(TKDComplexBuffer::Create()->Magnitude()->GetSize(), 0u);
}

TEST_F(ComplexBufferTest, ThresholdsWorkOnTheMagnitude) {
  TComplexBuffer z = Complex({{3, 4}, {0.3, 0.4}});
  z->Threshold(1, ttLessThan);  // |0.5| < 1: scaled up to magnitude 1, the phase kept
  EXPECT_EQ(z->GetItem(0), (TComplex{3, 4}));
  EXPECT_NEAR(z->GetItem(1).Real, 0.6, 1e-15);
  EXPECT_NEAR(z->GetItem(1).Imag, 0.8, 1e-15);
  TComplexBuffer target = TKDComplexBuffer::CreateSize(2);
  target->ThresholdFrom(Complex({{3, 4}, {0, 1}}), 2.5, ttGreaterThan);
  EXPECT_NEAR(target->GetItem(0).Real, 1.5, 1e-15);
  EXPECT_EQ(target->GetItem(1), (TComplex{0, 1}));
}

TEST_F(ComplexBufferTest, NormalizeInPlaceMovesToAFreshBlockWithoutCopyingFirst) {
  TComplexBuffer z = Complex({{3, 4}, {5, 6}});
  TComplexBuffer keeper = TKDComplexBuffer::CreateCopy(z);
  z->Normalize({1, 2}, 2);
  EXPECT_EQ(Items(z), (std::vector<TComplex>{{1, 1}, {2, 2}}));
  EXPECT_EQ(Items(keeper), (std::vector<TComplex>{{3, 4}, {5, 6}}));
  TComplex out[2];
  const TComplex subtract{1, 1};
  KDComplexNormalizeFrom(keeper->Read(), out, 2, &subtract, 1);
  EXPECT_EQ(out[1], (TComplex{4, 5}));
}

TEST_F(ComplexBufferTest, CorrelationsFollowTheRealBuffersCounts) {
  TComplexBuffer auto_ = TKDComplexBuffer::CreateSize(2);
  auto_->AutoCorr(Complex({{1, 0}, {1, 0}}), actNormal);
  EXPECT_EQ(Items(auto_), (std::vector<TComplex>{{2, 0}, {1, 0}}));
  TComplexBuffer cross = TKDComplexBuffer::CreateSize(1);
  cross->CrossCorr(Complex({{1, 0}, {2, 0}}), Complex({{1, 0}, {2, 0}}), 0);
  EXPECT_EQ(cross->GetItem(0), (TComplex{5, 0}));
}

}  // namespace
}  // namespace corvane
