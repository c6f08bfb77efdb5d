// The runtime's exception classes. Every error the libraries raise is an
// Exception (or a descendant) that carries its message text.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }

 private:
  std::string message_;
};

// Declares a descendant that only inherits the message constructor.
#define RTL_EXCEPTION(Name, Base) \
  class Name : public Base {      \
   public:                        \
    using Base::Base;             \
  }

// A silent exception: the default exception handler shows nothing for it.
RTL_EXCEPTION(EAbort, Exception);
RTL_EXCEPTION(EConvertError, Exception);
RTL_EXCEPTION(EListError, Exception);
RTL_EXCEPTION(EStringListError, Exception);
RTL_EXCEPTION(EInvalidOperation, Exception);
RTL_EXCEPTION(EInvalidCast, Exception);
RTL_EXCEPTION(EInvalidArgument, Exception);
RTL_EXCEPTION(EOutOfMemory, Exception);
RTL_EXCEPTION(EOSError, Exception);
RTL_EXCEPTION(EComponentError, Exception);
RTL_EXCEPTION(EClassNotFound, Exception);
RTL_EXCEPTION(EPropertyError, Exception);
RTL_EXCEPTION(EThread, Exception);
RTL_EXCEPTION(EStreamError, Exception);
RTL_EXCEPTION(EReadError, EStreamError);
RTL_EXCEPTION(EWriteError, EStreamError);
RTL_EXCEPTION(EFilerError, EStreamError);
RTL_EXCEPTION(EFOpenError, EStreamError);
RTL_EXCEPTION(EFCreateError, EStreamError);

// Raises EAbort: leaves the current operation without a message.
[[noreturn]] void Abort();
