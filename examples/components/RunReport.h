// What a component tells `corvane run` beyond the buffers and samples that the program counts at
// its pins: the buffers its queues dropped and a line of results of its own. Example components
// implement it beside their component base; `corvane run` asks each component for it.
#pragma once

#include <cstdint>
#include <string>

namespace corvane::examples {

class IRunReport {
 public:
  virtual ~IRunReport() = default;
  virtual int64_t QueueDrops() { return 0; }
  // Empty when there is nothing to add.
  virtual std::string Summary() { return {}; }
};

}  // namespace corvane::examples
