// Component streaming: a whole component tree as YAML text (read and written with yaml-cpp).
//
// The document is one mapping, the root component. A component is a mapping with the keys
//
//   class        its class name, as registered with the class registry (RegisterComponents,
//                RegisterNestedComponent or TClassManagement::RegisterClasses)
//   name         its name; left out when empty
//   properties   a mapping of its published properties and of the values it streams itself
//                (DefineProperties); left out when there is none to write
//   components   a sequence of the components it owns, in their order; left out when none
//
// A property's value, by kind:
//
//   Boolean, number, enumeration   a plain scalar in the property's text form
//                                  (kelvra/Kelvra.Persistence.h)
//   string                         a double-quoted scalar
//   set                            a flow sequence of its members' names: [fsBold, fsItalic]
//   property object                a mapping of its properties, as above
//   collection                     a sequence of its items, each a mapping of its properties,
//                                  with the key "class" when the item is of another class than
//                                  the collection's item class (a registered descendant)
//   value the object streams       one scalar, or a list as a flow sequence (whose values may be
//                                  lists again): [2, [0, 1.5], [4, 3]]; bytes as a !!binary
//                                  scalar (Base64)
//
// Values at their default, property objects with nothing to write and empty collections are left
// out. The document ends with the marker "...", which tells a whole text from one cut short:
//
//   class: TMixer
//   name: Mixer1
//   properties:
//     Title: "Main mix"
//     Gain: 0.5
//     Threading:
//       Enabled: true
//       Priority: tpHigher
//     Style: [fsBold]
//     Channels:
//       - Name: "Left"
//       - class: TMutedChannel
//         Name: "Right"
//     _Data: !!binary "AAEC"
//   components:
//     - class: TMeter
//       name: Meter1
//   ...
//
// Reading makes the tree anew: each component by its class reference with its owner, in state
// csLoading; then its name, its properties in the order of the text, and its components.
// Collections are emptied before their items are read. Once the whole tree is read, the fixups
// that readers of streamed values added run (references to components read later, such as pin
// connections "Component.Pin"), then each component's Loaded, in the order the components were
// read, the root first.
//
// Errors: text that is not such a document raises EComponentStreamError, whose message begins
// with the line and column (from 1) of the offending part: YAML syntax (as yaml-cpp finds it), a
// missing end marker or more than one document, an unknown class or one of another family, an
// unknown key or property, a key given twice, a value of the wrong shape or kind, and every error
// that a setter, a name or a Loaded raises on the way (its message follows the place). Nothing
// of the tree survives an error: what was made is freed before the error leaves.
//
// Threads: a tree is written and read on the main thread, as components are made and changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kelvra/Kelvra.Components.h"

namespace kelvra {

class EComponentStreamError : public EReadError {
 public:
  EComponentStreamError(int32_t ALine, int32_t AColumn, const std::string& AMessage)
      : EReadError("Line " + std::to_string(ALine) + ", column " + std::to_string(AColumn) +
                   ": " + AMessage),
        line_(ALine),
        column_(AColumn) {}
  int32_t Line() const { return line_; }
  int32_t Column() const { return column_; }

 private:
  int32_t line_, column_;
};

// The tree of ARoot (its owned components, theirs, ...) as text.
std::string WriteComponentYaml(TComponent& ARoot);
// A new tree made from AText; its root belongs to the caller.
TOwnedComponent<TComponent> ReadComponentYaml(std::string_view AText);

}  // namespace kelvra
