// String formats: the text encodings of binary data (copy, hexadecimal,
// MIME base 64, UU and XX coding). A format is a class whose operations are
// all class-level; here each format class has one constant instance, and a
// pointer to it is the "class of TStringFormat" that the format list holds.
// Strings are byte strings.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "rtl/Exception.h"

RTL_EXCEPTION(EStringFormat, Exception);

// Format ids.
constexpr int fmtDEFAULT = -1;  // DefaultStringFormatId
constexpr int fmtNONE = 0;
constexpr int fmtCOPY = 1;
constexpr int fmtHEX = 16;
constexpr int fmtHEXL = 1016;
constexpr int fmtMIME64 = 4196;
constexpr int fmtUU = 21845;
constexpr int fmtXX = 22616;
constexpr int DefaultStringFormatId = fmtMIME64;

// The copy format and the root of the others.
class TStringFormat {
 public:
  virtual ~TStringFormat() = default;
  // The one instance of the class.
  static const TStringFormat* Class();

  // Text in this format to bytes; Len below 0 means up to the first zero byte.
  virtual std::string Parse(const char* Value, int64_t Len) const;
  // Bytes to text in this format.
  virtual std::string Render(const char* Value, int64_t Len) const;
  virtual std::string DisplayName() const;
  virtual int FormatId() const;
  virtual bool Accepts(const char* Value, int64_t Len, bool ForParse) const;
};
using TStringFormatClass = const TStringFormat*;

class TStringFormat_HEX : public TStringFormat {
 public:
  static const TStringFormat* Class();
  std::string Parse(const char* Value, int64_t Len) const override;
  std::string Render(const char* Value, int64_t Len) const override;
  std::string DisplayName() const override;
  int FormatId() const override;
  bool Accepts(const char* Value, int64_t Len, bool ForParse) const override;
  // The significant characters, then the ignorable ones.
  virtual const std::string& Alphabet() const;
};

class TStringFormat_HEXL : public TStringFormat_HEX {
 public:
  static const TStringFormat* Class();
  std::string DisplayName() const override;
  int FormatId() const override;
  const std::string& Alphabet() const override;
};

class TStringFormat_MIME64 : public TStringFormat_HEX {
 public:
  static const TStringFormat* Class();
  std::string Parse(const char* Value, int64_t Len) const override;
  std::string Render(const char* Value, int64_t Len) const override;
  std::string DisplayName() const override;
  int FormatId() const override;
  const std::string& Alphabet() const override;
};

class TStringFormat_UU : public TStringFormat {
 public:
  static const TStringFormat* Class();
  std::string Parse(const char* Value, int64_t Len) const override;
  std::string Render(const char* Value, int64_t Len) const override;
  std::string DisplayName() const override;
  int FormatId() const override;
  bool Accepts(const char* Value, int64_t Len, bool ForParse) const override;
  virtual const std::string& Alphabet() const;
};

class TStringFormat_XX : public TStringFormat_UU {
 public:
  static const TStringFormat* Class();
  std::string DisplayName() const override;
  int FormatId() const override;
  const std::string& Alphabet() const override;
};

// The registered class with that id (-1: the default), or null.
TStringFormatClass FindStringFormat(int Id);
// Registers each class in order; a class whose id is registered replaces the
// class registered under it.
void RegisterStringFormatClasses(std::initializer_list<TStringFormatClass> Classes);

// Bytes to text in format Id. Id 0 or no data: empty. Raises EStringFormat
// for an unknown id or input the format does not accept.
std::string BinaryToFormat(const void* Value, int64_t Len, int Id);
std::string BinaryToFormat(const std::string& Value, int Id);
// Text in format Id to bytes, with the same guards.
std::string FormatToBinary(const void* Value, int64_t Len, int Id);
std::string FormatToBinary(const std::string& Value, int Id);
