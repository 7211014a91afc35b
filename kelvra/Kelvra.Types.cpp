#include "kelvra/Kelvra.Types.h"

#include <cstdio>

#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {

namespace detail {
void ThrowBadGUID(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid GUID value");
}
}  // namespace detail

std::string TGUID::ToString() const {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", D1, D2, D3,
                D4[0], D4[1], D4[2], D4[3], D4[4], D4[5], D4[6], D4[7]);
  return text;
}

size_t TGUIDHash::operator()(const TGUID& g) const noexcept {
  uint64_t tail = 0;
  for (uint8_t b : g.D4) tail = tail << 8 | b;
  uint64_t head = uint64_t(g.D1) << 32 | uint64_t(g.D2) << 16 | g.D3;
  return std::hash<uint64_t>{}(head * 0x9E3779B97F4A7C15ull ^ tail);
}

int32_t TInterfacedObject::_AddRef() { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }

bool TInterfacedObject::TryAddRef() {
  int32_t count = refCount_.load(std::memory_order_relaxed);
  while (count > 0)
    if (refCount_.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) return true;
  return false;
}

int32_t TInterfacedObject::_Release() {
  int32_t remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) delete this;
  return remaining;
}

int32_t TInterfacedObject::AddRefUnshared() {
  if (refCount_.load(std::memory_order_relaxed) != 0) return TInterfacedObject::_AddRef();
  refCount_.store(1, std::memory_order_relaxed);
  return 1;
}

int32_t TInterfacedObject::ReleaseUnshared() {
  // Acquire: what other holders did before dropping their references happens before the delete.
  if (refCount_.load(std::memory_order_acquire) != 1) return TInterfacedObject::_Release();
  delete this;
  return 0;
}

}  // namespace kelvra
