#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

#include "kernels/ipps.h"
#include "kernels/reference/FillCopyMove.h"
#include "tests/kernels/KernelTestSupport.h"

namespace corvane::kernels {
namespace {

using test::BitwiseEqual;
using test::kLengths;
using test::Misaligned;
using test::RandomReals;
using test::RandomIntegers;

// Elements after `len` that a kernel must leave alone.
constexpr int kGuard = 9;

const double kPayloadNaN = std::bit_cast<double>(uint64_t{0x7ff8000000000123});

// Runs `kernel` on misaligned memory prefilled with `filler` (len elements plus a guard) and
// compares with the reference run on the same buffer, bit for bit.
template <class T, class Kernel, class Reference>
void ExpectFillMatches(const std::vector<T>& filler, Kernel kernel, Reference expected) {
  for (int len : kLengths) {
    std::vector<T> want(filler.begin(), filler.begin() + len + kGuard);
    Misaligned<T> got(want);
    ASSERT_EQ(expected(want.data(), len), kernel(got.Data(), len));
    EXPECT_TRUE(BitwiseEqual(want, got.Values())) << "len " << len;
  }
}

std::vector<double> AsDoubles(const std::vector<Ipp64fc>& values) {
  std::vector<double> parts;
  for (const Ipp64fc& v : values) parts.insert(parts.end(), {v.re, v.im});
  return parts;
}

KERNEL_TEST(FillCopyMove, SetStoresTheValueBitForBit, ippsSet_64f, ippsSet_32f, ippsSet_32s,
            ippsSet_8u) {
  const auto filler = RandomReals(1027 + kGuard, 1);
  const auto plainFiller = RandomReals(1027 + kGuard, 1, -100, 100, /*specials=*/false);
  const std::vector<float> floatFiller(plainFiller.begin(), plainFiller.end());
  for (double val : {2.5, -0.0, kPayloadNaN, -std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(val);
    ExpectFillMatches(
        filler, [val](double* d, int n) { return ippsSet_64f(val, d, n); },
        [val](double* d, int n) { return reference::Set(val, d, n); });
    const float val32 = val == val ? float(val) : std::bit_cast<float>(0x7fc00123u);
    ExpectFillMatches(
        floatFiller, [val32](float* d, int n) { return ippsSet_32f(val32, d, n); },
        [val32](float* d, int n) { return reference::Set(val32, d, n); });
  }
  ExpectFillMatches(
      RandomIntegers<int32_t>(1027 + kGuard, 2),
      [](int32_t* d, int n) { return ippsSet_32s(-123456789, d, n); },
      [](int32_t* d, int n) { return reference::Set(-123456789, d, n); });
  ExpectFillMatches(
      RandomIntegers<uint8_t>(1027 + kGuard, 3),
      [](Ipp8u* d, int n) { return ippsSet_8u(0xa5, d, n); },
      [](Ipp8u* d, int n) { return reference::Set(Ipp8u{0xa5}, d, n); });
}

KERNEL_TEST(FillCopyMove, SetComplexKeepsPartsInOrder, ippsSet_64fc) {
  const Ipp64fc val{1.5, kPayloadNaN};
  for (int len : kLengths) {
    std::vector<Ipp64fc> want(size_t(len + kGuard), Ipp64fc{-7.0, 7.0});
    Misaligned<Ipp64fc> got(want);
    ASSERT_EQ(reference::Set(val, want.data(), len), ippsSet_64fc(val, got.Data(), len));
    EXPECT_TRUE(BitwiseEqual(AsDoubles(want), AsDoubles(got.Values()))) << "len " << len;
  }
}

KERNEL_TEST(FillCopyMove, ZeroWritesPositiveZeroBits, ippsZero_64f, ippsZero_32f, ippsZero_32s,
            ippsZero_16s, ippsZero_8u, ippsZero_64fc) {
  const std::vector<double> negativeZeros(1027 + kGuard, -0.0);
  ExpectFillMatches(negativeZeros, ippsZero_64f, reference::Zero<double>);
  ExpectFillMatches(std::vector<float>(negativeZeros.begin(), negativeZeros.end()), ippsZero_32f,
                    reference::Zero<float>);
  ExpectFillMatches(RandomIntegers<int32_t>(1027 + kGuard, 4), ippsZero_32s,
                    reference::Zero<int32_t>);
  ExpectFillMatches(RandomIntegers<int16_t>(1027 + kGuard, 5), ippsZero_16s,
                    reference::Zero<int16_t>);
  ExpectFillMatches(RandomIntegers<uint8_t>(1027 + kGuard, 6), ippsZero_8u,
                    reference::Zero<uint8_t>);

  std::vector<Ipp64fc> complex(20, Ipp64fc{-0.0, -0.0});
  ASSERT_EQ(ippsZero_64fc(complex.data(), 19), ippStsNoErr);
  auto want = std::vector<double>(38, 0.0);
  want.insert(want.end(), {-0.0, -0.0});
  EXPECT_TRUE(BitwiseEqual(want, AsDoubles(complex)));
}

KERNEL_TEST(FillCopyMove, CopyKeepsBitsAndStopsAtLen, ippsCopy_64f, ippsCopy_32f, ippsCopy_8u) {
  for (int len : kLengths) {
    const auto src = RandomReals(len, 7);  // includes NaN, -0 and denormals
    std::vector<double> dst(size_t(len + kGuard), 3.0);
    ASSERT_EQ(ippsCopy_64f(src.data(), dst.data(), len), ippStsNoErr);
    EXPECT_TRUE(BitwiseEqual(src, std::vector<double>(dst.begin(), dst.begin() + len)));
    EXPECT_EQ(dst.back(), 3.0);
  }
  const std::vector<float> floats = {std::bit_cast<float>(0x7fc00123u), -0.0f, 1.0f};
  std::vector<float> copied(3);
  ASSERT_EQ(ippsCopy_32f(floats.data(), copied.data(), 3), ippStsNoErr);
  EXPECT_TRUE(BitwiseEqual(floats, copied));

  auto bytes = RandomIntegers<uint8_t>(17, 8);
  const auto original = bytes;
  ASSERT_EQ(ippsCopy_8u(bytes.data(), bytes.data(), 17), ippStsNoErr);  // src == dst is harmless
  EXPECT_EQ(bytes, original);
}

// Lengths on both sides of the vector loop's range and of glibc's switch to `rep movsb`, from
// byte offsets at and off the vector boundaries to others: every byte of the destination run is
// the source's, every byte around it is left as it was, whatever the target.
KERNEL_TEST(FillCopyMove, CopyWritesExactlyItsRunFromAnyOffsetToAny) {
  constexpr int kLongest = 32769, kOffsets[] = {0, 1, 31, 63};
  constexpr size_t kRoom = kLongest + 2 * 64;
  const auto source = RandomIntegers<uint8_t>(kRoom, 11);
  const auto background = RandomIntegers<uint8_t>(kRoom, 12);
  for (int len : {2047, 2048, 2049, 2175, 3001, 8000, 32767, 32768, kLongest}) {
    for (int from : kOffsets) {
      for (int to : kOffsets) {
        std::vector<uint8_t> got = background;
        const size_t start = 64 - reinterpret_cast<uintptr_t>(got.data()) % 64 + size_t(to);
        ASSERT_EQ(ippsCopy_8u(source.data() + from, got.data() + start, len), ippStsNoErr);
        std::vector<uint8_t> want = background;
        std::copy_n(source.begin() + from, len, want.begin() + std::ptrdiff_t(start));
        EXPECT_EQ(want, got) << "len " << len << " from " << from << " to " << to;
      }
    }
  }
}

// Moves len elements between two overlapping windows of one buffer, `shift` elements apart in
// both directions, and compares with the reference doing the same on a copy.
template <class T>
void ExpectMoveOverlapSafe(IppStatus (*kernel)(const T*, T*, int), const std::vector<T>& data) {
  for (int len : kLengths) {
    for (int shift : {1, 3, 8, 17}) {
      for (bool forward : {true, false}) {
        std::vector<T> want(data.begin(), data.begin() + len + shift), got = want;
        const int from = forward ? 0 : shift, to = forward ? shift : 0;
        ASSERT_EQ(reference::Move(want.data() + from, want.data() + to, len),
                  kernel(got.data() + from, got.data() + to, len));
        EXPECT_TRUE(BitwiseEqual(want, got))
            << "len " << len << " shift " << shift << " forward " << forward;
      }
    }
  }
}

KERNEL_TEST(FillCopyMove, MoveIsOverlapSafeBothWays, ippsMove_64f, ippsMove_8u) {
  ExpectMoveOverlapSafe(ippsMove_64f, RandomReals(1027 + 17, 9));
  ExpectMoveOverlapSafe(ippsMove_8u, RandomIntegers<uint8_t>(1027 + 17, 10));
}

TEST(FillCopyMove, BadArgumentsWriteNothing) {
  std::vector<double> src = {1, 2}, dst = {7, 7};
  EXPECT_EQ(ippsSet_64f(1.0, nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsSet_64f(1.0, dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsSet_64fc({1, 1}, reinterpret_cast<Ipp64fc*>(dst.data()), -1), ippStsSizeErr);
  EXPECT_EQ(ippsZero_64f(dst.data(), -1), ippStsSizeErr);
  EXPECT_EQ(ippsZero_16s(nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsCopy_64f(nullptr, dst.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsCopy_64f(src.data(), dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(ippsMove_64f(src.data(), nullptr, 0), ippStsNullPtrErr);  // pointers checked first
  EXPECT_EQ(ippsMove_64f(src.data(), dst.data(), -5), ippStsSizeErr);
  EXPECT_EQ(dst, (std::vector<double>{7, 7}));
}

}  // namespace
}  // namespace corvane::kernels
