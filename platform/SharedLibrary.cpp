#include "platform/SharedLibrary.h"

#include <dlfcn.h>

TSharedLibrary::TSharedLibrary(std::initializer_list<const char*> Names) {
  for (const char* name : Names) {
    // Local: the library's names never stand in for another's; now: a
    // missing symbol shows at the load, not in the middle of a road.
    handle_ = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle_) return;
    const char* why = ::dlerror();
    if (!error_.empty()) error_ += "; ";
    error_ += why ? why : name;
  }
}

TSharedLibrary::~TSharedLibrary() {
  // Libraries stay mapped for the process's life: their own threads and
  // exit handlers (a TLS stack's) may still point into them.
  handle_ = nullptr;
}

void* TSharedLibrary::Find(const char* Symbol) {
  if (!handle_) return nullptr;
  void* p = ::dlsym(handle_, Symbol);
  if (!p && error_.empty()) error_ = std::string("missing symbol ") + Symbol;
  return p;
}
