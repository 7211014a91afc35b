// The pin framework's notify operations: the objects that a source pin hands to every connected
// sink, carrying data or control. An operation class is identified by a class reference, which
// makes operations of the class and tells whether an operation is of it or of a descendant.
#pragma once

#include <string>
#include <type_traits>
#include <typeinfo>

#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace pinweave {

class TPNNotifyOperation;

// A class of operations: its name, a factory of operations of it (null for a class whose
// operations need values at construction) and the test "is this operation of the class or of a
// descendant".
struct TPNNotifyOperationClass {
  std::string Name;
  TPNNotifyOperation* (*Make)();
  bool (*Includes)(const TPNNotifyOperation* AOperation);
};

class IPNNotifyOperation : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{6A3E1C52-94D0-4B7E-8F21-3C5D7A90B146}");
  virtual TPNNotifyOperation* GetInstance() = 0;
  // True when the operation is of AClass or of a class derived from it.
  virtual bool IsType(const TPNNotifyOperationClass& AClass) = 0;
};

class TPNNotifyOperation : public kelvra::TInterfacedObject, public virtual IPNNotifyOperation {
 public:
  // The class reference of T, made once.
  template <class T>
  static const TPNNotifyOperationClass& ClassOf() {
    static const TPNNotifyOperationClass cls{
        kelvra::ClassName(typeid(T)),
        std::is_default_constructible_v<T> ? &MakeOperation<T> : nullptr,
        [](const TPNNotifyOperation* operation) {
          return dynamic_cast<const T*>(operation) != nullptr;
        }};
    return cls;
  }

  // A new operation of AClass; EAbstractError for a class that needs construction values.
  static kelvra::TIntf<IPNNotifyOperation> Create(const TPNNotifyOperationClass& AClass);

  TPNNotifyOperation* GetInstance() override { return this; }
  bool IsType(const TPNNotifyOperationClass& AClass) override { return AClass.Includes(this); }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNNotifyOperation, IPNNotifyOperation>(this, iid, out);
  }

 protected:
  TPNNotifyOperation() = default;
  ~TPNNotifyOperation() override = default;

 private:
  template <class T>
  static TPNNotifyOperation* MakeOperation() {
    if constexpr (std::is_default_constructible_v<T>) return new T();
    return nullptr;
  }
};

}  // namespace pinweave
