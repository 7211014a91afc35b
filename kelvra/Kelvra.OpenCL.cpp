#include "kelvra/Kelvra.OpenCL.h"

// The 1.2 interface: every platform of the last decade has it, and its command queue call is the
// one that 2.x and 3.0 platforms keep for compatibility.
#define CL_TARGET_OPENCL_VERSION 120
#include <CL/cl.h>

#include <array>
#include <mutex>
#include <utility>

namespace kelvra {
namespace {

struct TErrorName {
  cl_int code;
  const char* name;
};

constexpr TErrorName kErrorNames[] = {
    {CL_DEVICE_NOT_FOUND, "CL_DEVICE_NOT_FOUND"},
    {CL_DEVICE_NOT_AVAILABLE, "CL_DEVICE_NOT_AVAILABLE"},
    {CL_COMPILER_NOT_AVAILABLE, "CL_COMPILER_NOT_AVAILABLE"},
    {CL_MEM_OBJECT_ALLOCATION_FAILURE, "CL_MEM_OBJECT_ALLOCATION_FAILURE"},
    {CL_OUT_OF_RESOURCES, "CL_OUT_OF_RESOURCES"},
    {CL_OUT_OF_HOST_MEMORY, "CL_OUT_OF_HOST_MEMORY"},
    {CL_PROFILING_INFO_NOT_AVAILABLE, "CL_PROFILING_INFO_NOT_AVAILABLE"},
    {CL_MEM_COPY_OVERLAP, "CL_MEM_COPY_OVERLAP"},
    {CL_IMAGE_FORMAT_MISMATCH, "CL_IMAGE_FORMAT_MISMATCH"},
    {CL_IMAGE_FORMAT_NOT_SUPPORTED, "CL_IMAGE_FORMAT_NOT_SUPPORTED"},
    {CL_BUILD_PROGRAM_FAILURE, "CL_BUILD_PROGRAM_FAILURE"},
    {CL_MAP_FAILURE, "CL_MAP_FAILURE"},
    {CL_MISALIGNED_SUB_BUFFER_OFFSET, "CL_MISALIGNED_SUB_BUFFER_OFFSET"},
    {CL_EXEC_STATUS_ERROR_FOR_EVENTS_IN_WAIT_LIST, "CL_EXEC_STATUS_ERROR_FOR_EVENTS_IN_WAIT_LIST"},
    {CL_COMPILE_PROGRAM_FAILURE, "CL_COMPILE_PROGRAM_FAILURE"},
    {CL_LINKER_NOT_AVAILABLE, "CL_LINKER_NOT_AVAILABLE"},
    {CL_LINK_PROGRAM_FAILURE, "CL_LINK_PROGRAM_FAILURE"},
    {CL_DEVICE_PARTITION_FAILED, "CL_DEVICE_PARTITION_FAILED"},
    {CL_KERNEL_ARG_INFO_NOT_AVAILABLE, "CL_KERNEL_ARG_INFO_NOT_AVAILABLE"},
    {CL_INVALID_VALUE, "CL_INVALID_VALUE"},
    {CL_INVALID_DEVICE_TYPE, "CL_INVALID_DEVICE_TYPE"},
    {CL_INVALID_PLATFORM, "CL_INVALID_PLATFORM"},
    {CL_INVALID_DEVICE, "CL_INVALID_DEVICE"},
    {CL_INVALID_CONTEXT, "CL_INVALID_CONTEXT"},
    {CL_INVALID_QUEUE_PROPERTIES, "CL_INVALID_QUEUE_PROPERTIES"},
    {CL_INVALID_COMMAND_QUEUE, "CL_INVALID_COMMAND_QUEUE"},
    {CL_INVALID_HOST_PTR, "CL_INVALID_HOST_PTR"},
    {CL_INVALID_MEM_OBJECT, "CL_INVALID_MEM_OBJECT"},
    {CL_INVALID_IMAGE_FORMAT_DESCRIPTOR, "CL_INVALID_IMAGE_FORMAT_DESCRIPTOR"},
    {CL_INVALID_IMAGE_SIZE, "CL_INVALID_IMAGE_SIZE"},
    {CL_INVALID_SAMPLER, "CL_INVALID_SAMPLER"},
    {CL_INVALID_BINARY, "CL_INVALID_BINARY"},
    {CL_INVALID_BUILD_OPTIONS, "CL_INVALID_BUILD_OPTIONS"},
    {CL_INVALID_PROGRAM, "CL_INVALID_PROGRAM"},
    {CL_INVALID_PROGRAM_EXECUTABLE, "CL_INVALID_PROGRAM_EXECUTABLE"},
    {CL_INVALID_KERNEL_NAME, "CL_INVALID_KERNEL_NAME"},
    {CL_INVALID_KERNEL_DEFINITION, "CL_INVALID_KERNEL_DEFINITION"},
    {CL_INVALID_KERNEL, "CL_INVALID_KERNEL"},
    {CL_INVALID_ARG_INDEX, "CL_INVALID_ARG_INDEX"},
    {CL_INVALID_ARG_VALUE, "CL_INVALID_ARG_VALUE"},
    {CL_INVALID_ARG_SIZE, "CL_INVALID_ARG_SIZE"},
    {CL_INVALID_KERNEL_ARGS, "CL_INVALID_KERNEL_ARGS"},
    {CL_INVALID_WORK_DIMENSION, "CL_INVALID_WORK_DIMENSION"},
    {CL_INVALID_WORK_GROUP_SIZE, "CL_INVALID_WORK_GROUP_SIZE"},
    {CL_INVALID_WORK_ITEM_SIZE, "CL_INVALID_WORK_ITEM_SIZE"},
    {CL_INVALID_GLOBAL_OFFSET, "CL_INVALID_GLOBAL_OFFSET"},
    {CL_INVALID_EVENT_WAIT_LIST, "CL_INVALID_EVENT_WAIT_LIST"},
    {CL_INVALID_EVENT, "CL_INVALID_EVENT"},
    {CL_INVALID_OPERATION, "CL_INVALID_OPERATION"},
    {CL_INVALID_GL_OBJECT, "CL_INVALID_GL_OBJECT"},
    {CL_INVALID_BUFFER_SIZE, "CL_INVALID_BUFFER_SIZE"},
    {CL_INVALID_MIP_LEVEL, "CL_INVALID_MIP_LEVEL"},
    {CL_INVALID_GLOBAL_WORK_SIZE, "CL_INVALID_GLOBAL_WORK_SIZE"},
    {CL_INVALID_PROPERTY, "CL_INVALID_PROPERTY"},
    {CL_INVALID_IMAGE_DESCRIPTOR, "CL_INVALID_IMAGE_DESCRIPTOR"},
    {CL_INVALID_COMPILER_OPTIONS, "CL_INVALID_COMPILER_OPTIONS"},
    {CL_INVALID_LINKER_OPTIONS, "CL_INVALID_LINKER_OPTIONS"},
    {CL_INVALID_DEVICE_PARTITION_COUNT, "CL_INVALID_DEVICE_PARTITION_COUNT"},
    {-1001, "CL_PLATFORM_NOT_FOUND_KHR"},
};

// The ICD loader's answer when no platform is installed.
constexpr cl_int kPlatformNotFound = -1001;

void Check(cl_int AStatus, std::string_view ACall) {
  if (AStatus != CL_SUCCESS) throw EOpenCL(AStatus, ACall);
}

// A text property of an OpenCL object: its size first, then the text, without the final zero.
template <class Handle, class Info, class Query>
std::string InfoText(Query AQuery, Handle AHandle, Info AInfo, std::string_view ACall) {
  size_t size = 0;
  Check(AQuery(AHandle, AInfo, 0, nullptr, &size), ACall);
  std::string text(size, '\0');
  Check(AQuery(AHandle, AInfo, size, text.data(), nullptr), ACall);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

template <class T>
T DeviceValue(cl_device_id ADevice, cl_device_info AInfo) {
  T value{};
  Check(clGetDeviceInfo(ADevice, AInfo, sizeof value, &value, nullptr), "clGetDeviceInfo");
  return value;
}

// Holds one OpenCL handle and releases it with the object.
template <class Handle, cl_int (*Release)(Handle)>
class THandleHolder {
 public:
  explicit THandleHolder(Handle AHandle) : handle_(AHandle) {}
  THandleHolder(const THandleHolder&) = delete;
  THandleHolder& operator=(const THandleHolder&) = delete;
  ~THandleHolder() { Release(handle_); }
  Handle Get() const { return handle_; }

 private:
  Handle handle_;
};

class TOCLDeviceObject : public TInterfacedObject, public IOCLDevice {
 public:
  explicit TOCLDeviceObject(cl_device_id ADevice) : device_(ADevice) {}
  std::string GetName() override { return Text(CL_DEVICE_NAME); }
  std::string GetVendor() override { return Text(CL_DEVICE_VENDOR); }
  std::string GetVersion() override { return Text(CL_DEVICE_VERSION); }
  uint32_t GetComputeUnits() override {
    return DeviceValue<cl_uint>(device_, CL_DEVICE_MAX_COMPUTE_UNITS);
  }
  uint64_t GetGlobalMemorySize() override {
    return DeviceValue<cl_ulong>(device_, CL_DEVICE_GLOBAL_MEM_SIZE);
  }
  bool IsGPU() override {
    return (DeviceValue<cl_device_type>(device_, CL_DEVICE_TYPE) & CL_DEVICE_TYPE_GPU) != 0;
  }
  bool SupportsDoubles() override {
    return DeviceValue<cl_device_fp_config>(device_, CL_DEVICE_DOUBLE_FP_CONFIG) != 0;
  }
  void* Handle() override { return device_; }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLDeviceObject, IOCLDevice>(this, iid, out);
  }

 private:
  std::string Text(cl_device_info AInfo) {
    return InfoText(clGetDeviceInfo, device_, AInfo, "clGetDeviceInfo");
  }
  // Devices of a platform (not sub-devices) need no release.
  cl_device_id device_;
};

class TOCLPlatformObject : public TInterfacedObject, public IOCLPlatform {
 public:
  explicit TOCLPlatformObject(cl_platform_id APlatform) : platform_(APlatform) {}
  std::string GetName() override { return Text(CL_PLATFORM_NAME); }
  std::string GetVendor() override { return Text(CL_PLATFORM_VENDOR); }
  std::string GetVersion() override { return Text(CL_PLATFORM_VERSION); }
  std::vector<TIntf<IOCLDevice>> GetDevices() override {
    cl_uint count = 0;
    const cl_int status = clGetDeviceIDs(platform_, CL_DEVICE_TYPE_ALL, 0, nullptr, &count);
    if (status == CL_DEVICE_NOT_FOUND) return {};
    Check(status, "clGetDeviceIDs");
    std::vector<cl_device_id> ids(count);
    Check(clGetDeviceIDs(platform_, CL_DEVICE_TYPE_ALL, count, ids.data(), nullptr),
          "clGetDeviceIDs");
    std::vector<TIntf<IOCLDevice>> devices;
    for (cl_device_id id : ids) devices.emplace_back(new TOCLDeviceObject(id));
    return devices;
  }
  void* Handle() override { return platform_; }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLPlatformObject, IOCLPlatform>(this, iid, out);
  }

 private:
  std::string Text(cl_platform_info AInfo) {
    return InfoText(clGetPlatformInfo, platform_, AInfo, "clGetPlatformInfo");
  }
  cl_platform_id platform_;
};

class TOCLBufferObject : public TInterfacedObject, public IOCLBuffer {
 public:
  TOCLBufferObject(TIntf<IOCLContext> AContext, cl_mem ABuffer, size_t ASize,
                   TOCLMemoryFlags AFlags)
      : context_(std::move(AContext)), buffer_(ABuffer), size_(ASize), flags_(AFlags) {}
  size_t GetSize() override { return size_; }
  TOCLMemoryFlags GetFlags() override { return flags_; }
  void* Handle() override { return buffer_.Get(); }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLBufferObject, IOCLBuffer>(this, iid, out);
  }

 private:
  TIntf<IOCLContext> context_;
  THandleHolder<cl_mem, clReleaseMemObject> buffer_;
  size_t size_;
  TOCLMemoryFlags flags_;
};

cl_mem MemOf(const TIntf<IOCLBuffer>& ABuffer) {
  return static_cast<cl_mem>(ABuffer->Handle());
}

class TOCLKernelObject : public TInterfacedObject, public IOCLKernel {
 public:
  TOCLKernelObject(TIntf<IOCLProgram> AProgram, cl_kernel AKernel, std::string AName)
      : program_(std::move(AProgram)), kernel_(AKernel), name_(std::move(AName)) {}
  std::string GetName() override { return name_; }
  void SetBufferArg(uint32_t AIndex, const TIntf<IOCLBuffer>& ABuffer) override {
    const cl_mem memory = MemOf(ABuffer);
    Check(clSetKernelArg(kernel_.Get(), AIndex, sizeof memory, &memory), "clSetKernelArg");
  }
  void SetValueArg(uint32_t AIndex, const void* AValue, size_t ASize) override {
    Check(clSetKernelArg(kernel_.Get(), AIndex, ASize, AValue), "clSetKernelArg");
  }
  void* Handle() override { return kernel_.Get(); }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLKernelObject, IOCLKernel>(this, iid, out);
  }

 private:
  TIntf<IOCLProgram> program_;
  THandleHolder<cl_kernel, clReleaseKernel> kernel_;
  std::string name_;
};

class TOCLProgramObject : public TInterfacedObject, public IOCLProgram {
 public:
  TOCLProgramObject(TIntf<IOCLContext> AContext, cl_program AProgram)
      : context_(std::move(AContext)), program_(AProgram) {}
  TIntf<IOCLKernel> CreateKernel(const std::string& AName) override {
    cl_int status = CL_SUCCESS;
    cl_kernel kernel = clCreateKernel(program_.Get(), AName.c_str(), &status);
    Check(status, "clCreateKernel");
    return TIntf<IOCLKernel>(new TOCLKernelObject(this, kernel, AName));
  }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLProgramObject, IOCLProgram>(this, iid, out);
  }

 private:
  TIntf<IOCLContext> context_;
  THandleHolder<cl_program, clReleaseProgram> program_;
};

class TOCLCommandQueueObject : public TInterfacedObject, public IOCLCommandQueue {
 public:
  explicit TOCLCommandQueueObject(cl_command_queue AQueue) : queue_(AQueue) {}
  void ReadBuffer(const TIntf<IOCLBuffer>& ABuffer, bool ABlocking, size_t AOffset, size_t ASize,
                  void* AHost) override {
    Check(clEnqueueReadBuffer(queue_.Get(), MemOf(ABuffer), ABlocking, AOffset, ASize, AHost, 0,
                              nullptr, nullptr),
          "clEnqueueReadBuffer");
  }
  void WriteBuffer(const TIntf<IOCLBuffer>& ABuffer, bool ABlocking, size_t AOffset, size_t ASize,
                   const void* AHost) override {
    Check(clEnqueueWriteBuffer(queue_.Get(), MemOf(ABuffer), ABlocking, AOffset, ASize, AHost, 0,
                               nullptr, nullptr),
          "clEnqueueWriteBuffer");
  }
  void* MapBuffer(const TIntf<IOCLBuffer>& ABuffer, bool AWrite, size_t AOffset,
                  size_t ASize) override {
    cl_int status = CL_SUCCESS;
    void* mapped = clEnqueueMapBuffer(queue_.Get(), MemOf(ABuffer), CL_TRUE,
                                      AWrite ? CL_MAP_WRITE : CL_MAP_READ, AOffset, ASize, 0,
                                      nullptr, nullptr, &status);
    Check(status, "clEnqueueMapBuffer");
    return mapped;
  }
  void UnmapBuffer(const TIntf<IOCLBuffer>& ABuffer, void* AMapped) override {
    Check(clEnqueueUnmapMemObject(queue_.Get(), MemOf(ABuffer), AMapped, 0, nullptr, nullptr),
          "clEnqueueUnmapMemObject");
  }
  void EnqueueKernel(const TIntf<IOCLKernel>& AKernel, std::span<const size_t> AGlobalSize,
                     std::span<const size_t> ALocalSize) override {
    if (AGlobalSize.empty() || AGlobalSize.size() > 3 ||
        (!ALocalSize.empty() && ALocalSize.size() != AGlobalSize.size()))
      throw EOpenCL(CL_INVALID_WORK_DIMENSION, "clEnqueueNDRangeKernel");
    Check(clEnqueueNDRangeKernel(queue_.Get(), static_cast<cl_kernel>(AKernel->Handle()),
                                 cl_uint(AGlobalSize.size()), nullptr, AGlobalSize.data(),
                                 ALocalSize.empty() ? nullptr : ALocalSize.data(), 0, nullptr,
                                 nullptr),
          "clEnqueueNDRangeKernel");
  }
  void Finish() override { Check(clFinish(queue_.Get()), "clFinish"); }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLCommandQueueObject, IOCLCommandQueue>(this, iid, out);
  }

 private:
  THandleHolder<cl_command_queue, clReleaseCommandQueue> queue_;
};

class TOCLContextObject : public TInterfacedObject, public IOCLContext {
 public:
  TOCLContextObject(cl_context AContext, std::vector<TIntf<IOCLDevice>> ADevices)
      : context_(AContext), devices_(std::move(ADevices)), queues_(devices_.size()) {}

  std::vector<TIntf<IOCLDevice>> GetDevices() override { return devices_; }

  TIntf<IOCLBuffer> CreateBuffer(TOCLMemoryFlags AFlags, size_t ASize, void* AHost) override {
    cl_int status = CL_SUCCESS;
    cl_mem buffer =
        clCreateBuffer(context_.Get(), cl_mem_flags(AFlags.Bits()), ASize, AHost, &status);
    Check(status, "clCreateBuffer");
    return TIntf<IOCLBuffer>(new TOCLBufferObject(this, buffer, ASize, AFlags));
  }

  TIntf<IOCLCommandQueue> GetCommandQueue(uint32_t ADeviceIndex) override {
    if (ADeviceIndex >= devices_.size()) throw EOpenCL(CL_INVALID_DEVICE, "clCreateCommandQueue");
    std::lock_guard guard(lock_);
    TIntf<IOCLCommandQueue>& queue = queues_[ADeviceIndex];
    if (!queue) {
      cl_int status = CL_SUCCESS;
      cl_command_queue handle = clCreateCommandQueue(
          context_.Get(), static_cast<cl_device_id>(devices_[ADeviceIndex]->Handle()), 0, &status);
      Check(status, "clCreateCommandQueue");
      queue = new TOCLCommandQueueObject(handle);
    }
    return queue;
  }

  TIntf<IOCLProgram> BuildProgram(const std::string& ASource,
                                  const std::string& AOptions) override {
    const char* text = ASource.c_str();
    const size_t length = ASource.size();
    cl_int status = CL_SUCCESS;
    cl_program handle = clCreateProgramWithSource(context_.Get(), 1, &text, &length, &status);
    Check(status, "clCreateProgramWithSource");
    TIntf<IOCLProgram> program(new TOCLProgramObject(this, handle));
    status = clBuildProgram(handle, 0, nullptr, AOptions.c_str(), nullptr, nullptr);
    if (status != CL_SUCCESS) throw EOpenCLBuild(status, BuildLogs(handle));
    return program;
  }

  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOCLContextObject, IOCLContext>(this, iid, out);
  }

 private:
  // The logs of all devices, one after another.
  std::string BuildLogs(cl_program AProgram) {
    std::string logs;
    for (const TIntf<IOCLDevice>& device : devices_) {
      const auto id = static_cast<cl_device_id>(device->Handle());
      logs += InfoText(
          [id](cl_program p, cl_program_build_info info, size_t size, void* value, size_t* ret) {
            return clGetProgramBuildInfo(p, id, info, size, value, ret);
          },
          AProgram, CL_PROGRAM_BUILD_LOG, "clGetProgramBuildInfo");
    }
    return logs;
  }

  THandleHolder<cl_context, clReleaseContext> context_;
  std::vector<TIntf<IOCLDevice>> devices_;
  std::mutex lock_;
  std::vector<TIntf<IOCLCommandQueue>> queues_;  // under lock_
};

}  // namespace

EOpenCL::EOpenCL(int32_t ACode, std::string_view ACall)
    : EOpenCL(OpenCLErrorName(ACode) + " (" + std::to_string(ACode) + ") in " + std::string(ACall),
              ACode) {}

EOpenCLBuild::EOpenCLBuild(int32_t ACode, std::string ALog)
    : EOpenCL(
          OpenCLErrorName(ACode) + " (" + std::to_string(ACode) + ") in clBuildProgram:\n" + ALog,
          ACode),
      log_(std::move(ALog)) {}

std::string OpenCLErrorName(int32_t ACode) {
  for (const TErrorName& entry : kErrorNames)
    if (entry.code == ACode) return entry.name;
  return "CL_UNKNOWN_ERROR";
}

std::vector<TIntf<IOCLPlatform>> TOpenCL::GetPlatforms() {
  cl_uint count = 0;
  const cl_int status = clGetPlatformIDs(0, nullptr, &count);
  if (status == kPlatformNotFound || count == 0) return {};
  Check(status, "clGetPlatformIDs");
  std::vector<cl_platform_id> ids(count);
  Check(clGetPlatformIDs(count, ids.data(), nullptr), "clGetPlatformIDs");
  std::vector<TIntf<IOCLPlatform>> platforms;
  for (cl_platform_id id : ids) platforms.emplace_back(new TOCLPlatformObject(id));
  return platforms;
}

TIntf<IOCLContext> TOCLContext::Create(std::span<const TIntf<IOCLDevice>> ADevices) {
  std::vector<cl_device_id> ids;
  for (const TIntf<IOCLDevice>& device : ADevices)
    ids.push_back(static_cast<cl_device_id>(device->Handle()));
  cl_int status = CL_SUCCESS;
  cl_context context =
      clCreateContext(nullptr, cl_uint(ids.size()), ids.data(), nullptr, nullptr, &status);
  Check(status, "clCreateContext");
  return TIntf<IOCLContext>(new TOCLContextObject(context, {ADevices.begin(), ADevices.end()}));
}

}  // namespace kelvra
