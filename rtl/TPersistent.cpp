#include "rtl/TPersistent.h"

#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TPersistent, TObject)

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignTo(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) {
  // Assign(nil) arrives here with this object as the target.
  std::string source = Dest ? ClassName() : std::string("nil");
  std::string target = Dest ? Dest->ClassName() : ClassName();
  throw EConvertError("Cannot assign a " + source + " to a " + target);
}

std::string TPersistent::GetNamePath() {
  std::string result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    std::string path = owner->GetNamePath();
    if (!path.empty()) result = path + "." + result;
  }
  return result;
}
