// Extended translations: any published property reached by a dotted path
// from the window or one of its components, with one value per language.
#pragma once

#include <string>

#include "rtl/TCollection.h"
#include "rtl/TypInfo.h"

class TComponent;
class TlxCustomLang;

class TlxExtendedItem : public TCollectionItem {
  RTL_CLASS(TlxExtendedItem, TCollectionItem)
 public:
  explicit TlxExtendedItem(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}

  // The identifier begins with the window's class name and ".".
  bool IsRoot() const;
  // The path; with a bound component its current name leads it.
  std::string Identifier() const;
  void SetIdentifier(const std::string& Value) { identifier_ = Value; }
  // The stored identifier, as given.
  const std::string& RawIdentifier() const { return identifier_; }
  int32_t PropertyType() const { return property_type_; }
  void SetPropertyType(int32_t Value) { property_type_ = Value; }
  // Texts of languages 1 .. N, each followed by the language delimiter.
  const std::string& Values() const { return values_; }
  void SetValues(const std::string& Value) { values_ = Value; }
  TComponent* BoundComponent() const { return bound_; }
  void SetBoundComponent(TComponent* Value) { bound_ = Value; }

  std::string DisplayName() const override;
  void Assign(TPersistent* Source) override;

 private:
  TlxCustomLang* Lang() const;
  std::string identifier_;
  int32_t property_type_ = tkUnknown;
  std::string values_;
  TComponent* bound_ = nullptr;
};

class TlxExtendedItems : public TCollection {
  RTL_CLASS(TlxExtendedItems, TCollection)
 public:
  explicit TlxExtendedItems(TPersistent* Owner)
      : TCollection(TlxExtendedItem::StaticClass(), Owner) {}
  TlxExtendedItem* Items(int Index) const {
    return static_cast<TlxExtendedItem*>(TCollection::Items(Index));
  }
  TlxExtendedItem* Add() { return static_cast<TlxExtendedItem*>(TCollection::Add()); }
  // Identifiers compared ignoring case; null when absent.
  TlxExtendedItem* Find(const std::string& Identifier) const;
};

// The type information of a property holding a TTypeKind.
const TTypeInfo* TypeKindTypeInfo();
