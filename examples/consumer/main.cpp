// Scales a buffer through the dispatch table of an installed Corvane and prints it:
//   kernels AVX2: 0.5 1 1.5 2
#include <cstdio>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/numeric/KDDispatchReport.h"

int main() {
  corvane::Initialize();
  {
    const double samples[] = {1, 2, 3, 4};
    auto signal = corvane::TKDRealBuffer::CreateData(samples, 4);
    signal->MultiplyValue(0.5);
    std::printf("kernels %s:", corvane::BuiltinKernelTarget());
    for (double value : signal->GetEnumerator()) std::printf(" %g", value);
    std::printf("\n");
  }
  corvane::Finalize();
}
