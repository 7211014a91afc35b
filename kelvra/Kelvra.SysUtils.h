// Exception hierarchy of the runtime. Every failure in Corvane is one of these, carrying the
// message text the system documents for it.
#pragma once

#include <exception>
#include <string>
#include <typeinfo>

namespace kelvra {

// The runtime's general exception; everything thrown by the libraries derives from it.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

#define KELVRA_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {                 \
   public:                                   \
    using Base::Base;                        \
  }

KELVRA_DECLARE_EXCEPTION(ERangeError, Exception);
KELVRA_DECLARE_EXCEPTION(EDivByZero, Exception);
KELVRA_DECLARE_EXCEPTION(EAssertionFailed, Exception);
KELVRA_DECLARE_EXCEPTION(EAbstractError, Exception);
KELVRA_DECLARE_EXCEPTION(EConvertError, Exception);
KELVRA_DECLARE_EXCEPTION(EInvalidCast, Exception);  // "Invalid class typecast"
KELVRA_DECLARE_EXCEPTION(EVariantError, Exception);  // "Invalid variant type conversion"
KELVRA_DECLARE_EXCEPTION(EStreamError, Exception);
KELVRA_DECLARE_EXCEPTION(EFOpenError, EStreamError);
KELVRA_DECLARE_EXCEPTION(EReadError, EStreamError);
KELVRA_DECLARE_EXCEPTION(EWriteError, EStreamError);

// The heap's out-of-memory error: memory that cannot be had, or a size no block can hold.
class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// Formats "Assertion failure (<unit>, line <line>)" and throws EAssertionFailed.
[[noreturn]] void AssertionFailed(const char* unit, int line);
// The same with the caller's own message in place of "Assertion failure".
[[noreturn]] void AssertionFailed(const char* unit, int line, const std::string& message);

// The class name of a type as its declaration spells it, without namespaces ("TKDRealBuffer").
std::string ClassName(const std::type_info& type);

}  // namespace kelvra

// Internal consistency check: raises EAssertionFailed naming this source unit and line.
#define KELVRA_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::kelvra::AssertionFailed(__FILE__, __LINE__))

namespace kelvra {

// The settings that number formatting follows. A default-constructed value holds the C locale's
// ("." as the decimal separator); callers that show numbers in another convention pass their own.
struct TFormatSettings {
  char DecimalSeparator = '.';
};

}  // namespace kelvra
