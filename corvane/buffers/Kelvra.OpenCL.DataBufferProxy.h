// The device copy of a memory block for OpenCL.
//
// TKDOpenCLBufferProxy is the handle a user makes: over a buffer, a context and memory flags, it
// asks the buffer's block for its TKDOpenCLSmartBufferProxy with those parameters (one per
// context and set of flags, shared by every handle that asks for the same) and keeps both the
// buffer and that proxy for its life. The proxy holds its block (as a non-owning holder), so the
// block lives while any proxy of it does, even once the buffer has detached from it.
//
// Host and device copy:
//   - the device buffer is made with the block's size and data pointer: with mfUseHostPtr the
//     device works in the block's memory, with mfCopyHostPtr it starts with a copy of it;
//   - Lock(owner, modes) records a user of the device copy; the first to lock with Read in its
//     modes has the host copy written to the device first;
//   - the last Unlock synchronises: when a user locked it for Write, the device copy is read back
//     into the block (waiting until it is there), so the host reads the device's results;
//   - Invalidate marks the device copy as the newer one without synchronising now: it is read
//     back into the block when the proxy goes (its last holder lets it go).
// Errors of the OpenCL runtime pass through as kelvra::EOpenCL.
//
// Threads: as the block's proxies (corvane/buffers/KDInternalStore.h); a device copy is read back
// on the thread that releases the proxy or unlocks it last.
#pragma once

#include <span>

#include "corvane/buffers/KDInternalStore.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "kelvra/Kelvra.OpenCL.h"

namespace corvane {

class IKDOpenCLSmartBufferProxy : public virtual IKDSmartBufferProxy {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{E8FEF445-6AA0-471D-A475-508C40E4FC92}");
  virtual kelvra::TIntf<kelvra::IOCLBuffer> GetBuffer() = 0;
};

class TKDOpenCLSmartBufferProxy : public TKDSmartBufferProxy, public IKDOpenCLSmartBufferProxy {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  // AParams: the context (an interface) and the memory flags (their bits as an integer); a failed
  // assertion when either is missing or the first is no context.
  TKDOpenCLSmartBufferProxy(TKDSmartBuffer* ABuffer, std::span<const kelvra::Variant> AParams);
  // Reads the device copy back into the block when it was invalidated. Public: the class
  // reference's factory makes only classes that can be destroyed.
  ~TKDOpenCLSmartBufferProxy() override;

  // The same context, and a device buffer that has every flag asked for.
  bool MatchesParameters(std::span<const kelvra::Variant> AParams) override;
  void Lock(kelvra::TObject* AOwner, TBufferAccessModes AModes) override;
  void Syncronize(TBufferAccessModes AModes) override;
  void Invalidate() override { invalid_ = true; }
  kelvra::TIntf<kelvra::IOCLBuffer> GetBuffer() override { return buffer_; }
  TKDSmartBufferProxy* GetInstance() override { return this; }
  const kelvra::TIntf<kelvra::IOCLContext>& GetContext() const { return context_; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDOpenCLSmartBufferProxy, IKDOpenCLSmartBufferProxy,
                            IKDSmartBufferProxy>(this, iid, out);
  }

 private:
  void ReadBack();

  kelvra::TIntf<kelvra::IOCLContext> context_;
  kelvra::TIntf<kelvra::IOCLBuffer> buffer_;
  std::atomic<bool> invalid_{false};
  std::atomic<bool> locked_{false};  // a user holds the device copy
};
inline constexpr kelvra::TClassRef TKDOpenCLSmartBufferProxy::ClassRef =
    kelvra::ClassRefOf<TKDOpenCLSmartBufferProxy, TKDSmartBufferProxy>("TKDOpenCLSmartBufferProxy");

class IKDOpenCLBufferProxy : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{624146B6-D4E2-4E56-9D79-07053638CD6B}");
};

class TKDOpenCLBufferProxy : public kelvra::TInterfacedObject, public IKDOpenCLBufferProxy {
 public:
  TKDOpenCLBufferProxy(const kelvra::TIntf<IKDGenericBuffer>& ABuffer,
                       const kelvra::TIntf<kelvra::IOCLContext>& AContext,
                       kelvra::TOCLMemoryFlags AFlags);
  const kelvra::TIntf<IKDOpenCLSmartBufferProxy>& SmartProxy() const { return proxy_; }
  const kelvra::TIntf<IKDGenericBuffer>& Buffer() const { return buffer_; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDOpenCLBufferProxy, IKDOpenCLBufferProxy>(this, iid, out);
  }

 private:
  kelvra::TIntf<IKDOpenCLSmartBufferProxy> proxy_;
  kelvra::TIntf<IKDGenericBuffer> buffer_;
};

}  // namespace corvane
