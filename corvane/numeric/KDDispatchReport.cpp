#include "corvane/numeric/KDDispatchReport.h"

#include <algorithm>
#include <mutex>

#include "kernels/KernelTable.h"

namespace corvane {
namespace {

std::mutex reportLock;
std::vector<TSlotRecord> report;
bool fallbackEnabled = true;

void Record(TSlotRecord record) {
  std::lock_guard guard(reportLock);
  auto it = std::find_if(report.begin(), report.end(), [&](const TSlotRecord& r) {
    return r.Unit == record.Unit && r.Name == record.Name;
  });
  if (it == report.end())
    report.push_back(std::move(record));
  else
    *it = std::move(record);
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
  return report;
}

void* TSlotFiller::Resolve(const char* name) {
  TSlotSource source = ssIPP;
  void* address = lookup_(name);
  if (!address && fallbackEnabled) {
    address = kernels::FindKernel(name);
    source = ssBuiltin;
  }
  if (!address) source = ssEmpty;
  Record({unit_, family_, name, source});
  return address;
}

}  // namespace corvane
