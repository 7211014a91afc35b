// Stand-in for the IPP signal library: exports one real entry point name with a marker result.
#include <cstdint>

extern "C" int32_t ippsAdd_64f(const double*, const double*, double* pDst, int len) {
  for (int i = 0; i < len; ++i) pDst[i] = 42.0;
  return 0;
}
