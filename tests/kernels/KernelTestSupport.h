// Test data and comparisons shared by the kernel tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <set>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "hwy/targets.h"

#include "corvane/numeric/IPPPTypes.h"

namespace corvane {

// Complex values print as (re, im) in failure messages.
template <class TC, class = decltype(TC::re)>
std::ostream& operator<<(std::ostream& out, const TC& z) {
  return out << '(' << z.re << ", " << z.im << ')';
}

}  // namespace corvane

namespace corvane::kernels::test {

// The lengths every kernel is run at: a single element, less than one vector, vectors plus a
// tail, and a long run.
inline constexpr int kLengths[] = {1, 3, 17, 1027};

// Values that exercise the IEEE corner cases of T, mixed into random data.
template <class T>
const std::vector<T>& Specials() {
  using Limits = std::numeric_limits<T>;
  constexpr T kTiny = sizeof(T) == 4 ? 1e-30f : 1e-300, kHuge = sizeof(T) == 4 ? 1e30f : 1e300;
  static const std::vector<T> values = {
      0, -T(0), 1, -1, Limits::infinity(), -Limits::infinity(), Limits::quiet_NaN(),
      Limits::denorm_min(), Limits::min(), Limits::max(), -Limits::max(), kTiny, kHuge};
  return values;
}

// `n` random values in [lo, hi), every seventh replaced by a special value when `specials`.
template <class T = double>
std::vector<T> RandomReals(int n, uint32_t seed, std::type_identity_t<T> lo = -100,
                           std::type_identity_t<T> hi = 100, bool specials = true) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<T> dist(lo, hi);
  std::vector<T> v(size_t(n > 0 ? n : 0));
  const auto& special = Specials<T>();
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = (specials && i % 7 == 3) ? special[(i / 7) % special.size()] : dist(rng);
  return v;
}

// Complex values whose parts come from RandomReals (special values included).
inline std::vector<Ipp64fc> RandomComplex(int n, uint32_t seed, double lo = -100.0,
                                          double hi = 100.0, bool specials = true) {
  const auto re = RandomReals(n, seed, lo, hi, specials);
  const auto im = RandomReals(n, seed + 1000, lo, hi, specials);
  std::vector<Ipp64fc> v(re.size());
  // Shift the imaginary parts by three so that specials meet random and other special values.
  for (size_t i = 0; i < v.size(); ++i) v[i] = {re[i], im[(i + 3) % v.size()]};
  return v;
}

// RandomComplex's values in [-1, 1], specials included, each scaled by a random power of two
// from 2^-1074 to 2^1023, so that magnitudes spread over the whole double range.
inline std::vector<Ipp64fc> RandomComplexOfAnyMagnitude(int n, uint32_t seed) {
  auto values = RandomComplex(n, seed, -1.0, 1.0);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> exponent(-1074, 1023);
  for (Ipp64fc& z : values) {
    const int e = exponent(rng);
    z = {std::ldexp(z.re, e), std::ldexp(z.im, e)};
  }
  return values;
}

// `values` as floats: finite values beyond float's range become infinities (an out-of-range
// conversion would be undefined), the others round.
inline std::vector<float> ToFloats(const std::vector<double>& values) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  std::vector<float> floats(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const double x = values[i];
    const bool beyond = std::isfinite(x) && std::fabs(x) > std::numeric_limits<float>::max();
    floats[i] = beyond ? (x > 0 ? kInf : -kInf) : float(x);
  }
  return floats;
}

template <class T>
std::vector<T> RandomIntegers(int n, uint32_t seed, T lo = std::numeric_limits<T>::min(),
                              T hi = std::numeric_limits<T>::max()) {
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int64_t> dist(lo, hi);
  std::vector<T> v(size_t(n > 0 ? n : 0));
  for (auto& x : v) x = T(dist(rng));
  return v;
}

// Random integers over T's whole range, every fifth replaced by a range limit or a small value
// picked at random, so that two such vectors pair the special values in all combinations.
template <class T>
std::vector<T> RandomIntegersWithLimits(int n, uint32_t seed) {
  constexpr T kMin = std::numeric_limits<T>::min(), kMax = std::numeric_limits<T>::max();
  const T limits[] = {kMin, kMax, 0, T(kMin + 1), T(kMax - 1), 1, T(-1)};
  std::mt19937 rng(seed);
  std::uniform_int_distribution<size_t> pick(0, std::size(limits) - 1);
  std::vector<T> v = RandomIntegers<T>(n, seed);
  for (size_t i = 4; i < v.size(); i += 5) v[i] = limits[pick(rng)];
  return v;
}

// A copy of `data` placed one element past a 64-byte boundary, so that vector loads and stores
// are misaligned. `Data()` points at the first element.
template <class T>
class Misaligned {
 public:
  explicit Misaligned(const std::vector<T>& data) : storage_(data.size() + 64 / sizeof(T) + 1) {
    auto base = reinterpret_cast<uintptr_t>(storage_.data());
    offset_ = ((64 - base % 64) % 64) / sizeof(T) + 1;
    std::copy(data.begin(), data.end(), storage_.begin() + offset_);
    size_ = data.size();
  }
  T* Data() { return storage_.data() + offset_; }
  std::vector<T> Values() const {
    return {storage_.begin() + offset_, storage_.begin() + offset_ + size_};
  }

 private:
  std::vector<T> storage_;
  size_t offset_ = 0;
  size_t size_ = 0;
};

// Bytes print as numbers, not characters.
template <class T>
auto Printable(const T& value) {
  if constexpr (std::is_integral_v<T>) return +value;
  else return value;
}

// How NaN results compare. IEEE leaves open whose payload and sign an operation passes on when
// both operands are NaN (a NaN input against a NaN that the operation generates), and compilers
// swap the operands of commutative operations: formulas of several operations compare with kAny.
enum class NaNs { kSameBits, kAny };

// Element-wise comparison of the bit patterns (NaN equals NaN of the same payload, -0 != +0).
template <class T>
::testing::AssertionResult BitwiseEqual(const std::vector<T>& expected,
                                        const std::vector<T>& actual, NaNs nans = NaNs::kSameBits) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << "sizes differ: " << expected.size() << " vs " << actual.size();
  for (size_t i = 0; i < expected.size(); ++i) {
    if (std::memcmp(&expected[i], &actual[i], sizeof(T)) == 0) continue;
    if constexpr (std::is_floating_point_v<T>)
      if (nans == NaNs::kAny && std::isnan(expected[i]) && std::isnan(actual[i])) continue;
    return ::testing::AssertionFailure()
           << "element " << i << ": expected " << Printable(expected[i]) << ", got "
           << Printable(actual[i]);
  }
  return ::testing::AssertionSuccess();
}

// Runs `kernel(len, pointers...)` on misaligned copies of `buffers` and `reference(len,
// pointers...)` on plain copies, and expects the same status and the same bits in every buffer
// afterwards: outputs, in-place data, and sources, which must stay untouched.
template <NaNs nans = NaNs::kSameBits, class Kernel, class Reference, class... T>
void ExpectSameAsReference(const Kernel& kernel, const Reference& reference, int len,
                           const std::vector<T>&... buffers) {
  std::tuple<std::vector<T>...> expected{buffers...};
  std::tuple<Misaligned<T>...> actual{Misaligned<T>(buffers)...};
  const auto want = std::apply([&](auto&... v) { return reference(len, v.data()...); }, expected);
  const auto got = std::apply([&](auto&... m) { return kernel(len, m.Data()...); }, actual);
  EXPECT_EQ(want, got) << "status, len " << len;
  const auto compare = [len](const auto& want, const auto& got, size_t index) {
    EXPECT_TRUE(BitwiseEqual(want, got.Values(), nans)) << "buffer " << index << ", len " << len;
  };
  [&]<size_t... I>(std::index_sequence<I...>) {
    (compare(std::get<I>(expected), std::get<I>(actual), I), ...);
  }(std::index_sequence_for<T...>{});
}

// Adapts kernels in IPP's usual argument order, the pointers, the length, then `args` (levels,
// constants, scale factors), to the form that ExpectSameAsReference calls:
//   const auto call = PointersLenThen(level, relOp);
//   ExpectSameAsReference(call(ippsThreshold_64f), call(reference::ippsThreshold_64f), len, ...);
template <class... Args>
auto PointersLenThen(Args... args) {
  return [=](auto kernel) {
    return [=](int len, auto*... pointers) { return kernel(pointers..., len, args...); };
  };
}

// Runs `body` once for every instruction set that the kernels are compiled for and this CPU
// runs, so that each dispatch target is checked, not only the best one.
template <class F>
void ForEachTarget(const F& body) {
  for (int64_t target : hwy::SupportedAndGeneratedTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    SCOPED_TRACE(hwy::TargetName(target));
    body();
  }
  hwy::SetSupportedTargetsForTest(0);
}

// While one exists, every allocation through operator new on this thread throws std::bad_alloc
// (tests/kernels/OutOfMemory.cpp).
class OutOfMemory {
 public:
  OutOfMemory();
  ~OutOfMemory();
  OutOfMemory(const OutOfMemory&) = delete;
  OutOfMemory& operator=(const OutOfMemory&) = delete;
};

// The kernels, by address, that some KERNEL_TEST checks against a reference.
inline std::set<const void*>& KernelsWithReferenceCases() {
  static std::set<const void*> kernels;
  return kernels;
}
template <class... Kernel>
bool RecordReferenceCases(Kernel*... kernels) {
  (KernelsWithReferenceCases().insert(reinterpret_cast<const void*>(kernels)), ...);
  return true;
}

// KERNEL_TEST(Suite, Name, kernels...) { body } defines the test Suite.Name, whose body runs once
// per target (ForEachTarget), and records the kernels listed after the name as checked by it
// against a reference: a scalar one of kernels/reference/ or an exact computation of the test's
// own. KernelTableTest expects every kernel of the table among the recorded ones.
#define KERNEL_TEST(suite, name, ...)                                       \
  void suite##_##name##_OnEachTarget();                                     \
  [[maybe_unused]] const bool suite##_##name##_Recorded =                   \
      ::corvane::kernels::test::RecordReferenceCases(__VA_ARGS__);          \
  TEST(suite, name) {                                                       \
    ::corvane::kernels::test::ForEachTarget(suite##_##name##_OnEachTarget); \
  }                                                                         \
  void suite##_##name##_OnEachTarget()

// An image of width x height pixels of `channels` random values of T. Each row is `padding`
// values longer than its pixels, so that the step exceeds the row; the storage ends with the last
// pixel, so that reading past the image is an address-sanitizer error.
template <class T>
class TestImage {
 public:
  TestImage(int width, int height, int channels, uint32_t seed, int padding = 3)
      : width_(width),
        height_(height),
        channels_(channels),
        rowValues_(width * channels + padding),
        values_(RandomIntegers<T>((height - 1) * rowValues_ + width * channels, seed)) {}

  T* Data() { return values_.data(); }
  const T* Data() const { return values_.data(); }
  int Step() const { return rowValues_ * int(sizeof(T)); }
  IppiSize Size() const { return {width_, height_}; }
  T& At(int x, int y, int c = 0) { return values_[Index(x, y, c)]; }
  T At(int x, int y, int c = 0) const { return values_[Index(x, y, c)]; }
  const std::vector<T>& Values() const { return values_; }

  // The values between the rows, which belong to no pixel.
  std::vector<T> Padding() const {
    std::vector<T> padding;
    for (int y = 0; y + 1 < height_; ++y)
      for (int i = width_ * channels_; i < rowValues_; ++i)
        padding.push_back(values_[size_t(y * rowValues_ + i)]);
    return padding;
  }

 private:
  size_t Index(int x, int y, int c) const { return size_t(y * rowValues_ + x * channels_ + c); }

  int width_, height_, channels_, rowValues_;
  std::vector<T> values_;
};

// Runs `kernel(dst, dstStep)` and `reference(dst, dstStep)` on copies of `image`, and expects
// the same status, the same values and the padding between rows untouched.
template <class T, class Kernel, class Reference>
void ExpectSameImage(const TestImage<T>& image, const Kernel& kernel, const Reference& reference) {
  TestImage<T> want = image, got = image;
  EXPECT_EQ(reference(want.Data(), want.Step()), kernel(got.Data(), got.Step())) << "status";
  EXPECT_TRUE(BitwiseEqual(want.Values(), got.Values()));
  EXPECT_EQ(image.Padding(), got.Padding()) << "padding written";
}

// Distance of `got` from the exact `want` in units in the last place of T at `want`. A result
// beyond T's range counts as infinite; NaN matches only NaN.
template <class T>
double UlpError(T got, long double want) {
  using Limits = std::numeric_limits<T>;
  if (std::isnan(got) || std::isnan(want))
    return std::isnan(got) && std::isnan(want) ? 0.0 : Limits::infinity();
  const long double infinity = std::ldexp(1.0L, Limits::max_exponent);
  const long double g = std::isinf(got) ? std::copysign(infinity, (long double)got) : got;
  const long double w = std::fabs(want) > infinity ? std::copysign(infinity, want) : want;
  const int exponent = w == 0 ? Limits::min_exponent - 1
                              : std::max(std::ilogb(w), Limits::min_exponent - 1);
  return double(std::fabs(g - w) / std::ldexp(1.0L, exponent - (Limits::digits - 1)));
}

}  // namespace corvane::kernels::test
