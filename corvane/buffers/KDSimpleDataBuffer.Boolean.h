// The boolean buffer of the unit KDSimpleDataBuffer: bits packed eight to a byte, bit i in byte
// i div 8 at position i mod 8, the least significant first. The block holds (Size + 7) div 8
// bytes; the padding bits of the last byte carry no meaning.
#pragma once

#include <cstdint>
#include <span>

#include "corvane/buffers/KDSimpleDataBuffer.h"

namespace corvane {

class IKDBooleanBufferAccess : public virtual IKDBasicBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{D7714B5D-C05B-4B26-A819-0FC5E6542818}");
  // The packed bytes.
  virtual uint8_t* GetItems() = 0;
};

// Walks the bits in index order, from the pointer and bit count taken when it was made.
class TBooleanBufferEnumerator {
 public:
  TBooleanBufferEnumerator(const uint8_t* AData, uint32_t ASize) : data_(AData), size_(ASize) {}
  bool MoveNext() { return ++index_ < int64_t(size_); }
  bool GetCurrent() const { return data_[index_ >> 3] >> (index_ & 7) & 1; }

  // For range-based for.
  class iterator {
   public:
    iterator(const uint8_t* data, uint32_t index) : data_(data), index_(index) {}
    bool operator*() const { return data_[index_ >> 3] >> (index_ & 7) & 1; }
    iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const iterator& other) const { return index_ == other.index_; }

   private:
    const uint8_t* data_;
    uint32_t index_;
  };
  iterator begin() const { return {data_, 0}; }
  iterator end() const { return {data_, size_}; }

 private:
  const uint8_t* data_;
  uint32_t size_;
  int64_t index_ = -1;
};

class IKDBooleanBuffer : public virtual IKDLinearDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{0CE10DD6-3CFA-4D64-A052-50AEB059D167}");
  using TBuffer = kelvra::TIntf<IKDBooleanBuffer>;

  virtual kelvra::TIntf<IKDBooleanBufferAccess> Data(TBufferAccessModes AModes) = 0;
  virtual uint8_t* Read() = 0;
  virtual uint8_t* Write() = 0;
  virtual uint8_t* Modify() = 0;
  // From AndBuffer to InvertBit, each returns the buffer itself, so that calls can be chained.
  virtual TBuffer AndBuffer(const TBuffer& AOther) = 0;
  virtual TBuffer OrBuffer(const TBuffer& AOther) = 0;
  virtual TBuffer XorBuffer(const TBuffer& AOther) = 0;
  virtual TBuffer AndValue(bool AValue) = 0;
  virtual TBuffer OrValue(bool AValue) = 0;
  virtual TBuffer XorValue(bool AValue) = 0;
  virtual TBuffer SetValue(bool AValue) = 0;
  virtual TBuffer Zero() = 0;
  virtual TBuffer Invert() = 0;
  virtual TBuffer InvertBit(int32_t AIndex) = 0;
  virtual bool IsEqualToValue(bool AValue) = 0;
  virtual bool GetItem(int32_t AIndex) = 0;
  virtual void SetItem(int32_t AIndex, bool AValue) = 0;
  virtual TBooleanBufferEnumerator GetEnumerator() = 0;
};

// Its element count is the bit count, its byte size the packed size.
using TKDBooleanBufferAccess = TKDTypedBufferAccess<IKDBooleanBufferAccess, uint8_t>;

class TKDBooleanBuffer : public TKDLinearMemoryBuffer, public virtual IKDBooleanBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TBuffer = IKDBooleanBuffer::TBuffer;

  static TBuffer Create();
  // ACount bits, all 0.
  static TBuffer CreateSize(uint32_t ACount);
  // (ACount + 7) div 8 bytes from AData; zeros when AData is null.
  static TBuffer CreateData(const void* AData, uint32_t ACount);
  static TBuffer CreateValue(uint32_t ACount, bool AValue);
  // Element i into bit i.
  static TBuffer CreateArray(std::span<const bool> AArray);
  static TBuffer CreateArrayList(std::span<const bool> AList);
  // These share the source's block and take over its bit count.
  static TBuffer CreateEx(TKDBooleanBuffer& ASource);
  static TBuffer CreateCopy(const TBuffer& ASource);
  // A boolean source is shared; any other buffer's bytes are copied into a new block, and every
  // bit of them counts (8 × the byte count).
  static TBuffer CreateUniversal(const kelvra::TIntf<IKDData>& ASource);

  kelvra::TIntf<IKDData> MakeCopy() override;
  uint32_t ItemSize() override { return 1; }
  // The bit count.
  uint32_t GetSize() override { return bitCount_; }
  uint32_t ElementBits() override { return 1; }
  // Equal bit counts and equal bits; the padding bits do not count.
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;
  // Takes over the source's bit count (8 × its byte size when it is no boolean buffer).
  void Assign(const kelvra::TIntf<IKDDataBuffer>& ASource) override;
  // In bits, keeping the packed size at (ACount + 7) div 8 bytes by the memory buffer's rule.
  bool Resize(uint32_t ACount, bool AKeep) override;

  kelvra::TIntf<IKDBooleanBufferAccess> Data(TBufferAccessModes AModes) override;
  uint8_t* Read() override { return CachedItems<uint8_t>(); }
  uint8_t* Write() override { return DetachedItems<uint8_t>(false); }
  uint8_t* Modify() override { return DetachedItems<uint8_t>(true); }

  // Byte by byte over the smaller packed size, padding bits included.
  TBuffer AndBuffer(const TBuffer& AOther) override;
  TBuffer OrBuffer(const TBuffer& AOther) override;
  TBuffer XorBuffer(const TBuffer& AOther) override;
  // The operations that cannot change anything (and-ing with True, or-ing or xor-ing with False)
  // return at once; an empty buffer is left untouched.
  TBuffer AndValue(bool AValue) override;
  TBuffer OrValue(bool AValue) override;
  TBuffer XorValue(bool AValue) override;
  TBuffer SetValue(bool AValue) override;
  TBuffer Zero() override;
  TBuffer Invert() override;
  TBuffer InvertBit(int32_t AIndex) override;
  // Each of the Size bits equals AValue; True when empty.
  bool IsEqualToValue(bool AValue) override;
  // Both raise ERangeError "Index out of range = %u" outside 0 .. Size - 1; SetItem has detached
  // (with a copy) by then.
  bool GetItem(int32_t AIndex) override;
  void SetItem(int32_t AIndex, bool AValue) override;
  TBooleanBufferEnumerator GetEnumerator() override { return {Read(), bitCount_}; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDBooleanBuffer, IKDBooleanBuffer, IKDLinearDataBuffer,
                            IKDGenericBuffer, IKDDataBuffer, IKDData, kelvra::ISerializable>(
        this, iid, out);
  }

 protected:
  explicit TKDBooleanBuffer(uint32_t ACount);
  explicit TKDBooleanBuffer(TKDBooleanBuffer& ASource);
  // Shares a block of AByteSize bytes, all of whose bits count.
  TKDBooleanBuffer(const kelvra::TIntf<IKDData>& AOrigin, TKDSmartBuffer* ABlock,
                   uint32_t AByteSize);
  // (ACount + 7) div 8: the packed size, so that new blocks (MakeCopySize) and Resize keep it.
  uint32_t ItemsByteSize(uint32_t ACount) override { return PackedSize(ACount); }

 private:
  static uint32_t PackedSize(uint32_t ABitCount) { return uint32_t((uint64_t(ABitCount) + 7) / 8); }
  void CheckIndex(int32_t AIndex) const;
  // self[i] := operation(self[i], other[i]) over the smaller packed size.
  template <class Operation>
  TBuffer CombineBytes(const TBuffer& AOther, Operation operation);
  TBuffer FillBytes(uint8_t AByte);

  uint32_t bitCount_;
};
inline constexpr kelvra::TClassRef TKDBooleanBuffer::ClassRef =
    kelvra::ClassRefOf<TKDBooleanBuffer, TKDLinearMemoryBuffer>("TKDBooleanBuffer");

}  // namespace corvane
