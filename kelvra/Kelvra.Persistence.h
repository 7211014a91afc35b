// Persistent objects and their published properties.
//
// TPersistent is the root of what component streaming saves and loads: components, the property
// objects they own, collections and their items. A class lists its published properties once, in
// a property table beside the class, and names the table in its class reference:
//
//   class TRQLogin : public kelvra::TLockPersistent {
//    public:
//     static const kelvra::TClassRef ClassRef;
//     static const kelvra::TPropertyTable& Properties();
//     const kelvra::TClassRef& ClassType() const override { return ClassRef; }
//     TRQLogin(...) : TLockPersistent(...) { InitDefaults(ClassRef); }
//     void SetUserName(const std::string& AValue);  // stores under the lock, notifies a change
//    private:
//     std::string FUserName;
//   };
//   inline constexpr kelvra::TClassRef TRQLogin::ClassRef =
//       kelvra::ClassRefOf<TRQLogin, kelvra::TLockPersistent>(
//           "TRQLogin", {.Properties = &TRQLogin::Properties});
//
//   const kelvra::TPropertyTable& TRQLogin::Properties() {
//     static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<TRQLogin>()
//         .Property("UserName", &TRQLogin::FUserName, &TRQLogin::SetUserName, "");
//     return table;
//   }
//
// A property is read through a field or a const member function and written through a member
// function, its setter; it may have a default and a "stored" predicate. Value types and their
// kinds: bool, int32_t, uint32_t, int64_t, float, double, std::string (UTF-8), enumerations
// (with their members' names) and sets of an enumeration's members (TSet, with the members'
// names). Object properties (property objects, collections) are read through
// their getter only; they are written into, by Assign or by streaming. The table drives:
//
// - Defaults at construction. InitDefaults(ClassRef), the last step of a class's constructor,
//   writes the default of each property of the class's own table that is read through a field
//   straight into the field (no lock, no notification) and creates the auto-managed sub-objects.
//   A table that names an inherited property again (same name, same field) gives it a new
//   default, which that class's InitDefaults writes.
// - Assign: the published properties of the nearest class that both objects are of are copied,
//   values through the setters, objects by their own Assign. Where that class has none, the
//   source's AssignTo decides, which by default raises EConvertError ("Cannot assign a TX to a
//   TY").
// - Streaming (kelvra/Kelvra.Components.Streaming.h): a value is written when its stored
//   predicate allows and it differs from its default; an object when it has something to write.
//   Values the table cannot describe are streamed by the object itself (DefineProperties).
// - Editors: each property's kind, its enumeration names and its value as text.
//
// Text forms: Booleans "true" and "false"; integers in decimal; floating-point numbers in the
// shortest form that reads back to the same value, with ".inf", "-.inf" and ".nan" for the
// special values; strings as they are; enumerations by member name; sets as their members' names
// in the order of their values, between brackets and separated by ", " ("[fsBold, fsItalic]",
// "[]" for the empty set). A text that is no value of
// the property's kind raises EConvertError.
//
// Threads: the tables are built once and read from any thread. Getting and setting values is the
// object's business: the lock-holding bases (kelvra/Kelvra.Types.LockComponents.h) take their
// lock in their setters.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Threading.h"
#include "kelvra/Kelvra.Types.h"

namespace kelvra {

class TComponent;
class TFiler;
class TPersistent;
class IChangeNotifyLock;

enum TPropertyKind : uint8_t {
  pkBoolean,
  pkInteger,   // int32_t
  pkCardinal,  // uint32_t
  pkInt64,
  pkSingle,
  pkDouble,
  pkString,
  pkEnumeration,
  pkSet,    // a TSet of an enumeration's members
  pkObject  // a property object or a collection, written into rather than replaced
};

// Managed fields: how the objects of a class are made when an object declares one as a managed
// field (TPropertyTableBuilder::Managed). The class registers two makers: one given the component
// that the declaring object is or belongs to, the declaring object and the field's property name;
// one given the component and the property path of a field below it ("Object.Field"), for code
// that makes such an object by its path. Both get the declaring object's lock. Registering a
// class again replaces its makers; any thread may register, unregister and find.
struct TManagedMakers {
  std::function<TPersistent*(TComponent* AComponent, TPersistent& AOwner, std::string_view AName,
                             const TIntf<IChangeNotifyLock>& ALock)>
      ForOwner;
  std::function<TPersistent*(TComponent* AComponent, std::string_view APath,
                             const TIntf<IChangeNotifyLock>& ALock)>
      ForPath;
};
void RegisterManagedMakers(const TClassRef& AClass, TManagedMakers AMakers);
void UnregisterManagedMakers(const TClassRef& AClass);
// The makers AClass registered; nullopt when it registered none.
std::optional<TManagedMakers> FindManagedMakers(const TClassRef& AClass);
// An object of AClass for AOwner's field AName, by the owner maker; EAbstractError when AClass
// registered none.
TPersistent* MakeManaged(const TClassRef& AClass, TPersistent& AOwner, std::string_view AName,
                         const TIntf<IChangeNotifyLock>& ALock);

// One published property of a class.
class TPropertyInfo {
 public:
  std::string_view Name() const { return name_; }
  TPropertyKind Kind() const { return kind_; }
  // The members of an enumeration, or of the enumeration a set holds members of, by value.
  std::span<const std::string_view> EnumNames() const { return enumNames_; }
  // The text of the default; none for a property that has no default (always written).
  const std::optional<std::string>& DefaultText() const { return defaultText_; }

  // The value as text (not for objects).
  std::string GetText(const TPersistent& AInstance) const { return getText_(AInstance); }
  // Sets the value through the setter; EConvertError for a text that is no value of the kind.
  void SetText(TPersistent& AInstance, std::string_view AText) const {
    setText_(AInstance, AText);
  }
  // The object of an object property; nullptr when the instance has none.
  TPersistent* GetObject(const TPersistent& AInstance) const { return getObject_(AInstance); }
  // Whether the stored predicate lets the property be written, and, for a value, whether it
  // differs from the default.
  bool IsStored(const TPersistent& AInstance) const;
  // Gives ADest the value that ASource has: through the setter, or for an object by Assign.
  void Copy(TPersistent& ADest, const TPersistent& ASource) const;

 private:
  template <class T>
  friend class TPropertyTableBuilder;
  friend class TPersistent;

  std::string_view name_;
  TPropertyKind kind_ = pkObject;
  std::span<const std::string_view> enumNames_;
  std::optional<std::string> defaultText_;
  std::function<std::string(const TPersistent&)> getText_;
  std::function<void(TPersistent&, std::string_view)> setText_;
  std::function<TPersistent*(const TPersistent&)> getObject_;
  std::function<bool(const TPersistent&)> stored_;       // empty: always
  std::function<void(TPersistent&)> initAtConstruction_;  // empty: nothing to do
};

// The properties one class declares, in order.
class TPropertyTable {
 public:
  std::span<const TPropertyInfo> Entries() const { return entries_; }

 private:
  template <class T>
  friend class TPropertyTableBuilder;
  std::vector<TPropertyInfo> entries_;
};

// The published properties of AClass: its ancestors' first, each class's own in table order; a
// property that a descendant names again keeps its place and takes the descendant's entry.
std::vector<const TPropertyInfo*> PublishedProperties(const TClassRef& AClass);

// The text forms of the property values (see above).
std::string BooleanToText(bool AValue);
bool TextToBoolean(std::string_view AText);
std::string FloatToText(double AValue);
std::string FloatToText(float AValue);  // the shortest form that reads back as the same float
double TextToDouble(std::string_view AText);
float TextToSingle(std::string_view AText);
std::string_view EnumToText(int64_t AValue, std::span<const std::string_view> ANames);
int64_t TextToEnum(std::string_view AText, std::span<const std::string_view> ANames);
// A set by the bits of its members (bit n for the member of value n).
std::string SetToText(uint64_t ABits, std::span<const std::string_view> ANames);
uint64_t TextToSet(std::string_view AText, std::span<const std::string_view> ANames);
[[noreturn]] void InvalidIntegerText(std::string_view AText);

template <std::integral V>
V TextToInteger(std::string_view AText) {
  V value{};
  const char* end = AText.data() + AText.size();
  const auto [stop, error] = std::from_chars(AText.data(), end, value);
  if (error != std::errc() || stop != end) InvalidIntegerText(AText);
  return value;
}

// The root of the objects that streaming saves and loads. Not copyable; lives as long as its
// owner keeps it.
class TPersistent : public TNoRefCountObject {
 public:
  static const TClassRef ClassRef;
  ~TPersistent() override;

  virtual const TClassRef& ClassType() const { return ClassRef; }
  std::string_view ClassName() const { return ClassType().Name(); }
  // Copies ASource's published properties into this object (see above).
  virtual void Assign(const TPersistent& ASource);
  // The object that owns this one, for editors that name sub-objects; nullptr when none.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // Declares the values the object streams itself, beside its published properties.
  virtual void DefineProperties(TFiler& AFiler);

  // How many persistent objects (components included) live in the process: a leak shows here.
  static int64_t LiveInstances();

 protected:
  TPersistent();
  // Called by Assign when the two classes share no published property: raises EConvertError.
  virtual void AssignTo(TPersistent& ADest) const;
  // Writes the defaults of AClass's own table and creates its auto-managed sub-objects; the last
  // step of each class's constructor (see above).
  void InitDefaults(const TClassRef& AClass);
};

inline constexpr TClassRef TPersistent::ClassRef = ClassRefOf<TPersistent>("TPersistent");

// A persistent object with an owner.
class TBasicPersistent : public TPersistent {
 public:
  static const TClassRef ClassRef;
  explicit TBasicPersistent(TPersistent* AOwner) : owner_(AOwner) {}
  const TClassRef& ClassType() const override { return ClassRef; }
  TPersistent* GetOwner() const override { return owner_; }

 private:
  TPersistent* owner_;
};

inline constexpr TClassRef TBasicPersistent::ClassRef =
    ClassRefOf<TBasicPersistent, TPersistent>("TBasicPersistent");

// The value of one property that its object streams itself, as the stream holds it.
class TReader {
 public:
  virtual ~TReader() = default;
  virtual bool ReadBoolean() = 0;
  virtual int64_t ReadInteger() = 0;
  virtual double ReadFloat() = 0;
  virtual std::string ReadString() = 0;
  // A list of values (which may be lists again): ReadListBegin, the values while !EndOfList,
  // ReadListEnd, which passes over the values of the list not read. Reading a value where
  // there is none, or a list where there is a single value, raises EReadError.
  virtual void ReadListBegin() = 0;
  virtual bool EndOfList() = 0;
  virtual void ReadListEnd() = 0;
  // The component whose tree is being read.
  virtual TComponent& Root() = 0;
  // Runs AFixup once the whole tree is read and before any component's Loaded: for references
  // to components read later (a "Component.Pin" connection). An error it raises is reported at
  // this property's place in the text.
  virtual void AddFixup(TProcedure AFixup) = 0;
};

// Receives the one value of a property that its object streams itself.
class TWriter {
 public:
  virtual ~TWriter() = default;
  virtual void WriteBoolean(bool AValue) = 0;
  virtual void WriteInteger(int64_t AValue) = 0;
  virtual void WriteFloat(double AValue) = 0;
  // In the shortest form that reads back as the same float.
  virtual void WriteSingle(float AValue) = 0;
  virtual void WriteString(std::string_view AValue) = 0;
  // The values written between the two form one list.
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;
};

// What an object's DefineProperties declares its own streamed values to.
class TFiler {
 public:
  using TReadProc = std::function<void(TReader&)>;
  using TWriteProc = std::function<void(TWriter&)>;
  using TStreamProc = std::function<void(TStream&)>;

  virtual ~TFiler() = default;
  // The property AName holds one value, a single one or a list: ARead reads it; AWrite writes it,
  // called only when AHasData.
  virtual void DefineProperty(std::string_view AName, TReadProc ARead, TWriteProc AWrite,
                              bool AHasData) = 0;
  // The property AName holds bytes: ARead gets them in a stream; AWrite writes them to one.
  virtual void DefineBinaryProperty(std::string_view AName, TStreamProc ARead,
                                    TStreamProc AWrite, bool AHasData) = 0;
};

namespace detail {

// What a property's getter is: a field of V, or a const member function returning V.
template <class G>
struct TGetter;
template <class C, class V>
  requires(!std::is_function_v<V>)
struct TGetter<V C::*> {
  using Value = V;
  static constexpr bool IsField = true;
};
template <class C, class V>
struct TGetter<V (C::*)() const> {
  using Value = std::remove_cvref_t<V>;
  static constexpr bool IsField = false;
};
template <class G>
using TGetterValue = typename TGetter<G>::Value;

template <class V>
concept SetValue = std::is_same_v<V, TSet<typename V::TMember, typename V::TStorage>>;
// Values whose text is made of member names, which the table is given.
template <class V>
concept NamedValue = std::is_enum_v<V> || SetValue<V>;

template <class V>
consteval TPropertyKind KindOf() {
  if constexpr (std::is_same_v<V, bool>) return pkBoolean;
  else if constexpr (std::is_same_v<V, int32_t>) return pkInteger;
  else if constexpr (std::is_same_v<V, uint32_t>) return pkCardinal;
  else if constexpr (std::is_same_v<V, int64_t>) return pkInt64;
  else if constexpr (std::is_same_v<V, float>) return pkSingle;
  else if constexpr (std::is_same_v<V, double>) return pkDouble;
  else if constexpr (std::is_same_v<V, std::string>) return pkString;
  else if constexpr (std::is_enum_v<V>) return pkEnumeration;
  else if constexpr (SetValue<V>) return pkSet;
  else static_assert(sizeof(V) == 0, "no property kind for this type");
}

template <class V>
std::string ValueToText(const V& AValue, std::span<const std::string_view> ANames) {
  if constexpr (std::is_same_v<V, bool>) return BooleanToText(AValue);
  else if constexpr (std::is_enum_v<V>) return std::string(EnumToText(int64_t(AValue), ANames));
  else if constexpr (SetValue<V>) return SetToText(AValue.Bits(), ANames);
  else if constexpr (std::is_integral_v<V>) return std::to_string(AValue);
  else if constexpr (std::is_floating_point_v<V>) return FloatToText(AValue);
  else return AValue;
}

template <class V>
V TextToValue(std::string_view AText, std::span<const std::string_view> ANames) {
  if constexpr (std::is_same_v<V, bool>) return TextToBoolean(AText);
  else if constexpr (std::is_enum_v<V>) return V(TextToEnum(AText, ANames));
  else if constexpr (SetValue<V>) return V::FromBits(typename V::TStorage(TextToSet(AText, ANames)));
  else if constexpr (std::is_integral_v<V>) return TextToInteger<V>(AText);
  else if constexpr (std::is_same_v<V, float>) return TextToSingle(AText);
  else if constexpr (std::is_same_v<V, double>) return TextToDouble(AText);
  else return V(AText);
}

// The object a getter of an object property gives: a member function returning a pointer, or a
// field holding the object in a unique_ptr.
template <class T, class G>
TPersistent* GetObjectOf(const T& AInstance, G AGetter) {
  const auto& value = std::invoke(AGetter, AInstance);
  if constexpr (requires { value.get(); })
    return value.get();
  else
    return value;
}

}  // namespace detail

// Builds the property table of class T (see the top of this header). Each call adds a property;
// Stored applies to the property added last.
template <class T>
class TPropertyTableBuilder {
 public:
  // A value property without a default: always written.
  template <class G, class S>
    requires(!detail::NamedValue<detail::TGetterValue<G>>)
  TPropertyTableBuilder& Property(std::string_view AName, G AGetter, S ASetter) {
    return AddValue<detail::TGetterValue<G>>(AName, AGetter, ASetter, {});
  }
  // A value property with a default.
  template <class G, class S>
    requires(!detail::NamedValue<detail::TGetterValue<G>>)
  TPropertyTableBuilder& Property(std::string_view AName, G AGetter, S ASetter,
                                  std::type_identity_t<detail::TGetterValue<G>> ADefault) {
    AddValue<detail::TGetterValue<G>>(AName, AGetter, ASetter, {});
    return WithDefault(AGetter, std::move(ADefault));
  }
  // An enumeration with its members' names, by value, and its default.
  template <class G, class S>
    requires std::is_enum_v<detail::TGetterValue<G>>
  TPropertyTableBuilder& Property(std::string_view AName, G AGetter, S ASetter,
                                  detail::TGetterValue<G> ADefault,
                                  std::span<const std::string_view> ANames) {
    AddValue<detail::TGetterValue<G>>(AName, AGetter, ASetter, ANames);
    return WithDefault(AGetter, ADefault);
  }
  // A set with its members' names, without a default: always written.
  template <class G, class S>
    requires detail::SetValue<detail::TGetterValue<G>>
  TPropertyTableBuilder& Property(std::string_view AName, G AGetter, S ASetter,
                                  std::span<const std::string_view> ANames) {
    return AddValue<detail::TGetterValue<G>>(AName, AGetter, ASetter, ANames);
  }

  // An object property read through AGetter: a const member function returning a pointer to a
  // TPersistent descendant, or a std::unique_ptr field holding one.
  template <class G>
  TPropertyTableBuilder& Object(std::string_view AName, G AGetter) {
    TPropertyInfo& info = Add(AName, pkObject);
    info.getObject_ = [AGetter](const TPersistent& AInstance) {
      return detail::GetObjectOf(Self(AInstance), AGetter);
    };
    return *this;
  }
  // An object property whose object InitDefaults creates, made as TSub(owner, owner's lock, a
  // procedure calling the owner's NotifyProp), and which the field frees with the owner.
  template <class TSub, class C>
    requires std::is_base_of_v<C, T>
  TPropertyTableBuilder& AutoManaged(std::string_view AName, std::unique_ptr<TSub> C::*AField) {
    Object(AName, AField);
    entries_.back().initAtConstruction_ = [AField](TPersistent& AInstance) {
      T& owner = Self(AInstance);
      owner.*AField = std::make_unique<TSub>(&owner, owner.GetLock(), [&owner] {
        owner.NotifyProp();
      });
    };
    return *this;
  }

  // An object property whose object InitDefaults makes with the owner maker that TSub's class
  // registered (RegisterManagedMakers, above), for classes not made as TSub(owner, lock, notify);
  // EAbstractError when the class registered none. The field frees the object with the owner.
  template <class TSub, class C>
    requires std::is_base_of_v<C, T>
  TPropertyTableBuilder& Managed(std::string_view AName, std::unique_ptr<TSub> C::*AField) {
    Object(AName, AField);
    entries_.back().initAtConstruction_ = [AField, AName](TPersistent& AInstance) {
      T& owner = Self(AInstance);
      TPersistent* made = MakeManaged(TSub::ClassRef, owner, AName, owner.GetLock());
      (owner.*AField).reset(static_cast<TSub*>(made));
    };
    return *this;
  }

  // The property added last is written only while APredicate holds (and, for a value, while it
  // differs from its default).
  TPropertyTableBuilder& Stored(bool (T::*APredicate)() const) {
    entries_.back().stored_ = [APredicate](const TPersistent& AInstance) {
      return (Self(AInstance).*APredicate)();
    };
    return *this;
  }

  operator TPropertyTable() const {
    TPropertyTable table;
    table.entries_ = entries_;
    return table;
  }

 private:
  // The instance as the class the table belongs to: tables are reached only through the
  // instance's own class reference or an ancestor's.
  static const T& Self(const TPersistent& AInstance) { return static_cast<const T&>(AInstance); }
  static T& Self(TPersistent& AInstance) { return static_cast<T&>(AInstance); }

  TPropertyInfo& Add(std::string_view AName, TPropertyKind AKind) {
    KELVRA_ASSERT(AName != "class");  // the key that names an item's class in the text form
    TPropertyInfo& info = entries_.emplace_back();
    info.name_ = AName;
    info.kind_ = AKind;
    return info;
  }

  template <class V, class G, class S>
  TPropertyTableBuilder& AddValue(std::string_view AName, G AGetter, S ASetter,
                                  std::span<const std::string_view> ANames) {
    TPropertyInfo& info = Add(AName, detail::KindOf<V>());
    info.enumNames_ = ANames;
    info.getText_ = [AGetter, ANames](const TPersistent& AInstance) {
      return detail::ValueToText<V>(std::invoke(AGetter, Self(AInstance)), ANames);
    };
    info.setText_ = [ASetter, ANames](TPersistent& AInstance, std::string_view AText) {
      std::invoke(ASetter, Self(AInstance), detail::TextToValue<V>(AText, ANames));
    };
    return *this;
  }

  template <class G, class V>
  TPropertyTableBuilder& WithDefault(G AGetter, V ADefault) {
    TPropertyInfo& info = entries_.back();
    info.defaultText_ = detail::ValueToText<V>(ADefault, info.enumNames_);
    if constexpr (detail::TGetter<G>::IsField)
      info.initAtConstruction_ = [AGetter, ADefault](TPersistent& AInstance) {
        Self(AInstance).*AGetter = ADefault;
      };
    return *this;
  }

  std::vector<TPropertyInfo> entries_;
};

}  // namespace kelvra
