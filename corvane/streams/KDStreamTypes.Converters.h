// The format converters that the pin framework places between a source and a sink of different
// stream types, in the order they are registered:
//
//    1-4  KD integer, KD real, complex, KD boolean → binary: the same memory block, read as bytes
//      5  KD integer → KD real: each sample as a double
//      6  KD real → real matrix: the same block as one row
//    7-8  the framework's real (integer) lists → KD real (integer) buffers, item by item; a list
//         of a new length is preceded by a sample-rate start of 1.0
//   9-22  the framework's single values → binary: the value's bytes in machine order
//
// Supplied buffers (and list or value changes) are converted; every other operation passes
// unchanged. Each converter owns an inner sink of its from-type and an inner source of its
// to-type; operations that come back from downstream go upstream through the inner sink.
#pragma once

#include <span>

#include "kelvra/Kelvra.ClassRef.h"

namespace corvane {

// The 22 converter classes in registration order.
std::span<const kelvra::TClassRef* const> KDFormatConverterClasses();

}  // namespace corvane
