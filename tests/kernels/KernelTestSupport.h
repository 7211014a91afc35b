// Test data and comparisons shared by the kernel tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

#include "corvane/numeric/IPPPTypes.h"

namespace corvane {
inline std::ostream& operator<<(std::ostream& out, const Ipp64fc& z) {
  return out << '(' << z.re << ", " << z.im << ')';
}
}  // namespace corvane

namespace corvane::kernels::test {

// The lengths every kernel is run at: a single element, less than one vector, vectors plus a
// tail, and a long run.
inline constexpr int kLengths[] = {1, 3, 17, 1027};

// Values that exercise IEEE corner cases, mixed into random data.
inline const std::vector<double>& SpecialDoubles() {
  static const std::vector<double> values = {
      0.0, -0.0, 1.0, -1.0, std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
      std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), 1e-300, 1e300};
  return values;
}

// `n` random doubles in [lo, hi), every seventh replaced by a special value when `specials`.
inline std::vector<double> RandomDoubles(int n, uint32_t seed, double lo = -100.0,
                                         double hi = 100.0, bool specials = true) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> dist(lo, hi);
  std::vector<double> v(size_t(n > 0 ? n : 0));
  const auto& special = SpecialDoubles();
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = (specials && i % 7 == 3) ? special[(i / 7) % special.size()] : dist(rng);
  return v;
}

// `n` random complex numbers whose parts come from RandomDoubles (special values included).
inline std::vector<Ipp64fc> RandomComplex(int n, uint32_t seed, double lo = -100.0,
                                          double hi = 100.0, bool specials = true) {
  const auto parts = RandomDoubles(2 * n, seed, lo, hi, specials);
  std::vector<Ipp64fc> v(parts.size() / 2);
  for (size_t i = 0; i < v.size(); ++i) v[i] = {parts[2 * i], parts[2 * i + 1]};
  return v;
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

// Element-wise comparison of the bit patterns (NaN equals NaN of the same payload, -0 != +0).
template <class T>
::testing::AssertionResult BitwiseEqual(const std::vector<T>& expected, const std::vector<T>& actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << "sizes differ: " << expected.size() << " vs " << actual.size();
  for (size_t i = 0; i < expected.size(); ++i)
    if (std::memcmp(&expected[i], &actual[i], sizeof(T)) != 0)
      return ::testing::AssertionFailure()
             << "element " << i << ": expected " << expected[i] << ", got " << actual[i];
  return ::testing::AssertionSuccess();
}

}  // namespace corvane::kernels::test
