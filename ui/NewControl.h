#pragma once

#include <cstdint>
#include <string>

#include "ui/TControl.h"

// Forms built in code create their controls the same way: owned by the form
// (which frees them), named, put on a parent, then placed and captioned.
// Each step runs in that order, so creating controls one after the other
// keeps their z-order and tab order in creation order.

template <class T>
T* NewControl(TComponent* owner, const std::string& name, TWinControl* parent) {
  T* c = new T(owner);
  c->SetName(name);
  c->SetParent(parent);
  return c;
}

template <class T>
T* NewControl(TComponent* owner, const std::string& name, TWinControl* parent, int32_t left, int32_t top,
              int32_t width, int32_t height) {
  T* c = NewControl<T>(owner, name, parent);
  c->SetBounds(left, top, width, height);
  return c;
}

template <class T>
T* NewControl(TComponent* owner, const std::string& name, TWinControl* parent, int32_t left, int32_t top,
              int32_t width, int32_t height, const std::string& caption) {
  T* c = NewControl<T>(owner, name, parent, left, top, width, height);
  c->SetCaption(caption);
  return c;
}
