// The root of every data item that travels between components: a reference-counted object that
// carries further data items attached to it ("custom" data) and can be serialised.
#pragma once

#include <cstdint>

#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Serialization.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace corvane {

class TKDData;

class IKDData : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{B9246BCA-4961-415C-945F-257B3EA0ECFC}");
  virtual TKDData* GetInstance() = 0;
  virtual kelvra::TIntf<IKDData> MakeCopy() = 0;
  virtual void AddCustom(const kelvra::TIntf<IKDData>& AData) = 0;
  virtual int32_t GetCustomCount() = 0;
  virtual kelvra::TIntf<IKDData> GetCustom(int32_t AIndex) = 0;
};

class TKDData : public kelvra::TInterfacedObject,
                public virtual kelvra::ISerializable,
                public virtual IKDData {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static kelvra::TIntf<IKDData> Create();
  static kelvra::TIntf<IKDData> CreateEx(const kelvra::TIntf<IKDData>& ASource);
  // How a class reference makes a data object, for the class registry: by the class's Create().
  // A class that has none of its own would make one of its parent's: an assertion failure.
  template <class T>
    requires requires { T::Create(); }
  static kelvra::TIntf<kelvra::ISerializable> MakeInstance() {
    kelvra::TIntf<IKDData> made = T::Create();
    KELVRA_ASSERT(made->GetInstance()->ClassType() == T::ClassRef);
    return kelvra::Supports<kelvra::ISerializable>(made);
  }

  // "Custom": the custom list, as a list of serialisable objects.
  void SerializationRead(kelvra::ISequentialReader& reader) override;
  void SerializationWrite(kelvra::ISequentialWriter& writer) override;
  // Abstract here: raises EAbstractError. Each data class returns a copy of its own class.
  kelvra::TIntf<IKDData> MakeCopy() override;
  kelvra::TIntf<IKDData> MakeIntfCopy() { return MakeCopy(); }

  // Replaces the custom list by copies of ASource's custom items (none when ASource is empty):
  // custom data are copied, not shared.
  void AssignData(const kelvra::TIntf<IKDData>& ASource);
  TKDData* GetInstance() override { return this; }
  kelvra::TIntf<IKDData> GetDataIntf() { return this; }
  void AddCustom(const kelvra::TIntf<IKDData>& AData) override { custom_.Add(AData); }
  int32_t GetCustomCount() override { return custom_.GetCount(); }
  kelvra::TIntf<IKDData> GetCustom(int32_t AIndex) override { return custom_[AIndex]; }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDData, IKDData, kelvra::ISerializable>(this, iid, out);
  }

 protected:
  TKDData() = default;
  explicit TKDData(const kelvra::TIntf<IKDData>& ASource) { AssignData(ASource); }
  ~TKDData() override = default;

 private:
  kelvra::TArrayList<kelvra::TIntf<IKDData>> custom_;
};
inline constexpr kelvra::TClassRef TKDData::ClassRef = kelvra::ClassRefOf<TKDData>("TKDData");

}  // namespace corvane
