// Shading routines that draw the three-dimensional look of the components' frames, bevels, lamps
// and glossy highlights on a graphics object of the drawing wrapper (kelvra/Kelvra.GDIPlus.h).
//
// One lighting model serves them all: a surface facing direction θ (radians, clockwise on the
// screen from the x axis) takes a colour between colour 1 and colour 2 according to
// sin(θ + 0.7853982), as if lit from the upper left. Colours are 0xAARRGGBB.
//
// The routines keep no state and release every brush, pen, path and bitmap they make before
// returning; they leave the graphics' state (transform, smoothing mode) as they found it. They
// check no arguments. A graphics object is used by one thread at a time.
//
// Decisions:
// - RQDimColor takes a factor of 0 or more; a negative factor gives 0 in every colour channel.
// - RQInterpolateColorF computes t' in double precision and keeps it as a 32-bit float; the alpha
//   channel's blend is computed in double precision, the colour channels' in 32-bit floats; each
//   value is rounded to the nearest integer, halves to even.
// - RQFillBulb3DF's glow colour: white at alpha 215; "transparent" elsewhere means 0x00FFFFFF,
//   RQFillBulb3DF's surround colour is 0.
// - RQDrawFrame3DF switches antialiasing off (smoothing mode 0, SmoothingModeDefault) while it
//   fills its four quadrilaterals, so that they meet without a seam.
// - RQGlossEllipse3DF shapes its vertical highlight gradient with the bell blend
//   (SetBlendBellShape(0.05, 1.0)) and restores the world transform it changes.
// - RQDrawRoundDiamondFrame3DF: the straight edges of the round diamond (the common tangents of
//   its corner ellipses) lie on the diamond of a rectangle R″ about R's centre; the routine draws
//   RQDrawDiamondFrame3DF over R″ clipped to those edges, and a shaded arc over each corner
//   ellipse of RQCreateRoundDiamondPathF between the edges' tangent points, so that arcs and
//   edges join (for round corners these are the path's corner angles). Corner sizes of 0.001 or
//   less draw RQDrawDiamondFrame3DF over R.
#pragma once

#include "kelvra/Kelvra.GDIPlus.h"

namespace corvane {

using kelvra::IGPBrush;
using kelvra::IGPGraphics;
using kelvra::IGPGraphicsPath;
using kelvra::IGPPen;
using kelvra::TAlphaColor;
using kelvra::TIGPRectF;
using kelvra::TIGPSizeF;

TAlphaColor RQDimColor(TAlphaColor AColor, float AFactor);
TAlphaColor RQInterpolateColorF(TAlphaColor AColor1, TAlphaColor AColor2, float AT);
TAlphaColor RQColorFromAngle(TAlphaColor AColor1, TAlphaColor AColor2, float AAngle);
double RQSec(double AX);
double RQCsc(double AX);

void RQDrawLine3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2, float AX1,
                   float AY1, float AX2, float AY2, float AWidth, bool AForward);
void RQDrawFrame3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                    const TIGPRectF& ARect, float AWidth);
void RQDrawDiamondFrame3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                           const TIGPRectF& ARect, float AWidth);
void RQGlossRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                         const TIGPRectF& ARect);
void RQGlossRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, const TIGPRectF& ARect);
void RQGlossDiamond3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                       const TIGPRectF& ARect);
void RQGlossEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                       const TIGPRectF& ARect);
void RQGlossEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, const TIGPRectF& ARect);
void RQFillBulb3DF(IGPGraphics& AGraphics, TAlphaColor AColor, const TIGPRectF& ARect);

kelvra::TIntf<IGPGraphicsPath> RQCreateRoundDiamondPathF(const TIGPRectF& ARect, TIGPSizeF ACorner);
void RQDrawRoundDiamondF(IGPGraphics& AGraphics, const IGPPen& APen, const TIGPRectF& ARect,
                         TIGPSizeF ACorner);
// Fills with the brush, then draws the outline with the pen.
void RQDrawRoundDiamondF(IGPGraphics& AGraphics, const IGPPen& APen, const IGPBrush& ABrush,
                         const TIGPRectF& ARect, TIGPSizeF ACorner);
void RQFillRoundDiamondF(IGPGraphics& AGraphics, const IGPBrush& ABrush, const TIGPRectF& ARect,
                         TIGPSizeF ACorner);

void RQDrawGlobeEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                           const TIGPRectF& ARect, float AWidth);
void RQDrawEllipse3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                      const TIGPRectF& ARect, float AWidth);
void RQGlossRoundRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                              const TIGPRectF& ARect, TIGPSizeF ACorner);
void RQGlossRoundRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, const TIGPRectF& ARect,
                              TIGPSizeF ACorner);
void RQGlossRoundDiamond3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                            const TIGPRectF& ARect, TIGPSizeF ACorner);
void RQDrawRoundRectangle3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                             const TIGPRectF& ARect, TIGPSizeF ACorner, float AWidth);
void RQDrawRoundDiamondFrame3DF(IGPGraphics& AGraphics, TAlphaColor AColor1, TAlphaColor AColor2,
                                const TIGPRectF& ARect, TIGPSizeF ACorner, float AWidth);

}  // namespace corvane
