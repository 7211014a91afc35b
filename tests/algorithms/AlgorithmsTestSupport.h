// The golden values of tests/algorithms/golden.json (made by make_golden.py) and the comparison
// the algorithm tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "corvane/algorithms/KDFilterTypes.h"

namespace corvane::testing {

inline const nlohmann::json& Golden() {
  static const nlohmann::json golden = nlohmann::json::parse(std::ifstream(GOLDEN_JSON));
  return golden;
}

// The enumeration member that a golden case names.
template <class E>
E Member(const nlohmann::json& name) {
  const int32_t index = KDEnumIndexFromIdent(KDTypeInfo<E>(), name.get<std::string>());
  EXPECT_EQ(KDEnumValueToString(KDTypeInfo<E>(), index), name.get<std::string>());
  return E(index);
}

// Each value within `relative` of the largest expected magnitude.
inline void ExpectNear(std::span<const double> actual, std::span<const double> expected,
                       double relative = 1e-12) {
  ASSERT_EQ(actual.size(), expected.size());
  double scale = 0;
  for (double e : expected) scale = std::max(scale, std::abs(e));
  for (size_t i = 0; i < actual.size(); ++i)
    ASSERT_NEAR(actual[i], expected[i], relative * scale) << "at index " << i;
}

}  // namespace corvane::testing
