// The plot of a filter's response: two panels over one frequency axis, the power in dB above and
// the phase in radians below, each framed, with a grid at its ticks and the ticks labelled by
// KDGetScaleTickText. Drawn with the drawing wrapper on any graphics, so that a design tool can
// redraw it on screen as well as the corvane program can save it as an image.
//
// The power axis shows at most the 120 dB below the largest power, so that the zeros of a design
// (whose power is 0, -inf dB) do not squeeze the pass band into a line: values outside a panel's
// scale are drawn at its floor or ceiling. Each scale ends on ticks (multiples of 1, 2 or 5 times
// a power of ten). The phase curve is broken where it wraps (a step of more than pi between
// neighbours) and both curves where a value is not a number. Pure drawing: any thread, on a
// graphics that no other thread uses.
#pragma once

#include <span>
#include <vector>

#include "kelvra/Kelvra.GDIPlus.h"

namespace corvane {

// A scale from Min to Max (both multiples of Step) with a tick at each multiple of Step.
struct TKDPlotScale {
  double Min = 0, Max = 1, Step = 1;
  std::vector<double> Ticks() const;
};

// The scale with the finest step that covers lo to hi with at most `maxTicks` ticks (at least
// two). The ends may fall short of lo and hi by 1% of the span, so that a value that barely
// passes a tick (a pass band's ripple above 0 dB) does not cost a step. A span of width 0 is
// widened either side by 1, or by the value's magnitude where that is larger; ends that are not
// finite give the scale of 0.
TKDPlotScale KDNiceScale(double lo, double hi, int maxTicks);

// The response at the frequencies, power in dB, phase in radians; the three of one length, the
// frequencies rising.
struct TKDResponseCurves {
  std::span<const double> Frequency, PowerDb, Phase;
};

// Draws the plot over the rectangle (0, 0, size) with a white background.
void KDDrawResponsePlot(kelvra::IGPGraphics& graphics, kelvra::TIGPSizeF size, const TKDResponseCurves& curves);

}  // namespace corvane
