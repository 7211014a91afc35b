// The pin framework's notify operations: the objects that a source pin hands to every connected
// sink, carrying data or control. An operation class is identified by its class reference
// (kelvra::TClassRef), which makes operations of the class and tells whether an operation is of
// it or of a descendant. Each operation class declares its reference and returns it from
// ClassType:
//
//   class TPNStartOperation : public TPNNotifyOperation {
//    public:
//     static const kelvra::TClassRef ClassRef;
//     const kelvra::TClassRef& ClassType() const override { return ClassRef; }
//   };
//   inline constexpr kelvra::TClassRef TPNStartOperation::ClassRef =
//       kelvra::ClassRefOf<TPNStartOperation, TPNNotifyOperation>("TPNStartOperation");
//
// A class whose operations need values at construction has no factory: Create raises
// EAbstractError for it. Operations are immutable once handed on and may be read from any thread.
#pragma once

#include <concepts>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Types.h"

namespace pinweave {

class TPNNotifyOperation;

class IPNNotifyOperation : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{6A3E1C52-94D0-4B7E-8F21-3C5D7A90B146}");
  virtual TPNNotifyOperation* GetInstance() = 0;
  // True when the operation is of AClass or of a class derived from it.
  virtual bool IsType(const kelvra::TClassRef& AClass) = 0;
};

class TPNNotifyOperation : public kelvra::TInterfacedObject, public virtual IPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  virtual const kelvra::TClassRef& ClassType() const { return ClassRef; }

  // A new operation of AClass; EAbstractError for a class that needs construction values.
  static kelvra::TIntf<IPNNotifyOperation> Create(const kelvra::TClassRef& AClass);
  // How a class reference makes an operation: with no values.
  template <std::default_initializable T>
  static TPNNotifyOperation* MakeInstance() {
    return new T();
  }

  TPNNotifyOperation* GetInstance() override { return this; }
  bool IsType(const kelvra::TClassRef& AClass) override { return ClassType().InheritsFrom(AClass); }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNNotifyOperation, IPNNotifyOperation>(this, iid, out);
  }

 protected:
  TPNNotifyOperation() = default;
  ~TPNNotifyOperation() override = default;
};

inline constexpr kelvra::TClassRef TPNNotifyOperation::ClassRef =
    kelvra::ClassRefOf<TPNNotifyOperation>("TPNNotifyOperation");

}  // namespace pinweave
