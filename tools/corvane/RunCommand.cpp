// `corvane run FILE [--seconds S] [--progress]`: loads a component tree from its text form, runs
// it until every generator has stopped (or S seconds have passed, or Ctrl-C), stops it and prints
// per component the buffers and samples it processed, the buffers its queues dropped, and the
// wall time.
//
// Counting. The program counts at the pins it sees: it connects a counting sink of its own (a
// tap) to every source pin of the graph's components. A component with source pins is credited
// with what they sent; one without (a sink) with what the sources connected to its sink pins
// sent. Queue drops, and a line of results, come from components that implement
// examples::IRunReport. The graph's own clocks are held while the taps are connected, so that
// no buffer goes uncounted.
#include "tools/corvane/RunCommand.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "corvane/framework/KDClockGen.h"
#include "corvane/framework/KDCommonGen.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "examples/components/ExampleComponents.h"
#include "examples/components/RunReport.h"
#include "kelvra/Kelvra.Components.Streaming.h"
#include "kelvra/Kelvra.Threading.MainThread.h"
#include "tools/corvane/AlgorithmCommands.h"

namespace corvane::tool {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted = true; }

// SIGINT sets `interrupted` while the graph runs.
class TInterruptScope {
 public:
  TInterruptScope() {
    interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
  }
  ~TInterruptScope() { sigaction(SIGINT, &previous_, nullptr); }

 private:
  struct sigaction previous_ {};
};

// The graph's own clocks are held from the read until Release, and in any case at the end.
class TClockHold {
 public:
  TClockHold() { KDSetClockGenTimerManual(true); }
  ~TClockHold() { Release(); }
  void Release() { KDSetClockGenTimerManual(false); }
};

struct TCounts {
  int64_t Buffers = 0, Samples = 0;
  TCounts& operator+=(const TCounts& AOther) {
    Buffers += AOther.Buffers;
    Samples += AOther.Samples;
    return *this;
  }
};

// A sink of the program's own on one source pin: counts the buffers and samples it sends.
class TPinTap {
 public:
  explicit TPinTap(pinweave::TPNPin& ASource)
      : source_(ASource),
        sink_({}, nullptr,
              [this](pinweave::TPNPin*, pinweave::TPNPin*, const kelvra::TGUID&,
                     const TPNOperation& AOperation, TPNNotifyState AState) {
                const auto* data = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation);
                if (data && !AState.Contains(pinweave::nsConnecting)) {
                  buffers_.fetch_add(1, std::memory_order_relaxed);
                  samples_.fetch_add(data->SampleCount(), std::memory_order_relaxed);
                }
                return TPNNotifyResult{};
              }) {
    pinweave::Connect(source_, sink_);
  }
  ~TPinTap() { pinweave::Disconnect(source_, sink_); }
  TCounts Counts() const { return {buffers_.load(), samples_.load()}; }

 private:
  pinweave::TPNPin& source_;
  TKDPNUniversalSinkPin sink_;
  std::atomic<int64_t> buffers_{0}, samples_{0};
};

// The pins a component publishes.
std::vector<pinweave::TPNPin*> PinsOf(kelvra::TComponent& AComponent) {
  std::vector<pinweave::TPNPin*> pins;
  for (const kelvra::TPropertyInfo* property : kelvra::PublishedProperties(AComponent.ClassType()))
    if (property->Kind() == kelvra::pkObject)
      if (auto* pin = dynamic_cast<pinweave::TPNPin*>(property->GetObject(AComponent)))
        pins.push_back(pin);
  return pins;
}

void Collect(kelvra::TComponent& ARoot, std::vector<kelvra::TComponent*>& AComponents) {
  AComponents.push_back(&ARoot);
  for (int32_t i = 0; i < ARoot.ComponentCount(); ++i) Collect(*ARoot.Components(i), AComponents);
}

// The running graph: its components, a tap on each source pin, its generators.
class TGraphRun {
 public:
  explicit TGraphRun(kelvra::TComponent& ARoot) {
    Collect(ARoot, components_);
    for (kelvra::TComponent* component : components_) {
      for (pinweave::TPNPin* pin : PinsOf(*component))
        if (pin->IsSource()) taps_[pin] = std::make_unique<TPinTap>(*pin);
      if (auto* generator = dynamic_cast<TKDBasicCommonGen*>(component))
        generators_.push_back(generator);
    }
  }

  bool AnyGeneratorRunning() const {
    for (TKDBasicCommonGen* generator : generators_)
      if (generator->IsRunning()) return true;
    return false;
  }
  void StopGenerators() {
    for (TKDBasicCommonGen* generator : generators_) generator->Stop();
  }

  // What a component's source pins sent; for a component without, what reached its sink pins.
  TCounts CountsOf(kelvra::TComponent& AComponent) const {
    TCounts sent, received;
    for (pinweave::TPNPin* pin : PinsOf(AComponent)) {
      if (pin->IsSource()) {
        sent += TapCounts(pin);
      } else {
        for (pinweave::TPNPin* source : static_cast<pinweave::TPNSinkPin*>(pin)->SourcePins())
          received += TapCounts(source);
      }
    }
    return sent.Buffers || sent.Samples ? sent : received;
  }
  TCounts Total() const {
    TCounts total;
    for (const auto& [pin, tap] : taps_) total += tap->Counts();
    return total;
  }

  void PrintReport(double AWallSeconds) const {
    std::printf("%-20s %-20s %10s %12s %8s\n", "component", "class", "buffers", "samples",
                "drops");
    for (kelvra::TComponent* component : components_) {
      if (PinsOf(*component).empty()) continue;
      auto* report = dynamic_cast<examples::IRunReport*>(component);
      const TCounts counts = CountsOf(*component);
      std::printf("%-20s %-20s %10lld %12lld %8lld", component->GetName().c_str(),
                  std::string(component->ClassType().Name()).c_str(),
                  static_cast<long long>(counts.Buffers), static_cast<long long>(counts.Samples),
                  static_cast<long long>(report ? report->QueueDrops() : 0));
      const std::string summary = report ? report->Summary() : "";
      std::printf(summary.empty() ? "\n" : "  %s\n", summary.c_str());
    }
    std::printf("wall time %.3f s\n", AWallSeconds);
  }

 private:
  TCounts TapCounts(pinweave::TPNPin* APin) const {
    const auto tap = taps_.find(APin);
    return tap == taps_.end() ? TCounts{} : tap->second->Counts();
  }

  std::vector<kelvra::TComponent*> components_;
  std::map<pinweave::TPNPin*, std::unique_ptr<TPinTap>> taps_;
  std::vector<TKDBasicCommonGen*> generators_;
};

double SecondsSince(Clock::time_point AStart) {
  return std::chrono::duration<double>(Clock::now() - AStart).count();
}

void ShowProgress(const TGraphRun& AGraph, double ASeconds) {
  const TCounts total = AGraph.Total();
  std::fprintf(stderr, "\r%8.1f s %12lld buffers %14lld samples", ASeconds,
               static_cast<long long>(total.Buffers), static_cast<long long>(total.Samples));
  std::fflush(stderr);
}

// Runs until no generator runs, the time is up or Ctrl-C; then stops the generators.
void RunUntilDone(TGraphRun& AGraph, double ALimit, bool AProgress, Clock::time_point AStart) {
  auto nextProgress = AStart;
  while (!interrupted && AGraph.AnyGeneratorRunning() &&
         (ALimit <= 0 || SecondsSince(AStart) < ALimit)) {
    kelvra::CheckSynchronize(10);
    if (AProgress && Clock::now() >= nextProgress) {
      ShowProgress(AGraph, SecondsSince(AStart));
      nextProgress += std::chrono::milliseconds(200);
    }
  }
  AGraph.StopGenerators();
  while (kelvra::CheckSynchronize(0)) {
  }
  if (AProgress) {
    ShowProgress(AGraph, SecondsSince(AStart));
    std::fputc('\n', stderr);
  }
}

}  // namespace

int RunGraph(int argc, char** argv) {
  CLI::App app{"Loads a component tree from its text form, runs it until every generator has "
               "stopped, and prints what each component processed.",
               "corvane run"};
  std::string fileName;
  double seconds = 0;
  bool progress = false;
  app.add_option("FILE", fileName, "the component tree (YAML text form)")->required();
  app.add_option("--seconds", seconds, "stop after this many seconds (default: no limit)")
      ->check(CLI::PositiveNumber);
  app.add_flag("--progress", progress, "a live progress line on a terminal");
  if (auto status = ParseArguments(app, argc, argv)) return *status;

  std::ifstream file(fileName);
  std::stringstream text;
  if (!(text << file.rdbuf())) {
    std::fprintf(stderr, "%s: Cannot open file \"%s\".\n", fileName.c_str(), fileName.c_str());
    return 1;
  }
  TPackageSession session;
  examples::RegisterExampleComponents();
  TClockHold clockHold;
  kelvra::TOwnedComponent<kelvra::TComponent> root;
  try {
    root = kelvra::ReadComponentYaml(text.str());
  } catch (const kelvra::Exception& e) {
    std::fprintf(stderr, "%s: %s\n", fileName.c_str(), e.what());
    return 1;
  }
  TInterruptScope interruptScope;
  {
    TGraphRun graph(*root);
    const auto start = Clock::now();
    clockHold.Release();
    RunUntilDone(graph, seconds, progress && isatty(STDERR_FILENO), start);
    graph.PrintReport(SecondsSince(start));
  }
  root.reset();  // ends every thread of the graph
  if (interrupted) {
    std::fputs("stopped by Ctrl-C\n", stderr);
    return 130;
  }
  return 0;
}

}  // namespace corvane::tool
