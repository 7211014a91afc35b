#include "corvane/numeric/KDDispatchReport.h"

#include <algorithm>
#include <mutex>

#include "kernels/KernelTable.h"

namespace corvane {
namespace {

// A report line and how to set its slot.
struct TSlotEntry {
  TSlotRecord Record;
  std::function<void(void*)> Store;
};

std::mutex reportLock;
std::vector<TSlotEntry> report;
bool fallbackEnabled = true;

void Record(TSlotEntry entry) {
  std::lock_guard guard(reportLock);
  auto it = std::find_if(report.begin(), report.end(), [&](const TSlotEntry& e) {
    return e.Record.Unit == entry.Record.Unit && e.Record.Name == entry.Record.Name;
  });
  if (it == report.end())
    report.push_back(std::move(entry));
  else
    *it = std::move(entry);
}

}  // namespace

const char* SlotSourceName(TSlotSource source) {
  switch (source) {
    case ssIPP: return "ipp";
    case ssBuiltin: return "builtin";
    case ssEmpty: break;
  }
  return "empty";
}

void SetBuiltinKernelFallback(bool enabled) { fallbackEnabled = enabled; }
bool BuiltinKernelFallback() { return fallbackEnabled; }

std::vector<TSlotRecord> GetSlotReport() {
  std::lock_guard guard(reportLock);
  std::vector<TSlotRecord> records;
  for (const TSlotEntry& entry : report) records.push_back(entry.Record);
  return records;
}

const char* BuiltinKernelTarget() {
  return kernels::KernelTargetName();
}

void ReleaseIPPSlots(std::string_view unit) {
  std::lock_guard guard(reportLock);
  for (TSlotEntry& entry : report) {
    if (entry.Record.Unit != unit || entry.Record.Source != ssIPP) continue;
    void* builtin = fallbackEnabled ? kernels::FindKernel(entry.Record.Name) : nullptr;
    entry.Store(builtin);
    entry.Record.Source = builtin ? ssBuiltin : ssEmpty;
  }
}

void* TSlotFiller::Resolve(const char* name, std::function<void(void*)> store) {
  TSlotSource source = ssIPP;
  void* address = lookup_(name);
  if (!address && fallbackEnabled) {
    address = kernels::FindKernel(name);
    source = ssBuiltin;
  }
  if (!address) source = ssEmpty;
  Record({{unit_, family_, name, source}, std::move(store)});
  return address;
}

}  // namespace corvane
