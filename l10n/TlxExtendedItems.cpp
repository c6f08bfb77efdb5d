#include "l10n/TlxExtendedItems.h"

#include "l10n/LangUtils.h"
#include "l10n/TlxCustomLang.h"
#include "rtl/StrUtils.h"

const TTypeInfo* TypeKindTypeInfo() {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Kind = tkEnumeration;
    t.Name = "TTypeKind";
    for (int k = tkUnknown; k <= tkDynArray; ++k)
      t.EnumNames.emplace_back(TypeKindName(static_cast<TTypeKind>(k)));
    return t;
  }();
  return &info;
}

RTL_DEFINE_CLASS(TlxExtendedItem, TCollectionItem, Published("IsRoot", &TlxExtendedItem::IsRoot),
                 Published("Identifier", &TlxExtendedItem::Identifier,
                           &TlxExtendedItem::SetIdentifier),
                 Published("PropertyType", &TlxExtendedItem::PropertyType,
                           &TlxExtendedItem::SetPropertyType, TypeKindTypeInfo()),
                 Published("Values", &TlxExtendedItem::Values, &TlxExtendedItem::SetValues))
RTL_DEFINE_CLASS(TlxExtendedItems, TCollection)

TlxCustomLang* TlxExtendedItem::Lang() const {
  return Collection() ? dynamic_cast<TlxCustomLang*>(Collection()->Owner()) : nullptr;
}

bool TlxExtendedItem::IsRoot() const {
  TlxCustomLang* lang = Lang();
  return lang && lang->Owner() && StartsText(lang->Owner()->ClassName() + ".", identifier_);
}

std::string TlxExtendedItem::Identifier() const {
  if (!bound_) return identifier_;
  TlxCustomLang* lang = Lang();
  const std::string head = lang && bound_ == lang->Owner() ? bound_->ClassName() : bound_->Name();
  size_t dot = identifier_.find('.');
  return dot == std::string::npos ? identifier_ : head + identifier_.substr(dot);
}

std::string TlxExtendedItem::DisplayName() const {
  std::string id = Identifier();
  return id.empty() ? TCollectionItem::DisplayName() : id;
}

void TlxExtendedItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TlxExtendedItem*>(Source)) {
    identifier_ = s->identifier_;
    values_ = s->values_;
    property_type_ = s->property_type_;
    return;
  }
  TCollectionItem::Assign(Source);
}

TlxExtendedItem* TlxExtendedItems::Find(const std::string& Identifier) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Identifier(), Identifier)) return Items(i);
  return nullptr;
}
