// The package entry points: start and end every unit of the package in its documented order.
#pragma once

#include <span>

namespace corvane {

struct TPackageUnitEntry {
  const char* UnitName;
  void (*Init)();   // nullptr for a unit that does nothing at start
  void (*FInit)();  // nullptr for a unit that does nothing at end
};

// Every unit of the package in start order, with its start and end procedures. A unit that does
// nothing at start or end has no procedure there; so has, for now, each unit that is not built
// yet (the table marks them). One of those has start work that waits for what it builds on:
//   Kelvra.Processing      registers the processing stream type with the pin framework and the
//                          two processing engine classes as collection item classes.
std::span<const TPackageUnitEntry> GetPackageInfoTable();

// Starts every unit in table order. Each unit's start work runs once however often the package
// is initialised: it is done only on the first start, whose thread becomes the main thread
// (kelvra::SetMainThread).
void Initialize();

// Ends the units in reverse order. A unit's end work runs only at the finalisation that balances
// its first start; finalising a package that is not started does nothing.
void Finalize();

}  // namespace corvane
