#include "crypto/TStringFormat.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct FormatList {
  std::mutex lock;
  std::vector<TStringFormatClass> classes;
};

FormatList& Formats() {
  static FormatList list;
  return list;
}

int64_t LengthOf(const char* Value, int64_t Len) {
  if (Len < 0) return static_cast<int64_t>(std::strlen(Value));
  return Len;
}

}  // namespace

const TStringFormat* TStringFormat::Class() {
  static const TStringFormat instance;
  return &instance;
}
std::string TStringFormat::Parse(const char* Value, int64_t Len) const {
  if (!Value) return {};
  return std::string(Value, static_cast<size_t>(LengthOf(Value, Len)));
}
std::string TStringFormat::Render(const char* Value, int64_t Len) const { return Parse(Value, Len); }
std::string TStringFormat::DisplayName() const { return "copy Input to Output"; }
int TStringFormat::FormatId() const { return fmtCOPY; }
bool TStringFormat::Accepts(const char*, int64_t, bool) const { return true; }

void RegisterStringFormatClasses(std::initializer_list<TStringFormatClass> Classes) {
  FormatList& list = Formats();
  std::lock_guard g(list.lock);
  for (TStringFormatClass c : Classes) {
    if (!c || c->FormatId() == -1) continue;
    bool replaced = false;
    for (TStringFormatClass& r : list.classes)
      if (r->FormatId() == c->FormatId()) {
        r = c;
        replaced = true;
        break;
      }
    if (!replaced) list.classes.push_back(c);
  }
}

TStringFormatClass FindStringFormat(int Id) {
  static std::once_flag standard;
  std::call_once(standard, [] { RegisterStringFormatClasses({TStringFormat::Class()}); });
  if (Id == -1) Id = DefaultStringFormatId;
  FormatList& list = Formats();
  std::lock_guard g(list.lock);
  for (TStringFormatClass c : list.classes)
    if (c->FormatId() == Id) return c;
  return nullptr;
}

namespace {
TStringFormatClass FormatOrRaise(int Id) {
  TStringFormatClass f = FindStringFormat(Id);
  if (!f) throw EStringFormat("String Format \"" + std::to_string(Id) + "\" not exists.");
  return f;
}
}  // namespace

std::string BinaryToFormat(const void* Value, int64_t Len, int Id) {
  if (!Value || Id == 0) return {};
  const char* v = static_cast<const char*>(Value);
  Len = LengthOf(v, Len);
  if (Len <= 0) return {};
  TStringFormatClass f = FormatOrRaise(Id);
  if (!f->Accepts(v, Len, false))
    throw EStringFormat("Input can not be convert to " + f->DisplayName() + " Format.");
  return f->Render(v, Len);
}

std::string BinaryToFormat(const std::string& Value, int Id) {
  return BinaryToFormat(Value.data(), static_cast<int64_t>(Value.size()), Id);
}

std::string FormatToBinary(const void* Value, int64_t Len, int Id) {
  if (!Value || Id == 0) return {};
  const char* v = static_cast<const char*>(Value);
  Len = LengthOf(v, Len);
  if (Len <= 0) return {};
  TStringFormatClass f = FormatOrRaise(Id);
  if (!f->Accepts(v, Len, true))
    throw EStringFormat("Input is not an valid " + f->DisplayName() + " Format.");
  return f->Parse(v, Len);
}

std::string FormatToBinary(const std::string& Value, int Id) {
  return FormatToBinary(Value.data(), static_cast<int64_t>(Value.size()), Id);
}
