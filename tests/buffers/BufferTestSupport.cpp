#include "tests/buffers/BufferTestSupport.h"

#include "corvane/framework/Kelvra_Corvane.h"

namespace corvane {
namespace {

// The buffers call dispatch slots and recreate stored buffers by class: both need the package.
class PackageEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { Initialize(); }
  void TearDown() override { Finalize(); }
};

const auto* const packageEnvironment = ::testing::AddGlobalTestEnvironment(new PackageEnvironment);

}  // namespace
}  // namespace corvane
