#include "kelvra/Kelvra.Components.Streaming.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.Types.LockComponents.h"

namespace kelvra {
namespace {

constexpr std::string_view kEndMarker = "...";

// A value that an object streams itself, as its DefineProperties declared it.
struct TDefinedProperty {
  std::string name;
  TFiler::TReadProc read;
  TFiler::TWriteProc write;
  TFiler::TStreamProc readBytes, writeBytes;  // set for bytes
  bool hasData;
};

class TDefinitions final : public TFiler {
 public:
  explicit TDefinitions(TPersistent& AObject) { AObject.DefineProperties(*this); }
  void DefineProperty(std::string_view AName, TReadProc ARead, TWriteProc AWrite,
                      bool AHasData) override {
    list.push_back({std::string(AName), std::move(ARead), std::move(AWrite), {}, {}, AHasData});
  }
  void DefineBinaryProperty(std::string_view AName, TStreamProc ARead, TStreamProc AWrite,
                            bool AHasData) override {
    list.push_back({std::string(AName), {}, {}, std::move(ARead), std::move(AWrite), AHasData});
  }
  std::vector<TDefinedProperty> list;
};

TLockCollection* AsCollection(TPersistent& AObject) {
  return AObject.ClassType().InheritsFrom(TLockCollection::ClassRef)
             ? static_cast<TLockCollection*>(&AObject)
             : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Writing

// Writes the one value of a streamed property: a scalar, or a list as a flow sequence.
class TValueWriter final : public TWriter {
 public:
  explicit TValueWriter(YAML::Emitter& AOut) : out_(AOut) {}
  void WriteBoolean(bool AValue) override { Put(BooleanToText(AValue)); }
  void WriteInteger(int64_t AValue) override { Put(std::to_string(AValue)); }
  void WriteFloat(double AValue) override { Put(FloatToText(AValue)); }
  void WriteSingle(float AValue) override { Put(FloatToText(AValue)); }
  void WriteString(std::string_view AValue) override {
    out_ << YAML::DoubleQuoted;
    Put(std::string(AValue));
  }
  void WriteListBegin() override {
    Begin();
    ++depth_;
    out_ << YAML::Flow << YAML::BeginSeq;
  }
  void WriteListEnd() override {
    KELVRA_ASSERT(depth_ > 0);
    out_ << YAML::EndSeq;
    --depth_;
  }
  // Whether the value is complete.
  bool Wrote() const { return wrote_ && depth_ == 0; }

 private:
  void Begin() {
    if (depth_ == 0) KELVRA_ASSERT(!std::exchange(wrote_, true));  // a streamed value is one value
  }
  void Put(const std::string& AText) {
    Begin();
    out_ << AText;
  }
  YAML::Emitter& out_;
  bool wrote_ = false;
  int depth_ = 0;
};

class TYamlWriter {
 public:
  std::string Write(TComponent& ARoot) {
    WriteComponent(ARoot);
    out_ << YAML::EndDoc;  // the end marker with its line break
    return out_.c_str();
  }

 private:
  void WriteComponent(TComponent& AComponent) {
    out_ << YAML::BeginMap << YAML::Key << "class" << YAML::Value
         << std::string(AComponent.ClassName());
    if (!AComponent.GetName().empty())
      out_ << YAML::Key << "name" << YAML::Value << AComponent.GetName();
    if (HasValues(AComponent)) {
      out_ << YAML::Key << "properties" << YAML::Value << YAML::BeginMap;
      WriteValues(AComponent);
      out_ << YAML::EndMap;
    }
    if (AComponent.ComponentCount() > 0) {
      out_ << YAML::Key << "components" << YAML::Value << YAML::BeginSeq;
      for (int32_t i = 0; i < AComponent.ComponentCount(); ++i)
        WriteComponent(*AComponent.Components(i));
      out_ << YAML::EndSeq;
    }
    out_ << YAML::EndMap;
  }

  // The object of an object property when it has something to write; nullptr otherwise.
  static TPersistent* ObjectToWrite(const TPropertyInfo& AInfo, const TPersistent& AOwner) {
    TPersistent* object = AInfo.GetObject(AOwner);
    if (!object) return nullptr;
    const TLockCollection* collection = AsCollection(*object);
    const bool empty = collection ? collection->Count() == 0 : !HasValues(*object);
    return empty ? nullptr : object;
  }

  static bool HasValues(TPersistent& AObject) {
    for (const TPropertyInfo* info : PublishedProperties(AObject.ClassType()))
      if (info->IsStored(AObject) && (info->Kind() != pkObject || ObjectToWrite(*info, AObject)))
        return true;
    const TDefinitions defined(AObject);
    return std::any_of(defined.list.begin(), defined.list.end(),
                       [](const TDefinedProperty& d) { return d.hasData; });
  }

  // The keys and values of AObject, into the mapping begun.
  void WriteValues(TPersistent& AObject) {
    for (const TPropertyInfo* info : PublishedProperties(AObject.ClassType())) {
      if (!info->IsStored(AObject)) continue;
      if (info->Kind() == pkSet) {
        out_ << YAML::Key << std::string(info->Name()) << YAML::Value;
        WriteSet(TextToSet(info->GetText(AObject), info->EnumNames()), info->EnumNames());
      } else if (info->Kind() != pkObject) {
        out_ << YAML::Key << std::string(info->Name()) << YAML::Value;
        if (info->Kind() == pkString) out_ << YAML::DoubleQuoted;
        out_ << info->GetText(AObject);
      } else if (TPersistent* object = ObjectToWrite(*info, AObject)) {
        out_ << YAML::Key << std::string(info->Name()) << YAML::Value;
        WriteObject(*object);
      }
    }
    TDefinitions defined(AObject);
    for (const TDefinedProperty& property : defined.list) {
      if (!property.hasData) continue;
      out_ << YAML::Key << property.name << YAML::Value;
      if (property.writeBytes) {
        TMemoryStream bytes;
        property.writeBytes(bytes);
        out_ << YAML::Binary(bytes.Memory(), size_t(bytes.Size()));
      } else {
        TValueWriter writer(out_);
        property.write(writer);
        KELVRA_ASSERT(writer.Wrote());
      }
    }
  }

  // A set as the flow sequence of its members' names.
  void WriteSet(uint64_t ABits, std::span<const std::string_view> ANames) {
    out_ << YAML::Flow << YAML::BeginSeq;
    for (size_t i = 0; i < ANames.size(); ++i)
      if (ABits & (uint64_t(1) << i)) out_ << std::string(ANames[i]);
    out_ << YAML::EndSeq;
  }

  void WriteObject(TPersistent& AObject) {
    const TLockCollection* collection = AsCollection(AObject);
    if (!collection) {
      out_ << YAML::BeginMap;
      WriteValues(AObject);
      out_ << YAML::EndMap;
      return;
    }
    out_ << YAML::BeginSeq;
    for (int32_t i = 0; i < collection->Count(); ++i) {
      TLockCollectionItem& item = *collection->Items(i);
      out_ << YAML::BeginMap;
      if (item.ClassType() != collection->ItemClass())
        out_ << YAML::Key << "class" << YAML::Value << std::string(item.ClassName());
      WriteValues(item);
      out_ << YAML::EndMap;
    }
    out_ << YAML::EndSeq;
  }

  YAML::Emitter out_;
};

// ---------------------------------------------------------------------------------------------
// Reading

[[noreturn]] void Fail(const YAML::Mark& AMark, const std::string& AMessage) {
  throw EComponentStreamError(AMark.line + 1, AMark.column + 1, AMessage);
}

// Runs AWork; an error of the runtime that it raises is reported at ANode.
template <class F>
void At(const YAML::Mark& AMark, F&& AWork) {
  try {
    AWork();
  } catch (const EComponentStreamError&) {
    throw;
  } catch (const Exception& e) {
    Fail(AMark, e.Message());
  }
}

void RequireMapping(const YAML::Node& ANode, std::string_view AWhat) {
  if (!ANode.IsMap()) Fail(ANode.Mark(), std::string(AWhat) + " (a mapping) expected");
}

// The keys of a mapping, each once.
class TKeys {
 public:
  TKeys(const YAML::Node& AMapping, std::string_view AWhat) { RequireMapping(AMapping, AWhat); }
  // The key's text; an error when the key is not a scalar or came before.
  std::string Take(const YAML::Node& AKey) {
    if (!AKey.IsScalar()) Fail(AKey.Mark(), "A name expected as key");
    if (!seen_.insert(AKey.Scalar()).second) Fail(AKey.Mark(), AKey.Scalar() + " is given twice");
    return AKey.Scalar();
  }

 private:
  std::set<std::string> seen_;
};

const std::string& ScalarOf(const YAML::Node& AValue, std::string_view AName) {
  if (!AValue.IsScalar()) Fail(AValue.Mark(), "A value expected for " + std::string(AName));
  return AValue.Scalar();
}

// The registered class named by ANode, of the family AFamily.
const TClassRef& ClassOf(const YAML::Node& ANode, const TClassRef& AFamily) {
  const std::string& name = ScalarOf(ANode, "class");
  const TClassRef* cls = TClassManagement::FindClass(name);
  if (!cls) Fail(ANode.Mark(), "Class " + name + " not found");
  if (!cls->InheritsFrom(AFamily)) Fail(ANode.Mark(), name + " is not a " + std::string(AFamily.Name()));
  return *cls;
}

// Reads the one value of a streamed property: a scalar, or a list from a sequence.
class TValueReader final : public TReader {
 public:
  TValueReader(const YAML::Node& AValue, std::string_view AName, TComponent& ARoot,
               std::vector<std::pair<YAML::Mark, TProcedure>>& AFixups)
      : value_(AValue), name_(AName), root_(ARoot), fixups_(AFixups) {}
  bool ReadBoolean() override { return TextToBoolean(Scalar()); }
  int64_t ReadInteger() override { return TextToInteger<int64_t>(Scalar()); }
  double ReadFloat() override { return TextToDouble(Scalar()); }
  std::string ReadString() override { return Scalar(); }
  void ReadListBegin() override {
    const YAML::Node list = Next();
    if (!list.IsSequence()) throw EReadError("A list expected");
    lists_.push_back({list, 0});
  }
  bool EndOfList() override { return !lists_.empty() && lists_.back().next >= lists_.back().node.size(); }
  void ReadListEnd() override {
    KELVRA_ASSERT(!lists_.empty());
    lists_.pop_back();
  }
  TComponent& Root() override { return root_; }
  void AddFixup(TProcedure AFixup) override { fixups_.emplace_back(value_.Mark(), std::move(AFixup)); }

 private:
  struct TOpenList {
    YAML::Node node;
    size_t next;
  };
  // The next value: the property's own, or the next of the list being read.
  YAML::Node Next() {
    if (lists_.empty()) {
      if (std::exchange(read_, true)) throw EReadError("The value is read already");
      return value_;
    }
    if (EndOfList()) throw EReadError("The list has no more values");
    TOpenList& list = lists_.back();
    return list.node[list.next++];
  }
  std::string Scalar() {
    const YAML::Node value = Next();
    if (!value.IsScalar()) throw EReadError("A value expected for " + name_);
    return value.Scalar();
  }
  YAML::Node value_;
  std::string name_;
  TComponent& root_;
  std::vector<std::pair<YAML::Mark, TProcedure>>& fixups_;
  std::vector<TOpenList> lists_;
  bool read_ = false;
};

class TYamlReader {
 public:
  TOwnedComponent<TComponent> Read(std::string_view AText) {
    const YAML::Node document = Parse(AText);
    TOwnedComponent<TComponent> root(MakeComponent(document, nullptr));
    root_ = root.get();
    ReadComponent(document, *root);
    for (const auto& [mark, fixup] : fixups_) At(mark, fixup);
    for (const auto& [mark, component] : loaded_) At(mark, [c = component] { c->Loaded(); });
    return root;
  }

 private:
  static YAML::Node Parse(std::string_view AText) {
    std::vector<YAML::Node> documents;
    try {
      documents = YAML::LoadAll(std::string(AText));
    } catch (const YAML::Exception& e) {
      Fail(e.mark, e.msg);
    }
    CheckEndMarker(AText);
    if (documents.size() != 1)
      Fail(documents.empty() ? YAML::Mark() : documents[1].Mark(), "One document expected");
    return documents[0];
  }

  // The last line that is not blank must be the end marker.
  static void CheckEndMarker(std::string_view AText) {
    const size_t end = AText.find_last_not_of(" \t\r\n");
    const size_t start = end == std::string_view::npos ? 0 : AText.rfind('\n', end) + 1;
    if (end != std::string_view::npos && AText.substr(start, end + 1 - start) == kEndMarker) return;
    YAML::Mark mark;
    mark.line = int(std::count(AText.begin(), AText.end(), '\n'));
    mark.column = int(AText.size() - AText.rfind('\n') - 1);
    Fail(mark, "The text ends before the document does (\"" + std::string(kEndMarker) +
                   "\" expected)");
  }

  // The component of ANode, made with its owner and marked loading; its values are not read.
  TComponent* MakeComponent(const YAML::Node& ANode, TComponent* AOwner) {
    RequireMapping(ANode, "A component");
    for (const auto& entry : ANode)
      if (entry.first.IsScalar() && entry.first.Scalar() == "class") {
        const TClassRef& cls = ClassOf(entry.second, TComponent::ClassRef);
        TComponent* component = nullptr;
        At(entry.second.Mark(), [&] { component = cls.Create<TComponent*(TComponent*)>(AOwner); });
        component->BeginLoading();
        loaded_.emplace_back(ANode.Mark(), component);
        return component;
      }
    Fail(ANode.Mark(), "The component has no class");
  }

  void ReadComponent(const YAML::Node& ANode, TComponent& AComponent) {
    TKeys keys(ANode, "A component");
    for (const auto& entry : ANode) {
      const std::string key = keys.Take(entry.first);
      const YAML::Node& value = entry.second;
      if (key == "name") {
        At(value.Mark(), [&] { AComponent.SetName(ScalarOf(value, key)); });
      } else if (key == "properties") {
        ReadValues(value, AComponent, "Properties");
      } else if (key == "components") {
        if (!value.IsSequence()) Fail(value.Mark(), "A sequence of components expected");
        for (const YAML::Node& child : value) ReadComponent(child, *MakeComponent(child, &AComponent));
      } else if (key != "class") {
        Fail(entry.first.Mark(), "Unknown key " + key + " (class, name, properties or components expected)");
      }
    }
  }

  // Reads the mapping ANode into AObject. AReserved: a key that is not a property (an item's
  // "class"), or empty.
  void ReadValues(const YAML::Node& ANode, TPersistent& AObject, std::string_view AWhat,
                  std::string_view AReserved = {}) {
    TKeys keys(ANode, AWhat);
    const auto properties = PublishedProperties(AObject.ClassType());
    TDefinitions defined(AObject);
    for (const auto& entry : ANode) {
      const std::string key = keys.Take(entry.first);
      if (key == AReserved) continue;
      const auto info = std::find_if(properties.begin(), properties.end(),
                                     [&](const TPropertyInfo* p) { return p->Name() == key; });
      if (info != properties.end()) {
        ReadProperty(entry.second, AObject, **info);
        continue;
      }
      const auto own = std::find_if(defined.list.begin(), defined.list.end(),
                                    [&](const TDefinedProperty& d) { return d.name == key; });
      if (own == defined.list.end())
        Fail(entry.first.Mark(), "Property " + key + " does not exist in " + std::string(AObject.ClassName()));
      ReadDefined(entry.second, *own);
    }
  }

  void ReadProperty(const YAML::Node& AValue, TPersistent& AObject, const TPropertyInfo& AInfo) {
    const std::string name(AInfo.Name());
    if (AInfo.Kind() != pkObject) {
      const std::string text = AInfo.Kind() == pkSet ? SetText(AValue, name) : ScalarOf(AValue, name);
      return At(AValue.Mark(), [&] { AInfo.SetText(AObject, text); });
    }
    TPersistent* object = AInfo.GetObject(AObject);
    if (!object) Fail(AValue.Mark(), "Property " + name + " holds no object");
    if (TLockCollection* collection = AsCollection(*object))
      ReadCollection(AValue, *collection, name);
    else
      ReadValues(AValue, *object, "The properties of " + name);
  }

  // The text form of the set a sequence of member names gives.
  static std::string SetText(const YAML::Node& AValue, const std::string& AName) {
    if (!AValue.IsSequence()) Fail(AValue.Mark(), "A sequence of members expected for " + AName);
    std::string text;
    for (const YAML::Node& member : AValue) text += (text.empty() ? "" : ", ") + ScalarOf(member, AName);
    return "[" + text + "]";
  }

  void ReadCollection(const YAML::Node& AValue, TLockCollection& ACollection, const std::string& AName) {
    if (!AValue.IsSequence()) Fail(AValue.Mark(), "A sequence of items expected for " + AName);
    ACollection.BeginUpdate();
    struct TEnd {
      TLockCollection& collection;
      ~TEnd() { collection.EndUpdate(); }
    } end{ACollection};
    ACollection.Clear();
    for (const YAML::Node& itemNode : AValue) {
      RequireMapping(itemNode, "An item of " + AName);
      const TClassRef* cls = &ACollection.ItemClass();
      for (const auto& entry : itemNode)
        if (entry.first.IsScalar() && entry.first.Scalar() == "class")
          cls = &ClassOf(entry.second, ACollection.ItemClass());
      TLockCollectionItem* item = nullptr;
      At(itemNode.Mark(), [&] { item = ACollection.Add(*cls); });
      ReadValues(itemNode, *item, "An item of " + AName, "class");
    }
  }

  void ReadDefined(const YAML::Node& AValue, const TDefinedProperty& AProperty) {
    if (AProperty.readBytes) {
      const std::string& text = ScalarOf(AValue, AProperty.name);
      const std::vector<unsigned char> bytes = YAML::DecodeBase64(text);
      if (bytes.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos)
        Fail(AValue.Mark(), "Base64 data expected for " + AProperty.name);
      TMemoryStream stream;
      stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
      stream.SetPosition(0);
      return At(AValue.Mark(), [&] { AProperty.readBytes(stream); });
    }
    TValueReader reader(AValue, AProperty.name, *root_, fixups_);
    At(AValue.Mark(), [&] { AProperty.read(reader); });
  }

  TComponent* root_ = nullptr;
  std::vector<std::pair<YAML::Mark, TComponent*>> loaded_;
  std::vector<std::pair<YAML::Mark, TProcedure>> fixups_;
};

}  // namespace

std::string WriteComponentYaml(TComponent& ARoot) { return TYamlWriter().Write(ARoot); }

TOwnedComponent<TComponent> ReadComponentYaml(std::string_view AText) {
  return TYamlReader().Read(AText);
}

}  // namespace kelvra
