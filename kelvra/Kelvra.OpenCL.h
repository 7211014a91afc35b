// OpenCL through the system's ICD loader: the platforms and devices installed, contexts over a
// platform's devices, device buffers, command queues, programs built from source and their
// kernels. Every object is reference-counted (held through TIntf) and releases its OpenCL handle
// when the last holder lets it go; an object keeps alive what it was made from (a buffer its
// context, a kernel its program).
//
// Errors: every OpenCL call is checked, and a failure raises EOpenCL with the error's name and
// code ("CL_INVALID_VALUE (-30) in clCreateBuffer"); a program that does not build raises
// EOpenCLBuild, whose message and BuildLog() carry the compiler's log. A machine without any
// platform is no error: GetPlatforms returns an empty list.
//
// Threads: OpenCL objects may be used from any thread; one command queue takes commands in the
// order they are enqueued, so threads that share a queue get their commands interleaved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

// An OpenCL call that failed: the call, the error's name and its code.
class EOpenCL : public Exception {
 public:
  // "<name> (<code>) in <call>"
  EOpenCL(int32_t ACode, std::string_view ACall);
  int32_t Code() const { return code_; }

 protected:
  EOpenCL(std::string AMessage, int32_t ACode) : Exception(std::move(AMessage)), code_(ACode) {}

 private:
  int32_t code_;
};

// A program that did not build; the message ends with the build log.
class EOpenCLBuild : public EOpenCL {
 public:
  EOpenCLBuild(int32_t ACode, std::string ALog);
  const std::string& BuildLog() const { return log_; }

 private:
  std::string log_;
};

// The name of an OpenCL error code ("CL_OUT_OF_RESOURCES"); "CL_UNKNOWN_ERROR" for others.
std::string OpenCLErrorName(int32_t ACode);

// The memory flags of a device buffer; each member is the bit of the same position in OpenCL's
// cl_mem_flags.
enum TOCLMemoryFlag : uint8_t {
  mfReadWrite,
  mfWriteOnly,
  mfReadOnly,
  mfUseHostPtr,
  mfAllocHostPtr,
  mfCopyHostPtr
};
using TOCLMemoryFlags = TSet<TOCLMemoryFlag, uint8_t>;

class IOCLDevice : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{3F0B6C21-8E5D-4A97-B1C4-7D2E9A60F813}");
  virtual std::string GetName() = 0;
  virtual std::string GetVendor() = 0;
  virtual std::string GetVersion() = 0;
  virtual uint32_t GetComputeUnits() = 0;
  virtual uint64_t GetGlobalMemorySize() = 0;
  virtual bool IsGPU() = 0;
  virtual bool SupportsDoubles() = 0;
  virtual void* Handle() = 0;  // the cl_device_id
};

class IOCLPlatform : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{9A4E2D17-5C83-4B60-8F1A-E63B0C7D2594}");
  virtual std::string GetName() = 0;
  virtual std::string GetVendor() = 0;
  virtual std::string GetVersion() = 0;
  // Every device of the platform, in the platform's order.
  virtual std::vector<TIntf<IOCLDevice>> GetDevices() = 0;
  virtual void* Handle() = 0;  // the cl_platform_id
};

class IOCLBuffer : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{61D8F0A3-2B7C-4E15-9D46-0A5C3E8B71F2}");
  virtual size_t GetSize() = 0;
  virtual TOCLMemoryFlags GetFlags() = 0;
  virtual void* Handle() = 0;  // the cl_mem
};

class IOCLKernel : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{C27A5E90-4D1B-4F38-A6E2-95B0D3C8F147}");
  virtual std::string GetName() = 0;
  virtual void SetBufferArg(uint32_t AIndex, const TIntf<IOCLBuffer>& ABuffer) = 0;
  // A value argument of ASize bytes at AValue.
  virtual void SetValueArg(uint32_t AIndex, const void* AValue, size_t ASize) = 0;
  template <class T>
  void SetArg(uint32_t AIndex, const T& AValue) {
    SetValueArg(AIndex, &AValue, sizeof(T));
  }
  virtual void* Handle() = 0;  // the cl_kernel
};

class IOCLProgram : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{E5B1C7D4-0F6A-4293-8B5E-2D9F4A1C6E38}");
  // The kernel function AName of the program; EOpenCL when there is none.
  virtual TIntf<IOCLKernel> CreateKernel(const std::string& AName) = 0;
};

class IOCLCommandQueue : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{7B3D9E52-A1C6-4F80-92D7-4E6A0B5C8D19}");
  // Copies ASize bytes from the device buffer at AOffset to AHost, waiting until done when
  // ABlocking (else until Finish).
  virtual void ReadBuffer(const TIntf<IOCLBuffer>& ABuffer, bool ABlocking, size_t AOffset,
                          size_t ASize, void* AHost) = 0;
  virtual void WriteBuffer(const TIntf<IOCLBuffer>& ABuffer, bool ABlocking, size_t AOffset,
                           size_t ASize, const void* AHost) = 0;
  // Maps ASize bytes of the buffer at AOffset into host memory, waiting until they are there;
  // AWrite maps them for writing (else for reading). UnmapBuffer hands them back to the device.
  virtual void* MapBuffer(const TIntf<IOCLBuffer>& ABuffer, bool AWrite, size_t AOffset,
                          size_t ASize) = 0;
  virtual void UnmapBuffer(const TIntf<IOCLBuffer>& ABuffer, void* AMapped) = 0;
  // Runs the kernel over AGlobalSize work items (one to three dimensions), in work groups of
  // ALocalSize (empty: the implementation's choice).
  virtual void EnqueueKernel(const TIntf<IOCLKernel>& AKernel, std::span<const size_t> AGlobalSize,
                             std::span<const size_t> ALocalSize = {}) = 0;
  // Waits until every command enqueued has ended.
  virtual void Finish() = 0;
};

class IOCLContext : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{2C6F8A13-D9E4-4B75-A0B8-53E1F7D29C64}");
  virtual std::vector<TIntf<IOCLDevice>> GetDevices() = 0;
  // A device buffer of ASize bytes; AHost is the host memory that mfUseHostPtr or mfCopyHostPtr
  // refer to (nullptr otherwise).
  virtual TIntf<IOCLBuffer> CreateBuffer(TOCLMemoryFlags AFlags, size_t ASize, void* AHost) = 0;
  // The context's command queue on its device ADeviceIndex, made at the first request.
  virtual TIntf<IOCLCommandQueue> GetCommandQueue(uint32_t ADeviceIndex) = 0;
  // A program built from ASource for every device of the context; EOpenCLBuild when it does
  // not build.
  virtual TIntf<IOCLProgram> BuildProgram(const std::string& ASource,
                                          const std::string& AOptions = {}) = 0;
};

class TOpenCL {
 public:
  // The platforms the ICD loader finds; empty when there is none.
  static std::vector<TIntf<IOCLPlatform>> GetPlatforms();
};

class TOCLContext {
 public:
  // A context over ADevices (at least one), with no properties and no error callback.
  static TIntf<IOCLContext> Create(std::span<const TIntf<IOCLDevice>> ADevices);
};

}  // namespace kelvra
