#include "corvane/buffers/Kelvra.BufferAccumulator.h"

#include <algorithm>
#include <cstring>

#include "kelvra/Kelvra.SysUtils.h"

#include "kelvra/Kelvra.Variants.h"

namespace corvane {

using kelvra::TIntf;

namespace {

// The bytes of a buffer that the accumulator reads: its Size, but never more than the bytes it
// has (a boolean buffer's Size counts bits).
int64_t Measure(const TIntf<IKDDataBuffer>& ABuffer) {
  return std::min(ABuffer->GetSize(), ABuffer->GetByteSize());
}

}  // namespace

TIntf<IBufferAccumulator> TBufferAccumulator::CreateCopy(const TBufferAccumulator& AOther) {
  auto* result = new TBufferAccumulator();
  TIntf<IBufferAccumulator> intf(result);
  for (const auto& buffer : AOther.buffers_) result->buffers_.Add(buffer);
  result->readPosition_ = AOther.readPosition_;
  result->available_ = AOther.available_;
  return intf;
}

void TBufferAccumulator::Clear() {
  buffers_.Clear();
  readPosition_ = 0;
  available_ = 0;
}

void TBufferAccumulator::AddBuffer(const TIntf<IKDDataBuffer>& ABuffer) {
  buffers_.Add(ABuffer);
  available_ += Measure(ABuffer);
}

// ---------------------------------------------------------------------------------------------
// Reading

template <class Visit>
void TBufferAccumulator::VisitSegments(int64_t AOffset, Visit visit) {
  int64_t skip = readPosition_ + AOffset;
  for (const auto& buffer : buffers_) {
    const int64_t size = Measure(buffer);
    if (skip >= size) {
      skip -= size;
      continue;
    }
    if (!visit(static_cast<const uint8_t*>(buffer->ByteRead()) + skip, size - skip)) return;
    skip = 0;
  }
}

void TBufferAccumulator::CopyOut(int64_t AOffset, int64_t ACount, uint8_t* ADest) {
  if (ACount <= 0) return;
  VisitSegments(AOffset, [&](const uint8_t* bytes, int64_t length) {
    const int64_t count = std::min(length, ACount);
    std::memcpy(ADest, bytes, size_t(count));
    ADest += count;
    ACount -= count;
    return ACount > 0;
  });
}

void TBufferAccumulator::Consume(int32_t ACount, uint8_t* ADest) {
  available_ -= ACount;
  int64_t count = ACount;
  while (count >= 1 && buffers_.GetCount() > 0) {
    const TIntf<IKDDataBuffer>& first = buffers_[0];
    const int64_t rest = std::max<int64_t>(Measure(first) - readPosition_, 0);
    const int64_t taken = std::min(count, rest);
    if (ADest && taken > 0) {
      std::memcpy(ADest, static_cast<const uint8_t*>(first->ByteRead()) + readPosition_,
                  size_t(taken));
      ADest += taken;
    }
    count -= taken;
    if (taken < rest) {
      readPosition_ += int32_t(taken);
      return;
    }
    readPosition_ = 0;
    buffers_.Delete(0);
  }
}

bool TBufferAccumulator::ExtractBytes(int32_t ACount, void* ADest) {
  if (ACount < 0 || available_ < ACount) return false;
  Consume(ACount, static_cast<uint8_t*>(ADest));
  return true;
}

bool TBufferAccumulator::ExtractBytes(int32_t ACount, std::vector<uint8_t>& ABytes) {
  ABytes.assign(size_t(std::max(ACount, 0)), 0);
  return ExtractBytes(ACount, ABytes.data());
}

bool TBufferAccumulator::SkipBytes(int32_t ACount) {
  if (ACount < 0 || available_ < ACount) return false;
  Consume(ACount, nullptr);
  return true;
}

std::string TBufferAccumulator::ExtractString(int32_t ACount) {
  std::vector<uint8_t> bytes;
  ExtractBytes(ACount, bytes);
  // Decoded and encoded again: what is ill-formed comes back as U+FFFD.
  return kelvra::Utf16ToUtf8(kelvra::Utf8ToUtf16({reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
}

bool TBufferAccumulator::PeekBytes(int32_t ACount, void* ADest) {
  return PeekBytesFrom(0, ACount, ADest);
}

bool TBufferAccumulator::PeekBytesFrom(int32_t AOffset, int32_t ACount, void* ADest) {
  if (AOffset < 0 || ACount < 0 || available_ < int64_t(AOffset) + ACount) return false;
  CopyOut(AOffset, ACount, static_cast<uint8_t*>(ADest));
  return true;
}

uint8_t TBufferAccumulator::PeekFirstByte() {
  uint8_t result = 0;
  PeekBytes(1, &result);
  return result;
}

TIntf<IKDBlockBuffer> TBufferAccumulator::GetAsBuffer() {
  if (available_ > UINT32_MAX) throw kelvra::EOutOfMemory();
  TIntf<IKDBlockBuffer> result = TKDBlockBuffer::CreateSize(uint32_t(available_));
  CopyOut(0, available_, result->Read());
  return result;
}

// ---------------------------------------------------------------------------------------------
// Searching

// Where the cursor is at the first pattern byte, memchr finds the next candidate; past it the
// bytes are compared one by one, and a mismatch resumes the search after the mismatching byte.
bool TBufferAccumulator::Match(const uint8_t* APattern, int32_t ACount, int64_t AFrom,
                               int64_t ATo, bool AStopAtZero, int32_t& APosition) {
  int32_t cursor = 0;
  bool found = false, stopped = false;
  int64_t scanned = AFrom;
  if (AFrom < ATo) {
    VisitSegments(AFrom, [&](const uint8_t* bytes, int64_t length) {
      const uint8_t* p = bytes;
      const uint8_t* end = bytes + std::min(length, ATo - scanned);
      if (AStopAtZero) {
        if (const void* zero = std::memchr(p, 0, size_t(end - p))) {
          end = static_cast<const uint8_t*>(zero);
          stopped = true;
        }
      }
      while (p < end) {
        if (cursor == 0) {
          const void* next = std::memchr(p, APattern[0], size_t(end - p));
          if (!next) {
            p = end;
            break;
          }
          p = static_cast<const uint8_t*>(next) + 1;
          cursor = 1;
        } else if (*p++ == APattern[cursor]) {
          ++cursor;
        } else {
          cursor = 0;
        }
        if (cursor == ACount) {
          found = true;
          break;
        }
      }
      scanned += p - bytes;
      return !found && !stopped && scanned < ATo;
    });
  }
  APosition = int32_t(scanned);
  return found;
}

bool TBufferAccumulator::FindBytes(int32_t ACount, const void* APattern, int32_t& APosition) {
  APosition = 0;
  if (ACount <= 0) return true;
  return Match(static_cast<const uint8_t*>(APattern), ACount, 0, available_, false, APosition);
}

bool TBufferAccumulator::FindBytes(int32_t ACount, const void* APattern, int32_t ASkip,
                                   int32_t ALimit, int32_t& APosition) {
  APosition = 0;
  if (ACount <= 0) return true;
  const int64_t from = std::max(ASkip, 0);
  const int64_t to = std::min(available_, from + std::max(ALimit, 0));
  return Match(static_cast<const uint8_t*>(APattern), ACount, from, to, false, APosition);
}

bool TBufferAccumulator::FindString(const std::string& AText, int32_t& APosition) {
  APosition = 0;
  if (AText.empty()) return true;
  return Match(reinterpret_cast<const uint8_t*>(AText.data()), int32_t(AText.size()), 0,
               available_, true, APosition);
}

bool TBufferAccumulator::FindSkipBytes(int32_t ACount, const void* APattern, bool& ASkipped) {
  ASkipped = false;
  const int32_t count = std::max(ACount, 0);
  std::vector<uint8_t> window(static_cast<size_t>(count));
  while (available_ >= count) {
    CopyOut(0, count, window.data());
    if (count == 0 || std::memcmp(window.data(), APattern, size_t(count)) == 0) {
      Consume(count, nullptr);
      return true;
    }
    Consume(1, nullptr);
    ASkipped = true;
  }
  return false;
}

}  // namespace corvane
