#include "corvane/buffers/Kelvra.BasicDataTypes.h"

#include <vector>

#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

kelvra::TIntf<IKDData> TKDData::Create() { return new TKDData(); }

kelvra::TIntf<IKDData> TKDData::CreateEx(const kelvra::TIntf<IKDData>& ASource) {
  return new TKDData(ASource);
}

kelvra::TIntf<IKDData> TKDData::MakeCopy() { throw kelvra::EAbstractError("Abstract Error"); }

void TKDData::AssignData(const kelvra::TIntf<IKDData>& ASource) {
  if (ASource && ASource->GetInstance() == this) return;
  custom_.Clear();
  if (!ASource) return;
  TKDData& source = *ASource->GetInstance();
  for (int32_t i = 0; i < source.GetCustomCount(); ++i)
    custom_.Add(source.custom_[i]->GetInstance()->MakeIntfCopy());
}

void TKDData::SerializationWrite(kelvra::ISequentialWriter& writer) {
  std::vector<kelvra::TIntf<kelvra::ISerializable>> held;
  std::vector<kelvra::ISerializable*> objects;
  for (const kelvra::TIntf<IKDData>& item : custom_) {
    held.push_back(kelvra::Supports<kelvra::ISerializable>(item));
    objects.push_back(held.back().get());
  }
  writer.WriteObjectList("Custom", objects);
}

void TKDData::SerializationRead(kelvra::ISequentialReader& reader) {
  custom_.Clear();
  for (const kelvra::TIntf<kelvra::ISerializable>& object : reader.ReadObjectList("Custom"))
    if (kelvra::TIntf<IKDData> item = kelvra::Supports<IKDData>(object)) custom_.Add(item);
}

}  // namespace corvane
