#include "kelvra/Kelvra.OpenCL.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <vector>

#include "tests/kelvra/OpenCLTestSupport.h"

namespace kelvra {
namespace {

using testing::FirstPlatformContext;
using testing::kAddSource;

TEST(OpenCL, PlatformsAndDevicesDescribeThemselves) {
  const auto platforms = TOpenCL::GetPlatforms();
  if (platforms.empty()) GTEST_SKIP() << "no OpenCL platform installed";
  for (const auto& platform : platforms) {
    EXPECT_FALSE(platform->GetName().empty());
    EXPECT_EQ(platform->GetVersion().rfind("OpenCL ", 0), 0u) << platform->GetVersion();
    for (const auto& device : platform->GetDevices()) {
      EXPECT_FALSE(device->GetName().empty());
      EXPECT_GE(device->GetComputeUnits(), 1u);
      EXPECT_GT(device->GetGlobalMemorySize(), 0u);
    }
  }
}

TEST(OpenCL, AKernelRunsOverABufferWrittenAndReadThroughTheQueue) {
  TIntf<IOCLContext> context = FirstPlatformContext();
  SKIP_WITHOUT_OPENCL(context);
  std::vector<double> host(1000);
  std::iota(host.begin(), host.end(), 0.0);
  const size_t bytes = host.size() * sizeof(double);
  TIntf<IOCLBuffer> buffer = context->CreateBuffer({mfReadWrite}, bytes, nullptr);
  EXPECT_EQ(buffer->GetSize(), bytes);
  EXPECT_EQ(buffer->GetFlags(), TOCLMemoryFlags{mfReadWrite});

  TIntf<IOCLCommandQueue> queue = context->GetCommandQueue(0);
  EXPECT_EQ(queue, context->GetCommandQueue(0));  // one queue per device
  queue->WriteBuffer(buffer, true, 0, bytes, host.data());
  TIntf<IOCLKernel> kernel = context->BuildProgram(kAddSource)->CreateKernel("add");
  kernel->SetBufferArg(0, buffer);
  kernel->SetArg(1, 0.5);
  const size_t global[] = {host.size()};
  queue->EnqueueKernel(kernel, global);
  queue->Finish();

  const double* mapped = static_cast<const double*>(queue->MapBuffer(buffer, false, 0, bytes));
  for (size_t i = 0; i < host.size(); ++i) ASSERT_EQ(mapped[i], double(i) + 0.5);
  queue->UnmapBuffer(buffer, const_cast<double*>(mapped));
  std::vector<double> back(host.size());
  queue->ReadBuffer(buffer, true, 8, bytes - 8, back.data());
  EXPECT_EQ(back[0], 1.5);
}

TEST(OpenCL, FailuresRaiseTheErrorNameAndCode) {
  TIntf<IOCLContext> context = FirstPlatformContext();
  SKIP_WITHOUT_OPENCL(context);
  try {
    context->BuildProgram("__kernel void broken(__global int* p) { p[0] = undeclared; }");
    FAIL() << "built";
  } catch (const EOpenCLBuild& e) {
    EXPECT_EQ(e.Code(), -11);  // CL_BUILD_PROGRAM_FAILURE
    EXPECT_NE(e.BuildLog().find("undeclared"), std::string::npos) << e.BuildLog();
    EXPECT_NE(std::string(e.what()).find("CL_BUILD_PROGRAM_FAILURE (-11)"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find(e.BuildLog()), std::string::npos);
  }
  TIntf<IOCLProgram> program = context->BuildProgram(kAddSource);
  try {
    program->CreateKernel("missing");
    FAIL() << "made a kernel";
  } catch (const EOpenCL& e) {
    EXPECT_STREQ(e.what(), "CL_INVALID_KERNEL_NAME (-46) in clCreateKernel");
  }
  EXPECT_THROW(program->CreateKernel("add")->SetArg(7, 1.0), EOpenCL);
  EXPECT_THROW(context->GetCommandQueue(99), EOpenCL);
  EXPECT_THROW(context->CreateBuffer({mfUseHostPtr}, 64, nullptr), EOpenCL);
  EXPECT_EQ(OpenCLErrorName(12345), "CL_UNKNOWN_ERROR");
}

}  // namespace
}  // namespace kelvra
