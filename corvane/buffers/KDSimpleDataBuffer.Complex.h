// The complex buffer of the unit KDSimpleDataBuffer: complex samples (TComplex, real part first,
// 16 bytes) with the real buffer's access rules, and the bridge between the two buffer kinds:
// pairing two real buffers into one complex buffer and extracting real, imaginary, magnitude,
// phase and power-spectrum buffers from it.
#pragma once

#include <cstdint>
#include <span>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "kelvra/Kelvra.Math.Complex.h"

namespace corvane {

class IKDComplexBufferAccess : public virtual IKDBasicBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{FB2CC3C6-197F-4931-AD70-84D11AA7A045}");
  virtual kelvra::TComplex* GetItems() = 0;
};

class IKDComplexBuffer : public virtual IKDLinearDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{FA61019A-FF10-4472-9F8C-89DC48D5C792}");
  using TBuffer = kelvra::TIntf<IKDComplexBuffer>;
  using TRealBuffer = kelvra::TIntf<IKDRealBuffer>;
  using TComplex = kelvra::TComplex;

  virtual kelvra::TIntf<IKDComplexBufferAccess> Data(TBufferAccessModes AModes) = 0;
  virtual TComplex* Read() = 0;
  virtual TComplex* Write() = 0;
  virtual TComplex* Modify() = 0;
  virtual TComplex GetItem(int32_t AIndex) = 0;
  virtual void SetItem(int32_t AIndex, TComplex AValue) = 0;
  virtual void GetItemProc(int32_t AIndex, TComplex& AValue) = 0;
  virtual TRealBuffer GetReal() = 0;
  virtual TRealBuffer GetImaginary() = 0;
  virtual void Add(const TBuffer& AOther) = 0;
  virtual void Subtract(const TBuffer& AOther) = 0;
  virtual void Multiply(const TBuffer& AOther) = 0;
  virtual void Divide(const TBuffer& AOther) = 0;
  virtual void AddValue(double AReal, double AImaginary) = 0;
  virtual void SubtractValue(double AReal, double AImaginary) = 0;
  virtual void MultiplyValue(double AReal, double AImaginary) = 0;
  virtual void DivideValue(double AReal, double AImaginary) = 0;
  virtual void SetBuffer(const TRealBuffer& AReal, const TRealBuffer& AImaginary) = 0;
  virtual void SetValue(double AReal, double AImaginary) = 0;
  virtual void SetValue(TComplex AValue) = 0;
  virtual void Zero() = 0;
  virtual void NormalizeFrom(const TBuffer& ASource, TComplex ASubtract, double ADivide) = 0;
  virtual void Normalize(TComplex ASubtract, double ADivide) = 0;
  virtual TComplex Dot(const TBuffer& AOther) = 0;
  virtual void Threshold(double ALevel, TKDThresholdType AType) = 0;
  virtual void ThresholdFrom(const TBuffer& ASource, double ALevel, TKDThresholdType AType) = 0;
  virtual void Sqr() = 0;
  virtual void SqrFrom(const TBuffer& ASource) = 0;
  virtual void Sqrt() = 0;
  virtual TComplex Mean() = 0;
  virtual void SqrtFrom(const TBuffer& ASource) = 0;
  virtual void AutoCorr(const TBuffer& ASource, TKDAutoCorrType AType) = 0;
  virtual void CrossCorr(const TBuffer& A, const TBuffer& B, int32_t ALowLag) = 0;
  virtual TRealBuffer Phase() = 0;
  virtual TRealBuffer Magnitude() = 0;
  virtual TRealBuffer PowerSpectrum() = 0;
  virtual bool IsEqualToValue(TComplex AValue) = 0;
  virtual TBufferEnumerator<TComplex> GetEnumerator() = 0;
};

using TKDComplexBufferAccess = TKDTypedBufferAccess<IKDComplexBufferAccess, kelvra::TComplex>;

class TKDComplexBuffer final : public TKDLinearMemoryBuffer, public virtual IKDComplexBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TBuffer = IKDComplexBuffer::TBuffer;
  using TRealBuffer = IKDComplexBuffer::TRealBuffer;
  using TComplex = kelvra::TComplex;

  static TBuffer Create();
  static TBuffer CreateSize(uint32_t ACount);
  // 16 × ACount bytes from AData; zeros when AData is null.
  static TBuffer CreateData(const TComplex* AData, uint32_t ACount);
  static TBuffer CreateValue(TComplex AValue, uint32_t ACount);
  static TBuffer CreateValue(double AReal, double AImaginary, uint32_t ACount);
  // Pairs real parts with imaginary parts over the longer of the two; the shorter one's missing
  // parts of the tail are 0.
  static TBuffer CreateBuffers(const TRealBuffer& AReal, const TRealBuffer& AImaginary);
  static TBuffer CreateBufferObjects(TKDRealBuffer& AReal, TKDRealBuffer& AImaginary);
  // These share the source's block: no data are copied.
  static TBuffer CreateEx(TKDComplexBuffer& ASource);
  static TBuffer CreateCopy(const TBuffer& ASource);
  // Any memory buffer, whatever its element type, its bytes read as TComplex.
  static TBuffer CreateUniversal(const kelvra::TIntf<IKDData>& ASource);
  static TBuffer CreateArrayList(std::span<const TComplex> AList);

  kelvra::TIntf<IKDData> MakeCopy() override;
  uint32_t ItemSize() override { return sizeof(TComplex); }
  uint32_t GetSize() override { return uint32_t(Count()); }
  // Element indices when ADest is a complex buffer, else the byte copy.
  void CopyTo(int32_t ASourceIndex, const kelvra::TIntf<IKDDataBuffer>& ADest, int32_t ADestIndex,
              int32_t ACount) override;
  // The element copy of CopyTo between two complex buffers: two doubles per element, as there
  // is no complex copy slot.
  static void CopyItems(const TComplex* ASource, TComplex* ADest, int32_t ACount) {
    ippsCopy_64f(&ASource->Real, &ADest->Real, 2 * ACount);
  }
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;

  kelvra::TIntf<IKDComplexBufferAccess> Data(TBufferAccessModes AModes) override;
  TComplex* Read() override { return ReadItems(); }
  TComplex* Write() override { return WriteItems(); }
  TComplex* Modify() override { return ModifyItems(); }
  // The three raise ERangeError "Index out of range = %u" outside 0 .. Size - 1; SetItem has
  // detached (with a copy) by then.
  TComplex GetItem(int32_t AIndex) override;
  void SetItem(int32_t AIndex, TComplex AValue) override;
  void GetItemProc(int32_t AIndex, TComplex& AValue) override { AValue = GetItem(AIndex); }
  TRealBuffer GetReal() override;
  TRealBuffer GetImaginary() override;

  void Add(const TBuffer& AOther) override;
  void Subtract(const TBuffer& AOther) override;
  void Multiply(const TBuffer& AOther) override;
  // No fix-up of zero divisors: the slot's quotients stand.
  void Divide(const TBuffer& AOther) override;
  // Unlike the real buffer's, the constant forms skip no value: adding 0 still detaches.
  void AddValue(double AReal, double AImaginary) override;
  void SubtractValue(double AReal, double AImaginary) override;
  void MultiplyValue(double AReal, double AImaginary) override;
  void DivideValue(double AReal, double AImaginary) override;
  // Cuts this buffer to the shorter of the two (never pads), then pairs them.
  void SetBuffer(const TRealBuffer& AReal, const TRealBuffer& AImaginary) override;
  void SetValue(double AReal, double AImaginary) override;
  void SetValue(TComplex AValue) override;
  void Zero() override;
  void NormalizeFrom(const TBuffer& ASource, TComplex ASubtract, double ADivide) override;
  void Normalize(TComplex ASubtract, double ADivide) override;
  TComplex Dot(const TBuffer& AOther) override;
  // On the magnitude, by the slot's complex threshold.
  void Threshold(double ALevel, TKDThresholdType AType) override;
  void ThresholdFrom(const TBuffer& ASource, double ALevel, TKDThresholdType AType) override;
  void Sqr() override;
  void SqrFrom(const TBuffer& ASource) override;
  void Sqrt() override;
  // The mean of the absolute values of each part, not the complex mean.
  TComplex Mean() override;
  void SqrtFrom(const TBuffer& ASource) override;
  void AutoCorr(const TBuffer& ASource, TKDAutoCorrType AType) override;
  void CrossCorr(const TBuffer& A, const TBuffer& B, int32_t ALowLag) override;
  // New real buffers of this Size: arg z (radians), |z|, re² + im².
  TRealBuffer Phase() override;
  TRealBuffer Magnitude() override;
  TRealBuffer PowerSpectrum() override;
  bool IsEqualToValue(TComplex AValue) override;
  TBufferEnumerator<TComplex> GetEnumerator() override { return {ReadItems(), GetSize()}; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDComplexBuffer, IKDComplexBuffer, IKDLinearDataBuffer,
                            IKDGenericBuffer, IKDDataBuffer, IKDData, kelvra::ISerializable>(
        this, iid, out);
  }

 protected:
  explicit TKDComplexBuffer(uint32_t ACount)
      : TKDLinearMemoryBuffer(ACount, sizeof(TComplex)) {}
  explicit TKDComplexBuffer(TKDGenericBuffer& ASource) : TKDLinearMemoryBuffer(ASource) {}

 private:
  TComplex* ReadItems() const { return CachedItems<TComplex>(); }
  TComplex* WriteItems() { return DetachedItems<TComplex>(false); }
  TComplex* ModifyItems() { return DetachedItems<TComplex>(true); }
  int32_t Count() const { return int32_t(ByteSize() / sizeof(TComplex)); }
  int32_t MinCount(const TBuffer& AOther) const;
  void CheckIndex(int32_t AIndex) const;
  // A new real buffer of this Size filled by `slot` from this buffer.
  template <class Slot>
  TRealBuffer Extract(Slot slot);
};
inline constexpr kelvra::TClassRef TKDComplexBuffer::ClassRef =
    kelvra::ClassRefOf<TKDComplexBuffer, TKDLinearMemoryBuffer>("TKDComplexBuffer");

// ADest[i] := (ASource[i] - *ASubtract) / ADivide over ACount elements, by the slot.
void KDComplexNormalizeFrom(const kelvra::TComplex* ASource, kelvra::TComplex* ADest,
                            int32_t ACount, const kelvra::TComplex* ASubtract, double ADivide);

}  // namespace corvane
