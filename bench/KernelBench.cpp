// Benchmarks of the built-in kernels, called through the dispatch slots, each beside its plain
// scalar peer, and a STREAM-style triad giving the machine's memory bandwidth. At the end the
// figures are printed and written to the file named by --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/ScalarPeers.h"
#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "fftw3.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "hwy/aligned_allocator.h"
#include "hwy/targets.h"
#include "kernels/KernelTable.h"

namespace corvane::bench {
namespace {

constexpr int kLengths[] = {1024, 65536, 16777216};
// Large enough for three arrays of doubles to exceed any cache.
constexpr int kTriadLength = 16777216;

// The operands of every benchmark at one length, allocated and touched once.
class Operands {
 public:
  explicit Operands(int n)
      : n(n),
        sources_(hwy::AllocateAligned<double>(2 * size_t(n))),
        phasors_(hwy::AllocateAligned<double>(2 * size_t(n))),
        work_(hwy::AllocateAligned<double>(2 * size_t(n))),
        out_(hwy::AllocateAligned<double>(n)),
        outInt_(hwy::AllocateAligned<Ipp32s>(n)) {
    std::mt19937_64 random(n);
    std::uniform_real_distribution<double> value(0.5, 4.0), angle(0.0, 2 * std::numbers::pi);
    for (size_t i = 0; i < 2 * size_t(n); ++i) sources_[i] = value(random);
    for (size_t i = 0; i < size_t(n); ++i) {
      const double a = angle(random);
      phasors_[2 * i] = std::cos(a);
      phasors_[2 * i + 1] = std::sin(a);
    }
    ResetWork();
    std::fill_n(out_.get(), n, 0.0);
    std::fill_n(outInt_.get(), n, 0);
  }

  const int n;
  // Two sources of n values in [0.5, 4): positive and moderate, valid input for every kernel.
  const double* Src1() const { return sources_.get(); }
  const double* Src2() const { return sources_.get() + n; }
  // n complex values of magnitude 1: repeated in-place products stay away from overflow and
  // denormals.
  const Ipp64fc* Phasors() const { return reinterpret_cast<const Ipp64fc*>(phasors_.get()); }
  // The operand of the in-place kernels: 2n reals or n complex values, copied from the sources.
  double* Work() { return work_.get(); }
  Ipp64fc* WorkComplex() { return reinterpret_cast<Ipp64fc*>(work_.get()); }
  void ResetWork() { std::memcpy(work_.get(), sources_.get(), 2 * size_t(n) * sizeof(double)); }
  double* Out() { return out_.get(); }
  Ipp32s* OutInt() { return outInt_.get(); }
  double result = 0;
  int index = 0;

 private:
  hwy::AlignedFreeUniquePtr<double[]> sources_, phasors_, work_, out_;
  hwy::AlignedFreeUniquePtr<Ipp32s[]> outInt_;
};

// The operands of each length, made on first use and kept: the repetitions of all benchmarks run
// interleaved in random order, so one length follows another all the time. The largest length
// takes nearly all the memory.
Operands& OperandsFor(int n) {
  static std::map<int, std::unique_ptr<Operands>> operands;
  std::unique_ptr<Operands>& entry = operands[n];
  if (!entry) entry = std::make_unique<Operands>(n);
  return *entry;
}

using Runner = std::function<IppStatus(Operands&)>;

struct KernelCase {
  std::string name;
  int bytesPerElement;  // bytes the kernel must move: read + written, write-allocate not counted
  std::function<bool()> available;
  Runner simd, scalar;
};

// A case calling `call(fn, operands)` with fn the dispatch slot or the scalar peer, which must
// have the slot's prototype.
template <class Fn, class Call>
KernelCase MakeCase(const char* name, int bytesPerElement, Fn* const& slot, Fn* peer, Call call) {
  return {name, bytesPerElement, [&slot] { return slot != nullptr; },
          [&slot, call](Operands& o) { return call(slot, o); },
          [peer, call](Operands& o) { return call(peer, o); }};
}
#define KERNEL_CASE(entry, bytesPerElement, ...) \
  MakeCase(#entry, bytesPerElement, corvane::entry, scalar::entry, __VA_ARGS__)

constexpr double kThresholdLevel = 2.25;  // inside the sources' range

// The benchmarked kernels: entry point, bytes moved per element (per complex element for 64fc),
// and the call, the same for the slot and its peer.
const KernelCase kCases[] = {
    KERNEL_CASE(ippsAdd_64f_I, 24,
                [](auto fn, Operands& o) { return fn(o.Src1(), o.Work(), o.n); }),
    KERNEL_CASE(ippsMul_64f, 24,
                [](auto fn, Operands& o) { return fn(o.Src1(), o.Src2(), o.Out(), o.n); }),
    KERNEL_CASE(ippsAddC_64f_I, 16, [](auto fn, Operands& o) { return fn(0.5, o.Work(), o.n); }),
    KERNEL_CASE(ippsSum_64f, 8, [](auto fn, Operands& o) { return fn(o.Src1(), o.n, &o.result); }),
    KERNEL_CASE(ippsDotProd_64f, 16,
                [](auto fn, Operands& o) { return fn(o.Src1(), o.Src2(), o.n, &o.result); }),
    KERNEL_CASE(ippsMaxIndx_64f, 8,
                [](auto fn, Operands& o) { return fn(o.Src1(), o.n, &o.result, &o.index); }),
    KERNEL_CASE(ippsSqrt_64f, 16, [](auto fn, Operands& o) { return fn(o.Src1(), o.Out(), o.n); }),
    KERNEL_CASE(ippsExp_64f, 16, [](auto fn, Operands& o) { return fn(o.Src1(), o.Out(), o.n); }),
    KERNEL_CASE(ippsLn_64f, 16, [](auto fn, Operands& o) { return fn(o.Src1(), o.Out(), o.n); }),
    KERNEL_CASE(ippsMul_64fc_I, 48,
                [](auto fn, Operands& o) { return fn(o.Phasors(), o.WorkComplex(), o.n); }),
    KERNEL_CASE(ippsThreshold_64f_I, 16,
                [](auto fn, Operands& o) {
                  return fn(o.Work(), o.n, kThresholdLevel, ippCmpLess);
                }),
    KERNEL_CASE(ippsConvert_64f32s_Sfs, 12,
                [](auto fn, Operands& o) { return fn(o.Src1(), o.OutInt(), o.n, ippRndNear, 0); }),
};
#undef KERNEL_CASE

void Register(const std::string& name, int n, int bytesPerElement, Runner run) {
  benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
    Operands& operands = OperandsFor(n);
    operands.ResetWork();
    // One untimed call checks the status and warms the caches for the small lengths.
    if (run(operands) != ippStsNoErr) {
      state.SkipWithError("the call returned an error status");
      return;
    }
    for (auto _ : state) {
      run(operands);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytesPerElement) * n);
  })->Unit(benchmark::kMicrosecond);
}

// a[i] = b[i] + s*c[i] over three arrays of kTriadLength doubles.
IppStatus Triad(Operands& o) {
  const double* b = o.Src1();
  const double* c = o.Src2();
  double* a = o.Out();
  for (int i = 0; i < o.n; ++i) a[i] = b[i] + 3.0 * c[i];
  return ippStsNoErr;
}

// FFTs beside FFTW 3 (double precision, FFTW_MEASURE plans, out of place), and ippsConv_64f
// beside a plain direct convolution loop.
constexpr int kFftLengths[] = {64, 256, 1024, 4096, 16384, 65536};
constexpr int kConvLengths[] = {64, 1024, 16384};

// Random input and an output for a transform of n points, complex or real (CCS output).
struct FftData {
  FftData(int n, bool complex)
      : in(hwy::AllocateAligned<double>(2 * size_t(n))),
        out(hwy::AllocateAligned<double>(2 * size_t(n) + 2)) {
    std::mt19937_64 random(n);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (int i = 0; i < (complex ? 2 * n : n); ++i) in[i] = value(random);
  }
  hwy::AlignedFreeUniquePtr<double[]> in, out;
};

// The Highway target the kernels run on: 0 for the machine's best, or the one named by
// --target=NAME.
int64_t gRunTarget = 0;

// Makes the kernels dispatch to `target` (0: the run's target) while it lives.
class TargetScope {
 public:
  explicit TargetScope(int64_t target) : changed_(target != 0) {
    if (changed_) hwy::SetSupportedTargetsForTest(target);
  }
  ~TargetScope() {
    if (changed_) hwy::SetSupportedTargetsForTest(gRunTarget);
  }
  TargetScope(const TargetScope&) = delete;
  TargetScope& operator=(const TargetScope&) = delete;

 private:
  bool changed_;
};

// Our transform of n points as `variant`, on `target` (0: the run's target), and, when
// `withPeer`, FFTW's.
void RegisterFft(int n, bool complex, const std::string& variant, int64_t target, bool withPeer) {
  const std::string subject = complex ? "fft_c" : "fft_r";
  const int order = std::countr_zero(unsigned(n));
  benchmark::RegisterBenchmark(BenchName(subject, variant, n).c_str(), [=](benchmark::State& state) {
    const TargetScope scope(target);  // the FFT context too is made for the target
    FftData data(n, complex);
    IppsFFTSpec_C_64fc* complexSpec = nullptr;
    IppsFFTSpec_R_64f* realSpec = nullptr;
    const auto run = [&] {
      return complex ? corvane::ippsFFTFwd_CToC_64fc(reinterpret_cast<Ipp64fc*>(data.in.get()),
                                                     reinterpret_cast<Ipp64fc*>(data.out.get()),
                                                     complexSpec, nullptr)
                     : corvane::ippsFFTFwd_RToCCS_64f(data.in.get(), data.out.get(), realSpec,
                                                      nullptr);
    };
    const IppStatus made =
        complex ? corvane::ippsFFTInitAlloc_C_64fc(&complexSpec, order, IPP_FFT_NODIV_BY_ANY,
                                                   ippAlgHintFast)
                : corvane::ippsFFTInitAlloc_R_64f(&realSpec, order, IPP_FFT_NODIV_BY_ANY,
                                                  ippAlgHintFast);
    if (made != ippStsNoErr || run() != ippStsNoErr) {
      state.SkipWithError("the call returned an error status");
      return;
    }
    for (auto _ : state) {
      run();
      benchmark::ClobberMemory();
    }
    if (complex) corvane::ippsFFTFree_C_64fc(complexSpec);
    else corvane::ippsFFTFree_R_64f(realSpec);
  })->Unit(benchmark::kMicrosecond);
  if (!withPeer) return;
  benchmark::RegisterBenchmark(BenchName(subject, "fftw", n).c_str(), [=](benchmark::State& state) {
    FftData data(n, complex);
    std::vector<double> input(data.in.get(), data.in.get() + 2 * n);  // MEASURE overwrites it
    fftw_plan plan =
        complex ? fftw_plan_dft_1d(n, reinterpret_cast<fftw_complex*>(data.in.get()),
                                   reinterpret_cast<fftw_complex*>(data.out.get()), FFTW_FORWARD,
                                   FFTW_MEASURE)
                : fftw_plan_dft_r2c_1d(n, data.in.get(),
                                       reinterpret_cast<fftw_complex*>(data.out.get()),
                                       FFTW_MEASURE);
    std::copy(input.begin(), input.end(), data.in.get());
    for (auto _ : state) {
      fftw_execute(plan);
      benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
  })->Unit(benchmark::kMicrosecond);
}

// The peer of ippsConv_64f: the defining sum, one product at a time.
IppStatus DirectConvolution(const double* a, int lenA, const double* b, int lenB, double* dst) {
  std::fill_n(dst, lenA + lenB - 1, 0.0);
  for (int i = 0; i < lenA; ++i)
    for (int j = 0; j < lenB; ++j) dst[i + j] += a[i] * b[j];
  return ippStsNoErr;
}

void RegisterConv(int n) {
  const auto registerOne = [n](const char* variant, auto conv) {
    benchmark::RegisterBenchmark(BenchName("conv", variant, n).c_str(), [=](benchmark::State& state) {
      Operands& o = OperandsFor(n);
      std::vector<double> out(2 * size_t(n));
      if (conv(o.Src1(), n, o.Src2(), n, out.data()) != ippStsNoErr) {
        state.SkipWithError("the call returned an error status");
        return;
      }
      for (auto _ : state) {
        conv(o.Src1(), n, o.Src2(), n, out.data());
        benchmark::ClobberMemory();
      }
    })->Unit(benchmark::kMicrosecond);
  };
  registerOne("ours", [](auto... args) { return corvane::ippsConv_64f(args...); });
  registerOne("direct", DirectConvolution);
}

// The targets of the per-target FFT figures: every target that the kernels are compiled for and
// this CPU runs, or only the run's target when --target names one.
std::vector<int64_t> FftTargets() {
  if (gRunTarget != 0) return {gRunTarget};
  return hwy::SupportedAndGeneratedTargets();
}

std::string OursOn(int64_t target) {
  return std::string("ours_") + hwy::TargetName(target);
}

// The target named `name` among those the kernels are compiled for and this CPU runs; 0 when
// there is none, after listing them on stderr.
int64_t TargetNamed(const std::string& name) {
  for (int64_t target : hwy::SupportedAndGeneratedTargets())
    if (name == hwy::TargetName(target)) return target;
  std::cerr << "kernel_bench: no target " << name << " here; this machine runs:";
  for (int64_t target : hwy::SupportedAndGeneratedTargets())
    std::cerr << ' ' << hwy::TargetName(target);
  std::cerr << '\n';
  return 0;
}

// Registers the triad and, for every kernel whose slot is filled, the kernel and its peer at
// every length; returns the kernels skipped for an empty slot.
std::vector<std::string> RegisterAll() {
  std::vector<std::string> skipped;
  for (const KernelCase& c : kCases)
    if (!c.available()) skipped.push_back(c.name);
  for (int n : kLengths) {
    if (n == kTriadLength) Register(TriadName(n), n, 24, Triad);
    for (const KernelCase& c : kCases) {
      if (!c.available()) continue;
      Register(BenchName(c.name, "simd", n), n, c.bytesPerElement, c.simd);
      Register(BenchName(c.name, "scalar", n), n, c.bytesPerElement, c.scalar);
    }
  }
  for (int n : kFftLengths) {
    for (bool complex : {true, false}) {
      RegisterFft(n, complex, "ours", 0, true);
      for (int64_t target : FftTargets()) RegisterFft(n, complex, OursOn(target), target, false);
    }
  }
  for (int n : kConvLengths) RegisterConv(n);
  return skipped;
}

}  // namespace
}  // namespace corvane::bench

// Arguments beyond Google Benchmark's: --summary=FILE (see RunBenchmarks) and --target=NAME, which
// runs every kernel on the named Highway target (AVX3, AVX2, SSE4, SCALAR) instead of the best one.
int main(int argc, char** argv) {
  using namespace corvane::bench;
  const std::string targetName = TakeFlag(argc, argv, "target");
  if (!targetName.empty()) {
    gRunTarget = TargetNamed(targetName);
    if (gRunTarget == 0) return 2;
    hwy::SetSupportedTargetsForTest(gRunTarget);
  }
  corvane::Initialize();
  SummaryContext context;
  const int status = RunBenchmarks(
      argc, argv,
      [&context] {
        context = {CpuModel(), corvane::kernels::KernelTargetName(), kLengths, kTriadLength,
                   RegisterAll()};
        for (const std::string& name : context.skipped)
          std::cerr << "note: " << name << " skipped, its slot is empty\n";
        benchmark::AddCustomContext("kernels", context.kernelTarget);
      },
      [&context](const MedianCollector& times) {
        std::vector<SummarySubject> subjects;
        for (const KernelCase& c : kCases) subjects.push_back({c.name, c.bytesPerElement});
        std::vector<PeerComparison> peers = {{"vs_fftw", "fft_c", "fftw", kFftLengths},
                                             {"vs_fftw", "fft_r", "fftw", kFftLengths},
                                             {"vs_direct", "conv", "direct", kConvLengths}};
        for (int64_t target : FftTargets()) {
          const std::string metric = std::string("vs_fftw_") + hwy::TargetName(target);
          for (const char* subject : {"fft_c", "fft_r"})
            peers.push_back({metric, subject, "fftw", kFftLengths, OursOn(target)});
        }
        return FormatSummary(times, context, subjects, peers);
      });
  corvane::Finalize();
  return status;
}
