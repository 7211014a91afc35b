// The integer buffer of the unit KDSimpleDataBuffer: signed 32-bit samples with IPP's saturating
// arithmetic, bitwise logic and shifts, under the real buffer's access rules.
#pragma once

#include <cstdint>
#include <span>

#include "corvane/buffers/KDSimpleDataBuffer.h"

namespace corvane {

class IKDIntegerBufferAccess : public virtual IKDBasicBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{67C655BF-8E27-45A7-AADA-96AC94977FF1}");
  virtual int32_t* GetItems() = 0;
};

class IKDIntegerBuffer : public virtual IKDLinearDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{51D45274-AF18-4746-BBF1-94C82F07139B}");
  using TBuffer = kelvra::TIntf<IKDIntegerBuffer>;

  virtual kelvra::TIntf<IKDIntegerBufferAccess> Data(TBufferAccessModes AModes) = 0;
  virtual int32_t* Read() = 0;
  virtual int32_t* Write() = 0;
  virtual int32_t* Modify() = 0;
  virtual int32_t GetItem(int32_t AIndex) = 0;
  virtual void SetItem(int32_t AIndex, int32_t AValue) = 0;
  virtual void Add(const TBuffer& AOther) = 0;
  virtual void Subtract(const TBuffer& AOther) = 0;
  virtual void Multiply(const TBuffer& AOther) = 0;
  virtual void Divide(const TBuffer& AOther) = 0;
  virtual void ModBuffer(const TBuffer& AOther) = 0;
  virtual void AndBuffer(const TBuffer& AOther) = 0;
  virtual void OrBuffer(const TBuffer& AOther) = 0;
  virtual void XorBuffer(const TBuffer& AOther) = 0;
  virtual void LShift(const TBuffer& AOther) = 0;
  virtual void RShift(const TBuffer& AOther) = 0;
  virtual void SetValue(int32_t AValue) = 0;
  virtual void AddValue(int32_t AValue) = 0;
  virtual void SubtractValue(int32_t AValue) = 0;
  virtual void MultiplyValue(int32_t AValue) = 0;
  virtual void DivideValue(int32_t AValue) = 0;
  virtual void ModValue(int32_t AValue) = 0;
  virtual void AndValue(int32_t AValue) = 0;
  virtual void OrValue(int32_t AValue) = 0;
  virtual void XorValue(int32_t AValue) = 0;
  virtual void LShiftValue(int32_t AValue) = 0;
  virtual void RShiftValue(int32_t AValue) = 0;
  virtual void Zero() = 0;
  virtual int32_t Dot(const TBuffer& AOther) = 0;
  virtual bool IsEqualToValue(int32_t AValue) = 0;
  virtual int32_t GetMinValue() = 0;
  virtual int32_t GetMaxValue() = 0;
  virtual TBufferEnumerator<int32_t> GetEnumerator() = 0;
};

using TKDIntegerBufferAccess = TKDTypedBufferAccess<IKDIntegerBufferAccess, int32_t>;

class TKDIntegerBuffer final : public TKDLinearMemoryBuffer, public virtual IKDIntegerBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TBuffer = IKDIntegerBuffer::TBuffer;

  static TBuffer Create();
  static TBuffer CreateSize(uint32_t ACount);
  // 4 × ACount bytes from AData; zeros when AData is null.
  static TBuffer CreateData(const int32_t* AData, uint32_t ACount);
  static TBuffer CreateValue(int32_t AValue, uint32_t ACount);
  static TBuffer CreateArrayList(std::span<const int32_t> AList);
  // These share the source's block and byte size: no data are copied.
  static TBuffer CreateEx(TKDIntegerBuffer& ASource);
  static TBuffer CreateCopy(const TBuffer& ASource);
  static TBuffer CreateUniversal(const kelvra::TIntf<IKDData>& ASource);

  kelvra::TIntf<IKDData> MakeCopy() override;
  uint32_t ItemSize() override { return sizeof(int32_t); }
  uint32_t GetSize() override { return uint32_t(Count()); }
  // Element indices when ADest is an integer buffer, else the byte copy.
  void CopyTo(int32_t ASourceIndex, const kelvra::TIntf<IKDDataBuffer>& ADest, int32_t ADestIndex,
              int32_t ACount) override;
  // The element copy of CopyTo between two integer buffers.
  static void CopyItems(const int32_t* ASource, int32_t* ADest, int32_t ACount) {
    ippsCopy_8u(reinterpret_cast<const Ipp8u*>(ASource), reinterpret_cast<Ipp8u*>(ADest),
                ACount * int32_t(sizeof(int32_t)));
  }
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;

  kelvra::TIntf<IKDIntegerBufferAccess> Data(TBufferAccessModes AModes) override;
  int32_t* Read() override { return ReadItems(); }
  int32_t* Write() override { return WriteItems(); }
  int32_t* Modify() override { return ModifyItems(); }
  // Both raise ERangeError "Index out of range = %u" outside 0 .. Size - 1; SetItem has detached
  // (with a copy) by then.
  int32_t GetItem(int32_t AIndex) override;
  void SetItem(int32_t AIndex, int32_t AValue) override;

  // IPP's saturating arithmetic; Divide leaves zero divisors to the slot.
  void Add(const TBuffer& AOther) override;
  void Subtract(const TBuffer& AOther) override;
  void Multiply(const TBuffer& AOther) override;
  void Divide(const TBuffer& AOther) override;
  // The remainder of truncating division, in index order; a zero divisor raises EDivByZero with
  // the elements before it already changed.
  void ModBuffer(const TBuffer& AOther) override;
  void AndBuffer(const TBuffer& AOther) override;
  void OrBuffer(const TBuffer& AOther) override;
  void XorBuffer(const TBuffer& AOther) override;
  // Shift counts are taken modulo 32; RShift is logical (zeros enter from the left).
  void LShift(const TBuffer& AOther) override;
  void RShift(const TBuffer& AOther) override;
  void SetValue(int32_t AValue) override;
  // The constant forms return before detaching when the value cannot change anything: adding,
  // or-ing, xor-ing or shifting by 0, multiplying by 1, and-ing with all bits set; SubtractValue
  // and ModValue always run.
  void AddValue(int32_t AValue) override;
  void SubtractValue(int32_t AValue) override;
  void MultiplyValue(int32_t AValue) override;
  // Truncating toward zero; 0 and 1 do nothing. A shared buffer is divided from its old block
  // into a fresh one, without copying first.
  void DivideValue(int32_t AValue) override;
  void ModValue(int32_t AValue) override;
  void AndValue(int32_t AValue) override;
  void OrValue(int32_t AValue) override;
  void XorValue(int32_t AValue) override;
  void LShiftValue(int32_t AValue) override;
  // IPP's arithmetic shift: the sign fills from the left.
  void RShiftValue(int32_t AValue) override;
  void Zero() override;
  int32_t Dot(const TBuffer& AOther) override;
  bool IsEqualToValue(int32_t AValue) override;
  // 0 for an empty buffer.
  int32_t GetMinValue() override;
  int32_t GetMaxValue() override;
  TBufferEnumerator<int32_t> GetEnumerator() override { return {ReadItems(), GetSize()}; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDIntegerBuffer, IKDIntegerBuffer, IKDLinearDataBuffer,
                            IKDGenericBuffer, IKDDataBuffer, IKDData, kelvra::ISerializable>(
        this, iid, out);
  }

 protected:
  explicit TKDIntegerBuffer(uint32_t ACount) : TKDLinearMemoryBuffer(ACount, sizeof(int32_t)) {}
  explicit TKDIntegerBuffer(TKDGenericBuffer& ASource) : TKDLinearMemoryBuffer(ASource) {}

 private:
  int32_t* ReadItems() const { return CachedItems<int32_t>(); }
  int32_t* WriteItems() { return DetachedItems<int32_t>(false); }
  int32_t* ModifyItems() { return DetachedItems<int32_t>(true); }
  uint32_t* ModifyBits() { return DetachedItems<uint32_t>(true); }
  int32_t Count() const { return int32_t(ByteSize() / sizeof(int32_t)); }
  int32_t MinCount(const TBuffer& AOther) const;
  // self[i] := operation(self[i], other[i]) over the common count, in index order.
  template <class Operation>
  void CombineElements(const TBuffer& AOther, Operation operation);
  template <class Compare>
  int32_t Extreme(Compare better);
};
inline constexpr kelvra::TClassRef TKDIntegerBuffer::ClassRef =
    kelvra::ClassRefOf<TKDIntegerBuffer, TKDLinearMemoryBuffer>("TKDIntegerBuffer");

}  // namespace corvane
