// The block buffer of the unit KDSimpleDataBuffer: raw bytes under the real buffer's access
// rules, with byte-level editing (appending and removing ranges).
#pragma once

#include <cstdint>
#include <span>

#include "corvane/buffers/KDSimpleDataBuffer.h"

namespace corvane {

class IKDBlockBufferAccess : public virtual IKDBasicBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{38E9F9FD-8FB2-4EBB-A5A6-99499855C1DB}");
  virtual uint8_t* GetItems() = 0;
};

class IKDBlockBuffer : public virtual IKDLinearDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{1D7F6725-9466-43E9-9B6C-164FAB691FEA}");
  using TBuffer = kelvra::TIntf<IKDBlockBuffer>;

  virtual kelvra::TIntf<IKDBlockBufferAccess> Data(TBufferAccessModes AModes) = 0;
  virtual uint8_t* Read() = 0;
  virtual uint8_t* Write() = 0;
  virtual uint8_t* Modify() = 0;
  virtual void Add(const TBuffer& AOther) = 0;
  virtual void Subtract(const TBuffer& AOther) = 0;
  virtual void Multiply(const TBuffer& AOther) = 0;
  virtual void Divide(const TBuffer& AOther) = 0;
  virtual void SetValue(uint8_t AValue) = 0;
  virtual void Zero() = 0;
  virtual void Append(const kelvra::TIntf<IKDDataBuffer>& ABuffer) = 0;
  virtual void Remove(int32_t AIndex, int32_t ACount) = 0;
  virtual bool IsEqualToValue(uint8_t AValue) = 0;
  virtual uint8_t GetItem(int32_t AIndex) = 0;
  virtual void SetItem(int32_t AIndex, uint8_t AValue) = 0;
  virtual TBufferEnumerator<uint8_t> GetEnumerator() = 0;
};

using TKDBlockBufferAccess = TKDTypedBufferAccess<IKDBlockBufferAccess, uint8_t>;

class TKDBlockBuffer : public TKDLinearMemoryBuffer, public virtual IKDBlockBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TBuffer = IKDBlockBuffer::TBuffer;

  static TBuffer Create();
  static TBuffer CreateSize(uint32_t ACount);
  // ACount bytes from AData; zeros when AData is null.
  static TBuffer CreateData(const void* AData, uint32_t ACount);
  static TBuffer CreateValue(uint32_t ACount, uint8_t AValue);
  static TBuffer CreateArray(std::span<const uint8_t> AArray);
  static TBuffer CreateArrayList(std::span<const uint8_t> AList);
  // These share the source's block.
  static TBuffer CreateEx(TKDBlockBuffer& ASource);
  static TBuffer CreateCopy(const TBuffer& ASource);
  // A block buffer is shared; any other buffer's bytes are copied into a new block.
  static TBuffer CreateUniversal(const kelvra::TIntf<IKDData>& ASource);

  kelvra::TIntf<IKDData> MakeCopy() override;
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;

  kelvra::TIntf<IKDBlockBufferAccess> Data(TBufferAccessModes AModes) override;
  uint8_t* Read() override { return CachedItems<uint8_t>(); }
  uint8_t* Write() override { return DetachedItems<uint8_t>(false); }
  uint8_t* Modify() override { return DetachedItems<uint8_t>(true); }

  // Byte arithmetic with IPP's saturation over the common count.
  void Add(const TBuffer& AOther) override;
  void Subtract(const TBuffer& AOther) override;
  void Multiply(const TBuffer& AOther) override;
  // self[i] div other[i] in index order; a zero divisor raises EDivByZero with the bytes before
  // it already changed.
  void Divide(const TBuffer& AOther) override;
  void SetValue(uint8_t AValue) override;
  void Zero() override;
  // Grows by the other buffer's byte size and copies its bytes behind the old end.
  void Append(const kelvra::TIntf<IKDDataBuffer>& ABuffer) override;
  // Deletes ACount bytes from AIndex. A range that does not lie within the buffer fails an
  // assertion; past it, a negative index counts from 0, an index beyond the end removes nothing
  // and a count reaching past the end is cut there.
  void Remove(int32_t AIndex, int32_t ACount) override;
  bool IsEqualToValue(uint8_t AValue) override;
  // Both raise ERangeError "Index out of range = %u" outside 0 .. Size - 1; SetItem has detached
  // (with a copy) by then.
  uint8_t GetItem(int32_t AIndex) override;
  void SetItem(int32_t AIndex, uint8_t AValue) override;
  TBufferEnumerator<uint8_t> GetEnumerator() override { return {Read(), GetSize()}; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDBlockBuffer, IKDBlockBuffer, IKDLinearDataBuffer, IKDGenericBuffer,
                            IKDDataBuffer, IKDData, kelvra::ISerializable>(this, iid, out);
  }

 protected:
  using TKDLinearMemoryBuffer::TKDLinearMemoryBuffer;

 private:
  int32_t MinCount(const TBuffer& AOther);
  void CheckIndex(int32_t AIndex);
};
inline constexpr kelvra::TClassRef TKDBlockBuffer::ClassRef =
    kelvra::ClassRefOf<TKDBlockBuffer, TKDLinearMemoryBuffer>("TKDBlockBuffer");

}  // namespace corvane
