// The example components, registered so that component trees in the text form
// (kelvra/Kelvra.Components.Streaming.h) name them by class.
#pragma once

#include "kelvra/Kelvra.Components.h"

namespace corvane::examples {

// The root of a graph: a plain component that holds the others.
class TGraph : public kelvra::TComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  using TComponent::TComponent;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TGraph::ClassRef =
    kelvra::ClassRefOf<TGraph, kelvra::TComponent>("TGraph");

// Registers TGraph, TSineGenerator, TNoiseGenerator, TStatisticsSink, TWavPlayer, TWavLogger,
// TExampleGainFilter and TExampleAdder; calling it again changes nothing.
void RegisterExampleComponents();

}  // namespace corvane::examples
