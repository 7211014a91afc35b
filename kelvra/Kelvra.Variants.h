// The runtime's variant: one value of the kinds that parameter lists pass around.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "kelvra/Kelvra.Types.h"

namespace kelvra {

using TVariant = std::variant<std::monostate, bool, int64_t, double, std::string, TIntf<IInterface>>;

}  // namespace kelvra
