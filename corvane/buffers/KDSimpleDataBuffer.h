// The buffers: the generic buffer that every typed buffer inherits (a shared memory block with a
// byte size, a sequence stamp, copy-on-write detaching, byte access, comparison, copying,
// streaming and serialisation), the memory buffers that size it in elements, and the real
// buffer of 64-bit floats with its vector operations, each one call of a dispatch slot.
//
// Access discipline: Read never copies; Write detaches a shared block without copying (the new
// block reads as zeros); Modify detaches with a copy. Operations that overwrite every element
// they touch use Write, those that read the buffer's own old contents use Modify.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "corvane/buffers/KDInternalStore.h"
#include "corvane/buffers/Kelvra.BasicDataTypes.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.Containers.h"

namespace corvane {

enum TKDNormType : uint8_t { ntL1Norm, ntL2Norm, ntCNorm };
enum TKDThresholdType : uint8_t { ttGreaterThan, ttLessThan };
enum TKDAutoCorrType : uint8_t { actNormal, actBiased, actUnbiased };

// ---------------------------------------------------------------------------------------------
// Interfaces

class IKDDataBufferAccess : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{DC851CE1-5AFE-40ED-9CCD-B5D71510D957}");
  virtual void* GetBytes() = 0;
  virtual uint32_t GetByteSize() = 0;
};

class IKDBasicBufferAccess : public virtual IKDDataBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{3330AA2A-35C5-489E-B153-FAE66B83BDE0}");
  virtual uint32_t GetSize() = 0;
};

class IKDRealBufferAccess : public virtual IKDBasicBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{81775261-B522-42E6-BD50-C070397D9B19}");
  virtual double* GetItems() = 0;
};

class IKDSequenceStamp : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{8A08EDCF-198E-4D37-897A-4D60E3B90AAD}");
  virtual bool GetAvailable() = 0;
  virtual void SetAvailable(bool AValue) = 0;
  virtual int64_t GetBufferNumber() = 0;
  virtual void SetBufferNumber(int64_t AValue) = 0;
};

class IKDDataBuffer : public virtual IKDData {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{CA519E69-AECD-43D8-89CF-3B55E15541ED}");
  virtual void Assign(const kelvra::TIntf<IKDDataBuffer>& ASource) = 0;
  virtual bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) = 0;
  virtual kelvra::TIntf<IKDSmartBufferProxy> GetProxy(const TKDSmartBufferProxyClass& AClass,
                                                      std::span<const kelvra::Variant> AParams) = 0;
  virtual kelvra::TIntf<IKDBasicBufferAccess> ByteData(TBufferAccessModes AModes) = 0;
  virtual void* ByteRead() = 0;
  virtual void* ByteWrite() = 0;
  virtual void* ByteModify() = 0;
  virtual std::vector<uint8_t> AsBytes() = 0;
  virtual uint32_t GetByteSize() = 0;
  virtual uint32_t GetSize() = 0;
  virtual kelvra::TIntf<IKDSequenceStamp> GetSequenceStamp() = 0;
  virtual void CopyTo(int32_t ASourceIndex, const kelvra::TIntf<IKDDataBuffer>& ADest,
                      int32_t ADestIndex, int32_t ACount) = 0;
  virtual void Unique(bool ACopy) = 0;
  virtual bool MakeUnique(bool ACopy) = 0;
  virtual void SaveToFile(const std::string& AFileName) = 0;
  virtual void LoadFromFile(const std::string& AFileName) = 0;
  virtual void SaveToStream(kelvra::TStream& AStream) = 0;
  virtual void LoadFromStream(kelvra::TStream& AStream) = 0;
};

class IKDGenericBuffer : public virtual IKDDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{D4612012-7681-404F-ACCB-1086DA16207B}");
};

class IKDLinearDataBuffer : public virtual IKDDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{4C550C77-77FF-4AF4-A959-C1085B1DE2F4}");
  virtual bool Resize(uint32_t ACount, bool AKeep) = 0;
};

// Walks the elements from the pointer and size taken when it was made: MoveNext steps to the
// next element and tells whether there is one, GetCurrent reads it; begin and end give the same
// elements to range-based for.
template <class T>
class TBufferEnumerator {
 public:
  TBufferEnumerator(const T* AData, uint32_t ASize) : data_(AData), size_(ASize) {}
  bool MoveNext() { return ++index_ < int64_t(size_); }
  T GetCurrent() const { return data_[index_]; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  const T* data_;
  uint32_t size_;
  int64_t index_ = -1;
};

class TKDRealBuffer;
class IKDRealBufferArray;

class IKDRealBuffer : public virtual IKDLinearDataBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{032C61EC-364E-4739-A2FE-E7DA0BA64939}");
  using TBuffer = kelvra::TIntf<IKDRealBuffer>;

  virtual kelvra::TIntf<IKDRealBufferAccess> Data(TBufferAccessModes AModes) = 0;
  virtual double* Read() = 0;
  virtual double* Write() = 0;
  virtual double* Modify() = 0;
  virtual double GetItem(int32_t AIndex) = 0;
  virtual void SetItem(int32_t AIndex, double AValue) = 0;
  virtual void VectorJaehne(double AMagnitude) = 0;
  virtual void Add(const TBuffer& AOther) = 0;
  virtual void Subtract(const TBuffer& AOther) = 0;
  virtual void Multiply(const TBuffer& AOther) = 0;
  virtual void Divide(const TBuffer& AOther) = 0;
  virtual void SetValue(double AValue) = 0;
  virtual void AddValue(double AValue) = 0;
  virtual void SubtractValue(double AValue) = 0;
  virtual void MultiplyValue(double AValue) = 0;
  virtual void DivideValue(double AValue) = 0;
  virtual void Zero() = 0;
  virtual void ToInt(int32_t* ADest, bool ARound) = 0;
  virtual void ToShort(int16_t* ADest, bool ARound) = 0;
  virtual void ToSingle(float* ADest) = 0;
  virtual void FromInt(const int32_t* ASource) = 0;
  virtual void FromShort(const int16_t* ASource) = 0;
  virtual void FromSingle(const float* ASource) = 0;
  virtual void NormalizeFrom(const TBuffer& ASource, double ASubtract, double ADivide) = 0;
  virtual void Normalize(double ASubtract, double ADivide) = 0;
  virtual double Dot(const TBuffer& AOther) = 0;
  virtual void Threshold(double ALevel, TKDThresholdType AType) = 0;
  virtual void ThresholdFrom(const TBuffer& ASource, double ALevel, TKDThresholdType AType) = 0;
  virtual void Sqr() = 0;
  virtual void SqrFrom(const TBuffer& ASource) = 0;
  virtual void Sqrt() = 0;
  virtual void SqrtFrom(const TBuffer& ASource) = 0;
  virtual void AutoCorr(const TBuffer& ASource, TKDAutoCorrType AType) = 0;
  virtual void CrossCorr(const TBuffer& A, const TBuffer& B, int32_t ALowLag) = 0;
  virtual void Abs() = 0;
  virtual void AbsFrom(const TBuffer& ASource) = 0;
  virtual void Exp() = 0;
  virtual void ExpFrom(const TBuffer& ASource) = 0;
  virtual void Ln() = 0;
  virtual void LnFrom(const TBuffer& ASource) = 0;
  virtual double Mean() = 0;
  virtual double StdDev() = 0;
  virtual void Convolve(const TBuffer& A, const TBuffer& B) = 0;
  virtual double Norm(const TBuffer& AOther, TKDNormType AType) = 0;
  virtual double GetMinValue() = 0;
  virtual double GetMaxValue() = 0;
  virtual double GetMinIndex(int32_t& AIndex) = 0;
  virtual double GetMaxIndex(int32_t& AIndex) = 0;
  virtual double GetMin(int32_t AFrom, int32_t ATo) = 0;
  virtual double GetMax(int32_t AFrom, int32_t ATo) = 0;
  virtual double GetMinRestricted(int32_t AFrom, int32_t ATo) = 0;
  virtual double GetMaxRestricted(int32_t AFrom, int32_t ATo) = 0;
  virtual bool IsEqualToValue(double AValue) = 0;
  virtual TBufferEnumerator<double> GetEnumerator() = 0;
};

// ---------------------------------------------------------------------------------------------
// Access objects. They refer to their buffer without holding it: whoever uses one must hold the
// buffer meanwhile. Each call re-runs the accessor, so a pointer is always the current block's.

class TKDGenericBuffer;

class TKDDataBufferAccess : public kelvra::TInterfacedObject, public virtual IKDBasicBufferAccess {
 public:
  using TByteAccessor = std::function<void*()>;
  TKDDataBufferAccess(TKDGenericBuffer& ABuffer, TByteAccessor AByteAccessor)
      : buffer_(ABuffer), byteAccessor_(std::move(AByteAccessor)) {}

  void* GetBytes() override { return byteAccessor_(); }
  uint32_t GetByteSize() override;
  uint32_t GetSize() override;
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDDataBufferAccess, IKDBasicBufferAccess, IKDDataBufferAccess>(
        this, iid, out);
  }

 private:
  TKDGenericBuffer& buffer_;
  TByteAccessor byteAccessor_;
};

// The access object of a typed buffer: its typed accessor is the byte accessor's pointer, seen as
// the buffer's elements.
template <class IAccess, class T>
class TKDTypedBufferAccess : public TKDDataBufferAccess, public virtual IAccess {
 public:
  using TKDDataBufferAccess::TKDDataBufferAccess;

  T* GetItems() override { return static_cast<T*>(GetBytes()); }
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDTypedBufferAccess, IAccess, IKDBasicBufferAccess,
                            IKDDataBufferAccess>(this, iid, out);
  }
};

using TKDRealBufferAccess = TKDTypedBufferAccess<IKDRealBufferAccess, double>;

// ---------------------------------------------------------------------------------------------
// The sequence stamp lives in the block: buffers that share a block share one stamp. The stamp
// refers to its buffer without holding it.

class TKDSequenceStamp : public kelvra::TInterfacedObject,
                         public virtual kelvra::ISerializable,
                         public virtual IKDSequenceStamp {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  explicit TKDSequenceStamp(TKDGenericBuffer& ABuffer) : buffer_(ABuffer) {}

  bool GetAvailable() override;
  void SetAvailable(bool AValue) override;
  int64_t GetBufferNumber() override;
  void SetBufferNumber(int64_t AValue) override;
  // "Available" (always written as true) and "BufferNumber".
  void SerializationRead(kelvra::ISequentialReader& reader) override;
  void SerializationWrite(kelvra::ISequentialWriter& writer) override;
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDSequenceStamp, IKDSequenceStamp, kelvra::ISerializable>(this, iid,
                                                                                       out);
  }

 private:
  TKDGenericBuffer& buffer_;
};
inline constexpr kelvra::TClassRef TKDSequenceStamp::ClassRef =
    kelvra::ClassRefOf<TKDSequenceStamp>("TKDSequenceStamp");

// ---------------------------------------------------------------------------------------------
// Generic and memory buffers

class TKDGenericBuffer : public TKDData, public virtual IKDGenericBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  // Shares ABlock (taken as an owner) and uses AByteSize of its bytes; the custom data are copied
  // from AOrigin when it is given.
  static kelvra::TIntf<IKDGenericBuffer> Create(const kelvra::TIntf<IKDData>& AOrigin,
                                                TKDSmartBuffer* ABlock, uint32_t AByteSize);
  // Shares ASource's block, byte size and custom data.
  static kelvra::TIntf<IKDGenericBuffer> CreateEx(TKDGenericBuffer& ASource);
  // As CreateEx, for the buffer behind the interface, whatever its element type.
  static kelvra::TIntf<IKDGenericBuffer> CreateCopy(const kelvra::TIntf<IKDGenericBuffer>& ASource);
  static kelvra::TIntf<IKDGenericBuffer> CreateUniversal(const kelvra::TIntf<IKDData>& ASource);
  // The buffer behind a data interface; EInvalidCast when it is no buffer.
  static TKDGenericBuffer& BufferOf(const kelvra::TIntf<IKDData>& AData);

  // Custom data, then InternalSerializationWrite, "SequenceStamp" and "Data" (the raw bytes).
  // Reading replaces a shared block first and copies at most the current byte size.
  void SerializationRead(kelvra::ISequentialReader& reader) override;
  void SerializationWrite(kelvra::ISequentialWriter& writer) override;
  kelvra::TIntf<IKDData> MakeCopy() override;

  void Assign(const kelvra::TIntf<IKDDataBuffer>& ASource) override;
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;
  kelvra::TIntf<IKDSmartBufferProxy> GetProxy(const TKDSmartBufferProxyClass& AClass,
                                              std::span<const kelvra::Variant> AParams) override;
  kelvra::TIntf<IKDBasicBufferAccess> ByteData(TBufferAccessModes AModes) override;
  void* ByteRead() override { return cachedData_; }
  void* ByteWrite() override;
  void* ByteModify() override;
  std::vector<uint8_t> AsBytes() override;
  uint32_t GetByteSize() override { return byteSize_; }
  uint32_t GetSize() override { return byteSize_; }
  kelvra::TIntf<IKDSequenceStamp> GetSequenceStamp() override { return sequenceStamp_; }
  // Byte indices and count, not tested.
  void CopyTo(int32_t ASourceIndex, const kelvra::TIntf<IKDDataBuffer>& ADest, int32_t ADestIndex,
              int32_t ACount) override;
  void Unique(bool ACopy) override { MakeUnique(ACopy); }
  // The copy-on-write step: when other owners hold the block, move to a clone of it (with its
  // bytes when ACopy, zero-filled otherwise). True when the block was replaced.
  bool MakeUnique(bool ACopy) override;
  void SaveToFile(const std::string& AFileName) override;
  void LoadFromFile(const std::string& AFileName) override;
  void SaveToStream(kelvra::TStream& AStream) override;
  void LoadFromStream(kelvra::TStream& AStream) override;

  // Stops counting as an owner of the block, which it keeps holding; the remaining owner may
  // then write in place.
  virtual void RemoveOwnerShip();
  bool OwnsData() const { return ownsData_; }

  bool GetBufferNumberAvailable() const { return dataContainer_->GetBufferNumberAvailable(); }
  void SetBufferNumberAvailable(bool AValue) { dataContainer_->SetBufferNumberAvailable(AValue); }
  int64_t GetBufferNumber() const { return dataContainer_->GetBufferNumber(); }
  void SetBufferNumber(int64_t AValue) { dataContainer_->SetBufferNumber(AValue); }

  TKDSmartBuffer* DataContainer() const { return dataContainer_; }
  // The bits of one element, the unit in which GetSize counts: 8 here, one byte each.
  virtual uint32_t ElementBits() { return 8; }
  // Called after every refresh of the cached pointers.
  kelvra::TMultiProc& CacheNotification() { return cacheNotification_; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDGenericBuffer, IKDGenericBuffer, IKDDataBuffer, IKDData,
                            kelvra::ISerializable>(this, iid, out);
  }

 protected:
  TKDGenericBuffer(const kelvra::TIntf<IKDData>& AOrigin, TKDSmartBuffer* ABlock,
                   uint32_t AByteSize);
  explicit TKDGenericBuffer(TKDGenericBuffer& ASource);
  ~TKDGenericBuffer() override;

  virtual void InternalSerializationRead(kelvra::ISequentialReader&) {}
  virtual void InternalSerializationWrite(kelvra::ISequentialWriter&) {}
  // Stores the block's data pointer as the cached pointer.
  virtual void IntPopulateCahces();
  void PopulateCahces();
  virtual void SetDataContainer(TKDSmartBuffer* ABlock) { dataContainer_ = ABlock; }
  // Releases the block (with the owns-data flag it was taken with) and takes ABlock instead.
  void ReplaceDataContainer(TKDSmartBuffer* ABlock);
  void SetByteSize(uint32_t AByteSize) { byteSize_ = AByteSize; }
  uint32_t ByteSize() const { return byteSize_; }
  // Detach-then-pointer without a virtual call: the fast path of the typed buffers.
  void* CachedData() const { return cachedData_; }
  void* DetachedData(bool ACopy) {
    if (!dataContainer_->SingleOwner()) Detach(ACopy);
    return cachedData_;
  }
  // The typed buffers' element pointers: cached (Read) and after detaching (Write, Modify).
  template <class T>
  T* CachedItems() const {
    return static_cast<T*>(cachedData_);
  }
  template <class T>
  T* DetachedItems(bool ACopy) {
    return static_cast<T*>(DetachedData(ACopy));
  }
  // The accessor an access object for AModes calls: ByteModify for exactly [Read, Write],
  // ByteWrite for exactly [Write], ByteRead for any other set.
  TKDDataBufferAccess::TByteAccessor ByteAccessor(TBufferAccessModes AModes);
  // The access object of a buffer whose elements are T.
  template <class IAccess, class T>
  kelvra::TIntf<IAccess> TypedData(TBufferAccessModes AModes) {
    return new TKDTypedBufferAccess<IAccess, T>(*this, ByteAccessor(AModes));
  }
  // Moves to a clone of the block (with its bytes when ACopy, zero-filled otherwise).
  void Detach(bool ACopy);
  // ERangeError "Index out of range = %u".
  [[noreturn]] static void IndexOutOfRange(int32_t AIndex);

 private:
  kelvra::TIntf<IKDSequenceStamp> sequenceStamp_;
  void* cachedData_ = nullptr;
  uint32_t byteSize_;
  kelvra::TMultiProc cacheNotification_;
  TKDSmartBuffer* dataContainer_;
  bool ownsData_ = true;
};
inline constexpr kelvra::TClassRef TKDGenericBuffer::ClassRef =
    kelvra::ClassRefOf<TKDGenericBuffer, TKDData>("TKDGenericBuffer");

class TKDMemoryBuffer : public TKDGenericBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  // ACount zero-filled bytes.
  static kelvra::TIntf<IKDGenericBuffer> CreateSize(uint32_t ACount);
  kelvra::TIntf<IKDData> MakeCopy() override;

  // A new zero-filled block for ACount elements.
  virtual TKDSmartMemoryBuffer* MakeCopySize(uint32_t ACount);
  virtual uint32_t ItemSize() { return 1; }
  uint32_t ElementBits() override { return ItemSize() * 8; }

 protected:
  // A new zero-filled block of ACount elements of AItemSize bytes; EOutOfMemory when the bytes
  // do not fit a block.
  TKDMemoryBuffer(uint32_t ACount, uint32_t AItemSize);
  TKDMemoryBuffer(const kelvra::TIntf<IKDData>& AOrigin, TKDSmartBuffer* ABlock,
                  uint32_t AByteSize)
      : TKDGenericBuffer(AOrigin, ABlock, AByteSize) {}
  explicit TKDMemoryBuffer(TKDGenericBuffer& ASource) : TKDGenericBuffer(ASource) {}
  static uint32_t ByteCount(uint32_t ACount, uint32_t AItemSize);
  // The resize rule in elements of ItemSize bytes: 0 empties (the block stays); the same count
  // does nothing (false); shrinking with AKeep keeps the block; growing with AKeep stays in a
  // single-owner block that is large enough; anything else moves to a new zero-filled block, with
  // the old bytes copied in when AKeep.
  bool ResizeItems(uint32_t ACount, bool AKeep);
  // The bytes that ACount elements take; EOutOfMemory when they do not fit a block.
  virtual uint32_t ItemsByteSize(uint32_t ACount) { return ByteCount(ACount, ItemSize()); }
};
inline constexpr kelvra::TClassRef TKDMemoryBuffer::ClassRef =
    kelvra::ClassRefOf<TKDMemoryBuffer, TKDGenericBuffer>("TKDMemoryBuffer");

class TKDLinearMemoryBuffer : public TKDMemoryBuffer, public virtual IKDLinearDataBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static kelvra::TIntf<IKDLinearDataBuffer> CreateSize(uint32_t ACount);
  kelvra::TIntf<IKDData> MakeCopy() override;

  // In elements, by the resize rule of the memory buffer (ResizeItems).
  bool Resize(uint32_t ACount, bool AKeep) override { return ResizeItems(ACount, AKeep); }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDLinearMemoryBuffer, IKDLinearDataBuffer, IKDGenericBuffer,
                            IKDDataBuffer, IKDData, kelvra::ISerializable>(this, iid, out);
  }

 protected:
  using TKDMemoryBuffer::TKDMemoryBuffer;
};
inline constexpr kelvra::TClassRef TKDLinearMemoryBuffer::ClassRef =
    kelvra::ClassRefOf<TKDLinearMemoryBuffer, TKDMemoryBuffer>("TKDLinearMemoryBuffer");

// ---------------------------------------------------------------------------------------------
// The real buffer

class TKDRealBuffer final : public TKDLinearMemoryBuffer, public virtual IKDRealBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TBuffer = IKDRealBuffer::TBuffer;

  static TBuffer Create();
  static TBuffer CreateSize(uint32_t ACount);
  // 8 × ACount bytes from AData; zeros when AData is null.
  static TBuffer CreateData(const double* AData, uint32_t ACount);
  static TBuffer CreateValue(double AValue, uint32_t ACount);
  // Element i = source[i] / ADivisor; with ADivisor exactly 1.0 the plain conversion.
  static TBuffer CreateByteData(const uint8_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateWordData(const uint16_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateCardinalData(const uint32_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateSmallIntData(const int16_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateIntegerData(const int32_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateInt64Data(const int64_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateUInt64Data(const uint64_t* AData, uint32_t ACount, double ADivisor);
  static TBuffer CreateSingleData(const float* AData, uint32_t ACount);
  // These share the source's block: no data are copied.
  static TBuffer CreateEx(TKDRealBuffer& ASource);
  static TBuffer CreateCopy(const TBuffer& ASource);
  // Any memory buffer, whatever its element type, its bytes read as 64-bit floats.
  static TBuffer CreateUniversal(const kelvra::TIntf<IKDData>& ASource);
  static TBuffer CreateArrayList(std::span<const double> AList);
  // Count × MaxSize zeros: the array's values are not copied. EOutOfMemory when they do not fit
  // a block.
  static TBuffer CreateBufferArray(const kelvra::TIntf<IKDRealBufferArray>& AArray);

  // AResult[i] /= ADivisor[i] by the slot; where the slot reports a zero divisor, the quotient
  // there becomes 1e15 when the slot stored a positive value, else -1e14.
  static void DivideWithFixUp(const double* ADivisor, double* AResult, int32_t ACount);

  kelvra::TIntf<IKDData> MakeCopy() override;
  uint32_t ItemSize() override { return sizeof(double); }
  uint32_t GetSize() override { return uint32_t(Count()); }
  // Element indices when ADest is a real buffer, else the byte copy.
  void CopyTo(int32_t ASourceIndex, const kelvra::TIntf<IKDDataBuffer>& ADest, int32_t ADestIndex,
              int32_t ACount) override;
  // The element copy of CopyTo between two real buffers.
  static void CopyItems(const double* ASource, double* ADest, int32_t ACount) {
    ippsCopy_64f(ASource, ADest, ACount);
  }
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;

  kelvra::TIntf<IKDRealBufferAccess> Data(TBufferAccessModes AModes) override;
  double* Read() override { return ReadItems(); }
  double* Write() override { return WriteItems(); }
  double* Modify() override { return ModifyItems(); }
  // Both raise ERangeError "Index out of range = %u" outside 0 .. Size - 1; SetItem has detached
  // (with a copy) by then.
  double GetItem(int32_t AIndex) override;
  void SetItem(int32_t AIndex, double AValue) override;

  void VectorJaehne(double AMagnitude) override;
  void Add(const TBuffer& AOther) override;
  void Subtract(const TBuffer& AOther) override;
  void Multiply(const TBuffer& AOther) override;
  // Where the divisor is 0: 1e15 for a positive quotient, else -1e14.
  void Divide(const TBuffer& AOther) override;
  void SetValue(double AValue) override;
  void AddValue(double AValue) override;
  void SubtractValue(double AValue) override;
  void MultiplyValue(double AValue) override;
  void DivideValue(double AValue) override;
  void Zero() override;
  void ToInt(int32_t* ADest, bool ARound) override;
  // Rounded or truncated to 64 bits, of which the low 16 are stored.
  void ToShort(int16_t* ADest, bool ARound) override;
  void ToSingle(float* ADest) override;
  void FromInt(const int32_t* ASource) override;
  void FromShort(const int16_t* ASource) override;
  void FromSingle(const float* ASource) override;
  void NormalizeFrom(const TBuffer& ASource, double ASubtract, double ADivide) override;
  void Normalize(double ASubtract, double ADivide) override;
  double Dot(const TBuffer& AOther) override;
  void Threshold(double ALevel, TKDThresholdType AType) override;
  void ThresholdFrom(const TBuffer& ASource, double ALevel, TKDThresholdType AType) override;
  void Sqr() override;
  void SqrFrom(const TBuffer& ASource) override;
  void Sqrt() override;
  void SqrtFrom(const TBuffer& ASource) override;
  void AutoCorr(const TBuffer& ASource, TKDAutoCorrType AType) override;
  void CrossCorr(const TBuffer& A, const TBuffer& B, int32_t ALowLag) override;
  void Abs() override;
  void AbsFrom(const TBuffer& ASource) override;
  void Exp() override;
  void ExpFrom(const TBuffer& ASource) override;
  void Ln() override;
  void LnFrom(const TBuffer& ASource) override;
  double Mean() override;
  double StdDev() override;
  // Resizes to A.Size + B.Size - 1 (to 0 when either is empty); A and B must be other buffers.
  void Convolve(const TBuffer& A, const TBuffer& B) override;
  double Norm(const TBuffer& AOther, TKDNormType AType) override;
  double GetMinValue() override;
  double GetMaxValue() override;
  double GetMinIndex(int32_t& AIndex) override;
  double GetMaxIndex(int32_t& AIndex) override;
  // Extreme of [AFrom, ATo) after clamping to the buffer; 0.0 for an empty range.
  double GetMin(int32_t AFrom, int32_t ATo) override;
  double GetMax(int32_t AFrom, int32_t ATo) override;
  // Extreme of [AFrom, ATo] after clamping, skipping the sentinels ±1.7976931348623157e308.
  double GetMinRestricted(int32_t AFrom, int32_t ATo) override;
  double GetMaxRestricted(int32_t AFrom, int32_t ATo) override;
  bool IsEqualToValue(double AValue) override;
  TBufferEnumerator<double> GetEnumerator() override { return {ReadItems(), GetSize()}; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDRealBuffer, IKDRealBuffer, IKDLinearDataBuffer, IKDGenericBuffer,
                            IKDDataBuffer, IKDData, kelvra::ISerializable>(this, iid, out);
  }

 protected:
  explicit TKDRealBuffer(uint32_t ACount) : TKDLinearMemoryBuffer(ACount, sizeof(double)) {}
  explicit TKDRealBuffer(TKDGenericBuffer& ASource) : TKDLinearMemoryBuffer(ASource) {}

 private:
  // The three doors to the memory, without virtual calls.
  double* ReadItems() const { return CachedItems<double>(); }
  double* WriteItems() { return DetachedItems<double>(false); }
  double* ModifyItems() { return DetachedItems<double>(true); }
  int32_t Count() const { return int32_t(ByteSize() / sizeof(double)); }
  int32_t MinCount(const TBuffer& AOther) const {
    return std::min(Count(), int32_t(AOther->GetSize()));
  }
  double RangeExtreme(int32_t AFrom, int32_t ATo, TPtr_ippsMin_64f slot);
  double RestrictedExtreme(int32_t AFrom, int32_t ATo, bool AMinimum);
  template <class T, class Convert>
  static TBuffer CreateConverted(const T* AData, uint32_t ACount, double ADivisor, Convert convert);
};
inline constexpr kelvra::TClassRef TKDRealBuffer::ClassRef =
    kelvra::ClassRefOf<TKDRealBuffer, TKDLinearMemoryBuffer>("TKDRealBuffer");

// AData as a buffer of class TBufferClass: the object itself when it is one, else a view of its
// memory (TBufferClass::CreateUniversal). Either way no samples are copied.
template <class TBufferClass>
typename TBufferClass::TBuffer KDBufferAs(const kelvra::TIntf<IKDData>& AData) {
  using TBuffer = typename TBufferClass::TBuffer;
  using I = std::remove_pointer_t<decltype(std::declval<TBuffer>().get())>;
  if (TBuffer typed = kelvra::Supports<I>(AData)) return typed;
  return TBufferClass::CreateUniversal(AData);
}

// Live buffers.
extern std::atomic<int32_t> _KDCountPasBuffers;

// Start and end work of the unit: the live-buffer count and the buffer classes that the class
// manager recreates stored buffers by.
void StartKDSimpleDataBuffer();
void FinishKDSimpleDataBuffer();

}  // namespace corvane
