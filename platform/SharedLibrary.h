#pragma once
// A shared library opened when a road first needs it, rather than by the
// loader at start-up: web loading (and its TLS stack), JPEG-2000 and colour
// management each pull in libraries that most sessions never touch, and
// every library mapped at start-up costs the program's first window time.
// The functions are bound by name into pointers typed from the library's own
// header, so a changed signature still fails to compile.

#include <initializer_list>
#include <string>

class TSharedLibrary {
 public:
  // Opens the first of Names (sonames such as "libcurl.so.4") that loads;
  // on failure Loaded() is false and Error() tells why.
  explicit TSharedLibrary(std::initializer_list<const char*> Names);
  ~TSharedLibrary();
  TSharedLibrary(const TSharedLibrary&) = delete;
  TSharedLibrary& operator=(const TSharedLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Error() const { return error_; }

  // Binds Function to the library's Symbol; false (and Function null) when
  // the library is not loaded or lacks the symbol.
  template <typename F>
  bool Bind(F*& Function, const char* Symbol) {
    Function = reinterpret_cast<F*>(Find(Symbol));
    return Function != nullptr;
  }

 private:
  void* Find(const char* Symbol);

  void* handle_ = nullptr;
  std::string error_;
};
