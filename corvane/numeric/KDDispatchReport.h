// Where each dispatch slot's routine came from, and the switch for the built-in kernel fallback.
//
// The dispatcher units fill their slots at package start by name lookup in the IPP libraries;
// every slot still empty then receives the built-in kernel of the same name, unless the fallback
// was switched off before start-up. Each fill is recorded here for the start-up report.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

enum TSlotSource : int { ssEmpty, ssIPP, ssBuiltin };

struct TSlotRecord {
  std::string Unit;    // the dispatcher unit that holds the slot
  std::string Family;  // the family of entry points it belongs to
  std::string Name;    // the slot's (and the IPP entry point's) name
  TSlotSource Source = ssEmpty;
};

const char* SlotSourceName(TSlotSource source);  // "ipp", "builtin", "empty"

// On by default. Takes effect at the next package start.
void SetBuiltinKernelFallback(bool enabled);
bool BuiltinKernelFallback();

// Every slot of every started dispatcher unit, in unit and declaration order.
std::vector<TSlotRecord> GetSlotReport();

// The instruction set that the built-in kernels dispatch to on this machine: "AVX3" (AVX-512),
// "AVX2", "SSE4" or the portable one-lane "SCALAR".
const char* BuiltinKernelTarget();

// Takes the slots of `unit` that an IPP library filled off that library: each receives the
// built-in kernel of its name, as at a start without IPP, or nil when the fallback is off or no
// kernel has the name, and is recorded so. Each dispatcher unit calls it at its end, before the
// loaders unload the libraries, so that no slot points into an unloaded library. Slots holding
// built-in kernels keep them.
void ReleaseIPPSlots(std::string_view unit);

// Fills a dispatcher unit's slots: looks each name up with `lookup`, falls back to the built-in
// kernel, stores the address in the slot and records the source.
class TSlotFiller {
 public:
  using TLookup = void* (*)(std::string_view name);

  TSlotFiller(std::string unit, TLookup lookup) : unit_(std::move(unit)), lookup_(lookup) {}

  void SetFamily(std::string family) { family_ = std::move(family); }
  void SetLookup(TLookup lookup) { lookup_ = lookup; }

  template <class TPtr>
  void Fill(TPtr& slot, const char* name) {
    slot = reinterpret_cast<TPtr>(
        Resolve(name, [&slot](void* address) { slot = reinterpret_cast<TPtr>(address); }));
  }

 private:
  // The address for `name`; `store` sets the slot again (see ReleaseIPPSlots).
  void* Resolve(const char* name, std::function<void(void*)> store);

  std::string unit_;
  std::string family_;
  TLookup lookup_;
};

}  // namespace corvane
