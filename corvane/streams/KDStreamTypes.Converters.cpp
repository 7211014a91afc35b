#include "corvane/streams/KDStreamTypes.Converters.h"

#include <cstring>

#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"
#include "corvane/streams/KDStreamTypes.Pins.h"

namespace corvane {
namespace {

using kelvra::TGUID;
using kelvra::TIntf;
using pinweave::TPNPin;

// The converters' common frame: the inner source of class TSource, and the step that hands it what
// the inner sink receives.
template <class TSource>
class TKDPNConverter : public pinweave::TPNFormatConverter {
 protected:
  // Makes the inner sink (of class TSink, given the component handler) and the inner source.
  template <class TSink, class... TArgs>
  void MakePins(TPNBasicPinNotificationEvent AOnSinkOperation, TArgs&&... ASinkArgs) {
    SetPins(std::make_unique<TSink>(TPNOwnerSetter(), nullptr, std::move(AOnSinkOperation),
                                    std::forward<TArgs>(ASinkArgs)...),
            std::make_unique<TSource>(TPNOwnerSetter(), nullptr, SourceOperationEvent()));
  }
  TSource& Out() const { return static_cast<TSource&>(Source()); }
};

// Converters 1 to 6: a supplied buffer's value through AConvert.
template <class TSink, class TSource, auto AConvert>
class TKDPNBufferConverter : public TKDPNConverter<TSource> {
 public:
  TKDPNBufferConverter() {
    this->template MakePins<TSink>([this](TPNPin*, TPNPin*, const TGUID&,
                                         const TPNOperation& AOperation, TPNNotifyState) {
      const auto* supplied = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation);
      return supplied ? this->Out().SubmitBuffer(AConvert(supplied->Value()))
                      : this->Out().Notify(AOperation);
    });
  }
};

TIntf<IKDData> AsBlock(const TIntf<IKDData>& AValue) {
  return TKDBlockBuffer::CreateUniversal(AValue);
}

TIntf<IKDData> IntegersAsReals(const TIntf<IKDData>& AValue) {
  const auto integers = kelvra::Supports<IKDIntegerBuffer>(AValue);
  if (!integers) return AValue;
  return TKDRealBuffer::CreateIntegerData(integers->Read(), integers->GetSize(), 1.0);
}

TIntf<IKDData> AsMatrix(const TIntf<IKDData>& AValue) {
  return TKDRealMatrixBuffer::CreateUniversal(AValue);
}

// Converters 7 and 8: each list change as a buffer of TBuffer.
template <class TListSink, class TSource, class TBuffer, class TItem>
class TKDPNListConverter : public TKDPNConverter<TSource> {
 public:
  TKDPNListConverter() {
    this->template MakePins<TListSink>(
        [this](TPNPin*, TPNPin*, const TGUID&, const TPNOperation& AOperation, TPNNotifyState) {
          return this->Out().Notify(AOperation);
        },
        [this](TPNPin*, std::span<const TItem> AItems, bool ALengthChanged) {
          if (ALengthChanged) this->Out().Notify(TPNStartSampleRateOperation::Create(1.0));
          this->Out().SubmitBuffer(TBuffer::CreateData(AItems.data(), uint32_t(AItems.size())));
        });
  }
};

// Converters 9 to 22 (TPNRQTypedFormatConverter): each value as a block of its bytes; supplied
// operations other than the value's are ignored, the value change has carried them.
template <class T, class TSink>
class TPNRQTypedFormatConverter : public TKDPNConverter<TKDPNBinarySourcePin> {
 public:
  TPNRQTypedFormatConverter() {
    MakePins<TSink>(
        [this](TPNPin*, TPNPin*, const TGUID&, const TPNOperation& AOperation, TPNNotifyState) {
          if (AOperation->IsType(pinweave::TPNSuppliedOperation::ClassRef)) return TPNNotifyResult{};
          return Out().Notify(AOperation);
        },
        [this](TPNPin*, const T& AValue) {
          uint8_t bytes[sizeof(T)];
          std::memcpy(bytes, &AValue, sizeof(T));
          Out().SubmitBuffer(TKDBlockBuffer::CreateData(bytes, sizeof(T)));
        });
  }
};

}  // namespace

// Declares converter class Name on Base, converting From to To.
#define CORVANE_CONVERTER(Name, Base, From, To)                                               \
  class Name : public Base {                                                                  \
   public:                                                                                    \
    static const kelvra::TClassRef ClassRef;                                                  \
    const kelvra::TClassRef& ClassType() const override { return ClassRef; }                  \
  };                                                                                          \
  inline constexpr kelvra::TClassRef Name::ClassRef =                                         \
      kelvra::ClassRefOf<Name, pinweave::TPNFormatConverter>(#Name,                            \
                                                             {.ConvertFrom = From, .ConvertTo = To})

#define CORVANE_BUFFER_CONVERTER(Name, TSink, TSource, Convert, From, To) \
  using Name##Base = TKDPNBufferConverter<TSink, TSource, &Convert>;      \
  CORVANE_CONVERTER(Name, Name##Base, From, To)

CORVANE_BUFFER_CONVERTER(TKDPNIntToBinaryFormatConverter, TKDPNIntegerSinkPin,
                         TKDPNBinarySourcePin, AsBlock, IPNKDIntegerStream::IID,
                         IPNKDBinaryStream::IID);
CORVANE_BUFFER_CONVERTER(TKDPNRealToBinaryFormatConverter, TKDPNRealSinkPin, TKDPNBinarySourcePin,
                         AsBlock, IPNKDRealStream::IID, IPNKDBinaryStream::IID);
CORVANE_BUFFER_CONVERTER(TKDPNComplexToBinaryFormatConverter, TKDPNComplexSinkPin,
                         TKDPNBinarySourcePin, AsBlock, IPNKDComplexStream::IID,
                         IPNKDBinaryStream::IID);
CORVANE_BUFFER_CONVERTER(TKDPNBooleanToBinaryFormatConverter, TKDPNBooleanSinkPin,
                         TKDPNBinarySourcePin, AsBlock, IPNKDBooleanStream::IID,
                         IPNKDBinaryStream::IID);
CORVANE_BUFFER_CONVERTER(TKDPNIntToRealFormatConverter, TKDPNIntegerSinkPin, TKDPNRealSourcePin,
                         IntegersAsReals, IPNKDIntegerStream::IID, IPNKDRealStream::IID);
CORVANE_BUFFER_CONVERTER(TKDPNRealToRealMatrixFormatConverter, TKDPNRealSinkPin,
                         TKDPNRealMatrixSourcePin, AsMatrix, IPNKDRealStream::IID,
                         IPNKDRealMatrixStream::IID);

using TRealListBase =
    TKDPNListConverter<pinweave::TPNRealListSinkPin, TKDPNRealSourcePin, TKDRealBuffer, double>;
CORVANE_CONVERTER(TPNRealListToRealBufferFormatConverter, TRealListBase,
                  pinweave::IPNRealListStream::IID, IPNKDRealStream::IID);
using TIntegerListBase = TKDPNListConverter<pinweave::TPNIntegerListSinkPin, TKDPNIntegerSourcePin,
                                            TKDIntegerBuffer, int32_t>;
CORVANE_CONVERTER(TPNIntegerListToIntegerBufferFormatConverter, TIntegerListBase,
                  pinweave::IPNIntegerListStream::IID, IPNKDIntegerStream::IID);

#define CORVANE_VALUE_CONVERTER(Name, T, TSink, IStream)        \
  using Name##Base = TPNRQTypedFormatConverter<T, TSink>;       \
  CORVANE_CONVERTER(Name, Name##Base, IStream::IID, IPNKDBinaryStream::IID)

CORVANE_VALUE_CONVERTER(TPNFloatToBinaryFormatConverter, float, pinweave::TPNFloatSinkPin,
                        pinweave::IPNFloatStream);
CORVANE_VALUE_CONVERTER(TPNRealToBinaryFormatConverter, double, pinweave::TPNRealSinkPin,
                        pinweave::IPNRealStream);
CORVANE_VALUE_CONVERTER(TPNIntegerToBinaryFormatConverter, int32_t, pinweave::TPNIntegerSinkPin,
                        pinweave::IPNIntegerStream);
CORVANE_VALUE_CONVERTER(TPNInt64ToBinaryFormatConverter, int64_t, pinweave::TPNInt64SinkPin,
                        pinweave::IPNInt64Stream);
CORVANE_VALUE_CONVERTER(TPNUnsignedToBinaryFormatConverter, uint32_t,
                        pinweave::TPNUnsignedSinkPin, pinweave::IPNUnsignedStream);
CORVANE_VALUE_CONVERTER(TPNUInt64ToBinaryFormatConverter, uint64_t, pinweave::TPNUInt64SinkPin,
                        pinweave::IPNUInt64Stream);
CORVANE_VALUE_CONVERTER(TPNRealComplexToBinaryFormatConverter, kelvra::TComplex,
                        pinweave::TPNRealComplexSinkPin, pinweave::IPNRealComplexStream);
CORVANE_VALUE_CONVERTER(TPNByteToBinaryFormatConverter, uint8_t, pinweave::TPNByteSinkPin,
                        pinweave::IPNByteStream);
CORVANE_VALUE_CONVERTER(TPNCharToBinaryFormatConverter, char16_t, pinweave::TPNCharSinkPin,
                        pinweave::IPNCharStream);
CORVANE_VALUE_CONVERTER(TPNColorToBinaryFormatConverter, pinweave::TColor,
                        pinweave::TPNColorSinkPin, pinweave::IPNColorStream);
CORVANE_VALUE_CONVERTER(TPNAlphaColorToBinaryFormatConverter, pinweave::TAlphaColor,
                        pinweave::TPNAlphaColorSinkPin, pinweave::IPNAlphaColorStream);
CORVANE_VALUE_CONVERTER(TPNDateTimeToBinaryFormatConverter, pinweave::TDateTime,
                        pinweave::TPNDateTimeSinkPin, pinweave::IPNDateTimeStream);
CORVANE_VALUE_CONVERTER(TPNDateToBinaryFormatConverter, pinweave::TDate, pinweave::TPNDateSinkPin,
                        pinweave::IPNDateStream);
CORVANE_VALUE_CONVERTER(TPNTimeToBinaryFormatConverter, pinweave::TTime, pinweave::TPNTimeSinkPin,
                        pinweave::IPNTimeStream);

std::span<const kelvra::TClassRef* const> KDFormatConverterClasses() {
  static constexpr const kelvra::TClassRef* kConverters[] = {
      &TKDPNIntToBinaryFormatConverter::ClassRef,
      &TKDPNRealToBinaryFormatConverter::ClassRef,
      &TKDPNComplexToBinaryFormatConverter::ClassRef,
      &TKDPNBooleanToBinaryFormatConverter::ClassRef,
      &TKDPNIntToRealFormatConverter::ClassRef,
      &TKDPNRealToRealMatrixFormatConverter::ClassRef,
      &TPNRealListToRealBufferFormatConverter::ClassRef,
      &TPNIntegerListToIntegerBufferFormatConverter::ClassRef,
      &TPNFloatToBinaryFormatConverter::ClassRef,
      &TPNRealToBinaryFormatConverter::ClassRef,
      &TPNIntegerToBinaryFormatConverter::ClassRef,
      &TPNInt64ToBinaryFormatConverter::ClassRef,
      &TPNUnsignedToBinaryFormatConverter::ClassRef,
      &TPNUInt64ToBinaryFormatConverter::ClassRef,
      &TPNRealComplexToBinaryFormatConverter::ClassRef,
      &TPNByteToBinaryFormatConverter::ClassRef,
      &TPNCharToBinaryFormatConverter::ClassRef,
      &TPNColorToBinaryFormatConverter::ClassRef,
      &TPNAlphaColorToBinaryFormatConverter::ClassRef,
      &TPNDateTimeToBinaryFormatConverter::ClassRef,
      &TPNDateToBinaryFormatConverter::ClassRef,
      &TPNTimeToBinaryFormatConverter::ClassRef,
  };
  return kConverters;
}

}  // namespace corvane
