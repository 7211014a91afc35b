// The canvas that draw layers paint on: a surface that yields the drawing wrapper's graphics
// object over it. A canvas is used by one thread at a time.
#pragma once

#include "kelvra/Kelvra.GDIPlus.h"

namespace corvane {

class IKDCanvas : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{5A1C7E39-D2B4-4F06-8E93-B7C0F4A26D18}");
  // The graphics over the canvas, the same object on every call; drawing through it shows on the
  // canvas.
  virtual kelvra::TIntf<kelvra::IGPGraphics> GetGPGraphics() = 0;
};

// A canvas over an image.
class TKDImageCanvas : public kelvra::TInterfacedObject, public IKDCanvas {
 public:
  explicit TKDImageCanvas(kelvra::IGPImage& AImage) : graphics_(kelvra::TIGPGraphics::Create(AImage)) {}
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDImageCanvas, IKDCanvas>(this, iid, out);
  }
  kelvra::TIntf<kelvra::IGPGraphics> GetGPGraphics() override { return graphics_; }

 private:
  kelvra::TIntf<kelvra::IGPGraphics> graphics_;
};

}  // namespace corvane
