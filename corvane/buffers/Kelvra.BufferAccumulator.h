// The buffer accumulator: arriving data buffers joined into one byte stream that can be read,
// peeked, skipped and searched across buffer boundaries, as bytes or as UTF-8 text. Each buffer
// is measured by its Size and read through its ByteRead pointer, so one element counts as one
// byte: it is meant for block buffers, where the two agree. It takes no lock: one accumulator
// belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "kelvra/Kelvra.Containers.h"

namespace corvane {

// Positions and counts start at the read point; nothing is consumed unless stated.
class IBufferAccumulator : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{986F190A-1C6B-49CF-9302-B01DB2F15B20}");

  virtual int64_t GetBytesAvailable() = 0;
  virtual void Clear() = 0;
  // Appends the reference, not a copy.
  virtual void AddBuffer(const kelvra::TIntf<IKDDataBuffer>& ABuffer) = 0;
  // When ACount bytes are available: copies and consumes them, true. Otherwise false, nothing
  // changed.
  virtual bool ExtractBytes(int32_t ACount, void* ADest) = 0;
  // The same into ABytes, which is first set to ACount zero bytes.
  virtual bool ExtractBytes(int32_t ACount, std::vector<uint8_t>& ABytes) = 0;
  virtual bool SkipBytes(int32_t ACount) = 0;
  // ACount bytes extracted and decoded as UTF-8 (returned as UTF-8, invalid sequences replaced
  // by U+FFFD); ACount NUL characters when fewer are available.
  virtual std::string ExtractString(int32_t ACount) = 0;
  // The searches scan byte by byte from the read point, counting each scanned byte in
  // APosition. A byte equal to the pattern byte under the cursor advances the cursor; any other
  // byte sends it back to the first pattern byte, and that byte is not tried again as the start
  // of a match. On success APosition counts the bytes up to and including the match's last.
  // FindString matches AText's UTF-8 bytes and gives up at a data byte of 0.
  virtual bool FindString(const std::string& AText, int32_t& APosition) = 0;
  // Consumes bytes one by one (ASkipped := true) until the next ACount bytes equal the pattern,
  // then consumes those too: true. False when fewer than ACount bytes remain; what was skipped
  // stays consumed.
  virtual bool FindSkipBytes(int32_t ACount, const void* APattern, bool& ASkipped) = 0;
  // A pattern of length 0 is found at once at position 0.
  virtual bool FindBytes(int32_t ACount, const void* APattern, int32_t& APosition) = 0;
  // The first ASkip bytes are passed over (counted, never matched); at most ALimit bytes after
  // them are tried.
  virtual bool FindBytes(int32_t ACount, const void* APattern, int32_t ASkip, int32_t ALimit,
                         int32_t& APosition) = 0;
  virtual bool PeekBytes(int32_t ACount, void* ADest) = 0;
  // The ACount bytes that follow the first AOffset bytes.
  virtual bool PeekBytesFrom(int32_t AOffset, int32_t ACount, void* ADest) = 0;
  virtual bool IsEmpty() = 0;
  // 0 when no byte is available.
  virtual uint8_t PeekFirstByte() = 0;
  // A new block buffer holding a copy of every available byte.
  virtual kelvra::TIntf<IKDBlockBuffer> GetAsBuffer() = 0;
};

class TBufferAccumulator : public kelvra::TInterfacedObject, public virtual IBufferAccumulator {
 public:
  static kelvra::TIntf<IBufferAccumulator> Create() { return new TBufferAccumulator(); }
  // The other's buffer references, read position and available count.
  static kelvra::TIntf<IBufferAccumulator> CreateCopy(const TBufferAccumulator& AOther);

  int64_t GetBytesAvailable() override { return available_; }
  void Clear() override;
  void AddBuffer(const kelvra::TIntf<IKDDataBuffer>& ABuffer) override;
  bool ExtractBytes(int32_t ACount, void* ADest) override;
  bool ExtractBytes(int32_t ACount, std::vector<uint8_t>& ABytes) override;
  bool SkipBytes(int32_t ACount) override;
  std::string ExtractString(int32_t ACount) override;
  bool FindString(const std::string& AText, int32_t& APosition) override;
  bool FindSkipBytes(int32_t ACount, const void* APattern, bool& ASkipped) override;
  bool FindBytes(int32_t ACount, const void* APattern, int32_t& APosition) override;
  bool FindBytes(int32_t ACount, const void* APattern, int32_t ASkip, int32_t ALimit,
                 int32_t& APosition) override;
  bool PeekBytes(int32_t ACount, void* ADest) override;
  bool PeekBytesFrom(int32_t AOffset, int32_t ACount, void* ADest) override;
  bool IsEmpty() override { return available_ < 1; }
  uint8_t PeekFirstByte() override;
  kelvra::TIntf<IKDBlockBuffer> GetAsBuffer() override;

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TBufferAccumulator, IBufferAccumulator>(this, iid, out);
  }

 private:
  TBufferAccumulator() = default;

  // Calls visit(bytes, count) for the available bytes from AOffset on, segment by segment across
  // the buffers, until visit returns false.
  template <class Visit>
  void VisitSegments(int64_t AOffset, Visit visit);
  // Copies ACount bytes from AOffset into ADest (when not null); the caller tested availability.
  void CopyOut(int64_t AOffset, int64_t ACount, uint8_t* ADest);
  // Copies (ADest not null) and consumes ACount available bytes.
  void Consume(int32_t ACount, uint8_t* ADest);
  // The byte matcher over the available bytes [AFrom, ATo), APosition counting from the read
  // point; AStopAtZero ends the search with false at a data byte of 0.
  bool Match(const uint8_t* APattern, int32_t ACount, int64_t AFrom, int64_t ATo,
             bool AStopAtZero, int32_t& APosition);

  kelvra::TArrayList<kelvra::TIntf<IKDDataBuffer>> buffers_;
  int32_t readPosition_ = 0;
  int64_t available_ = 0;
};

}  // namespace corvane
