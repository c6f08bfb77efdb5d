// Objects that can copy their state from one another (Assign) and that know
// their place in a naming path (for the streaming and translation code).
#pragma once

#include <string>

#include "rtl/TObject.h"

class TPersistent : public TObject {
  RTL_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object. The base asks Source to AssignTo this;
  // when neither side knows the other, EConvertError is raised.
  virtual void Assign(TPersistent* Source);
  // The object this one belongs to, for GetNamePath; null in the base.
  virtual TPersistent* GetOwner() { return nullptr; }
  // Dotted path of this object, e.g. "Form1.Panel1.Font".
  virtual std::string GetNamePath();

 protected:
  virtual void AssignTo(TPersistent* Dest);
};
