#include "rtl/TypInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/FormatSettings.h"
#include "rtl/TCollection.h"
#include "rtl/TComponent.h"
#include "rtl/TStrings.h"

namespace {
// A small window-like hierarchy: a panel with a nested font, a string list,
// a collection, a reference to another component, an enumeration and a set;
// a form that owns panels and redeclares one property.
RTL_ENUM(TFixAlign, faNone, faLeft, faRight);
RTL_ENUM(TFixFontStyle, fxBold, fxItalic, fxUnderline);
using TFixFontStyles = TSet<TFixFontStyle, 3>;
RTL_SET(TFixFontStyles);

const TTypeInfo* TFixColorInfo() {
  static const TTypeInfo info{tkInteger, "TFixColor", {},
                              nullptr,   nullptr,     {{0x0000FF, "clRed"}, {0xFFFFFF, "clWhite"}}};
  return &info;
}

class TFixFont : public TPersistent {
  RTL_CLASS(TFixFont, TPersistent)
 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int32_t Size() const { return size_; }
  void SetSize(int32_t v) { size_ = v; }
  TFixFontStyles Style() const { return style_; }
  void SetStyle(TFixFontStyles v) { style_ = v; }
  int32_t Color() const { return color_; }
  void SetColor(int32_t v) { color_ = v; }
  void Assign(TPersistent* Source) override {
    if (auto* f = dynamic_cast<TFixFont*>(Source)) {
      name_ = f->name_;
      size_ = f->size_;
      style_ = f->style_;
      color_ = f->color_;
      return;
    }
    TPersistent::Assign(Source);
  }

 private:
  std::string name_ = "Tahoma";
  int32_t size_ = 8;
  TFixFontStyles style_;
  int32_t color_ = 0;
};
RTL_DEFINE_CLASS(TFixFont, TPersistent, Published("Name", &TFixFont::Name, &TFixFont::SetName),
                 Published("Size", &TFixFont::Size, &TFixFont::SetSize),
                 Published("Style", &TFixFont::Style, &TFixFont::SetStyle),
                 Published("Color", &TFixFont::Color, &TFixFont::SetColor, TFixColorInfo()))

class TFixItem : public TCollectionItem {
  RTL_CLASS(TFixItem, TCollectionItem)
 public:
  explicit TFixItem(TCollection* Collection) : TCollectionItem(Collection) {}
  ~TFixItem() override { font_->Free(); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  TFixFont* Font() const { return font_; }
  void SetFont(TFixFont* v) { font_->Assign(v); }

 private:
  std::string caption_;
  TFixFont* font_ = new TFixFont;
};
RTL_DEFINE_CLASS(TFixItem, TCollectionItem,
                 Published("Caption", &TFixItem::Caption, &TFixItem::SetCaption),
                 Published("Font", &TFixItem::Font, &TFixItem::SetFont))

class TFixPanel : public TComponent {
  RTL_CLASS(TFixPanel, TComponent)
 public:
  explicit TFixPanel(TComponent* AOwner) : TComponent(AOwner) {}
  ~TFixPanel() override {
    font_->Free();
    lines_->Free();
    delete items_;
  }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  TFixFont* Font() const { return font_; }
  void SetFont(TFixFont* v) { font_->Assign(v); }
  TStrings* Lines() const { return lines_; }
  void SetLines(TStrings* v) { lines_->Assign(v); }
  TCollection* Items() const { return items_; }
  void SetItems(TCollection* v) { items_->Assign(v); }
  TComponent* Buddy() const { return buddy_; }
  void SetBuddy(TComponent* v) {
    buddy_ = v;
    if (v) v->FreeNotification(this);
  }
  TFixAlign Align() const { return align_; }
  void SetAlign(TFixAlign v) { align_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  int64_t Big() const { return big_; }
  void SetBig(int64_t v) { big_ = v; }
  char Accel() const { return accel_; }
  void SetAccel(char v) { accel_ = v; }
  uint16_t Level() const { return level_; }
  void SetLevel(uint16_t v) { level_ = v; }
  int32_t LineCount() const { return lines_->Count(); }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == buddy_) buddy_ = nullptr;
  }

 private:
  std::string caption_;
  TFixFont* font_ = new TFixFont;
  TStringList* lines_ = new TStringList;
  TCollection* items_ = new TCollection(TFixItem::StaticClass(), this);
  TComponent* buddy_ = nullptr;
  TFixAlign align_ = faNone;
  bool visible_ = true;
  double ratio_ = 1;
  int64_t big_ = 0;
  char accel_ = 'a';
  uint16_t level_ = 0;
};
RTL_DEFINE_CLASS(TFixPanel, TComponent,
                 Published("Caption", &TFixPanel::Caption, &TFixPanel::SetCaption),
                 Published("Font", &TFixPanel::Font, &TFixPanel::SetFont),
                 Published("Lines", &TFixPanel::Lines, &TFixPanel::SetLines),
                 Published("Items", &TFixPanel::Items, &TFixPanel::SetItems),
                 Published("Buddy", &TFixPanel::Buddy, &TFixPanel::SetBuddy),
                 Published("Align", &TFixPanel::Align, &TFixPanel::SetAlign),
                 Published("Visible", &TFixPanel::Visible, &TFixPanel::SetVisible),
                 Published("Ratio", &TFixPanel::Ratio, &TFixPanel::SetRatio),
                 Published("Big", &TFixPanel::Big, &TFixPanel::SetBig),
                 Published("Accel", &TFixPanel::Accel, &TFixPanel::SetAccel),
                 Published("Level", &TFixPanel::Level, &TFixPanel::SetLevel),
                 Published("LineCount", &TFixPanel::LineCount))

// Redeclares Caption (as a read-only property) and adds Hint.
class TFixForm : public TFixPanel {
  RTL_CLASS(TFixForm, TFixPanel)
 public:
  explicit TFixForm(TComponent* AOwner) : TFixPanel(AOwner) {}
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }

 private:
  std::string hint_;
};
RTL_DEFINE_CLASS(TFixForm, TFixPanel, Published("Hint", &TFixForm::Hint, &TFixForm::SetHint),
                 Published("Caption", &TFixPanel::Caption))

struct Fixture {
  Fixture() {
    form->SetName("Form1");
    panel->SetName("Panel1");
    other->SetName("Other");
    for (const char* c : {"zero", "one", "two"})
      static_cast<TFixItem*>(panel->Items()->Add())->SetCaption(c);
    panel->Lines()->SetCommaText("a,b,c");
  }
  TOwned<TFixForm> form{new TFixForm(nullptr)};
  TFixPanel* panel = new TFixPanel(form.get());
  TFixPanel* other = new TFixPanel(form.get());
};

std::vector<std::string> Names(const std::vector<const TPropInfo*>& list) {
  std::vector<std::string> out;
  for (auto* p : list) out.push_back(p->Name);
  return out;
}
}  // namespace

TEST(TypInfo, KindNamesInTheStoredOrder) {
  const char* names[] = {"tkUnknown",   "tkInteger", "tkChar",    "tkEnumeration", "tkFloat",
                         "tkString",    "tkSet",     "tkClass",   "tkMethod",      "tkWChar",
                         "tkLString",   "tkWString", "tkVariant", "tkArray",       "tkRecord",
                         "tkInterface", "tkInt64",   "tkDynArray"};
  for (int k = 0; k < 18; ++k) {
    EXPECT_EQ(TypeKindName(static_cast<TTypeKind>(k)), names[k]);
    EXPECT_EQ(StringToTypeKind(names[k]), k);
  }
  EXPECT_EQ(tkLString, 10);
  EXPECT_EQ(tkDynArray, 17);
  EXPECT_EQ(StringToTypeKind("tkNothing"), -1);
  EXPECT_EQ(StringToTypeKind("tklstring"), -1);
  EXPECT_FALSE(tkProperties.Contains(tkMethod));
  EXPECT_FALSE(tkProperties.Contains(tkUnknown));
  EXPECT_TRUE(tkProperties.Contains(tkClass));
}

TEST(TypInfo, PropertyListsFollowTheClassChain) {
  TClass form = TFixForm::StaticClass();
  // Sorted by name, inherited ones included, the redeclared Caption once.
  EXPECT_EQ(Names(GetPropList(form)),
            (std::vector<std::string>{"Accel", "Align", "Big", "Buddy", "Caption", "Font", "Hint",
                                      "Items", "Level", "LineCount", "Lines", "Name", "Ratio",
                                      "Tag", "Visible"}));
  EXPECT_EQ(Names(GetPropList(TFixFont::StaticClass(), tkAny, false)),
            (std::vector<std::string>{"Name", "Size", "Style", "Color"}));
  EXPECT_EQ(Names(GetPropList(form, TTypeKinds{tkClass})),
            (std::vector<std::string>{"Buddy", "Font", "Items", "Lines"}));
  EXPECT_TRUE(GetPropList(TObject::StaticClass()).empty());

  struct Expect {
    const char* name;
    TTypeKind kind;
    const char* type;
  };
  const Expect table[] = {
      {"Name", tkLString, "TComponentName"},
      {"Tag", tkInteger, "Integer"},
      {"Caption", tkLString, "string"},
      {"Font", tkClass, "TFixFont"},
      {"Lines", tkClass, "TStrings"},
      {"Items", tkClass, "TCollection"},
      {"Buddy", tkClass, "TComponent"},
      {"Align", tkEnumeration, "TFixAlign"},
      {"Visible", tkEnumeration, "Boolean"},
      {"Ratio", tkFloat, "Double"},
      {"Big", tkInt64, "Int64"},
      {"Accel", tkChar, "Char"},
      {"Level", tkInteger, "Word"},
      {"LineCount", tkInteger, "Integer"},
  };
  for (const auto& e : table) {
    const TPropInfo* p = GetPropInfo(form, e.name);
    ASSERT_NE(p, nullptr) << e.name;
    EXPECT_EQ(p->Kind(), e.kind) << e.name;
    EXPECT_EQ(p->PropType->TypeName(), e.type) << e.name;
  }
  EXPECT_EQ(GetPropInfo(form, "caption"), GetPropInfo(form, "CAPTION"));  // names ignore case
  EXPECT_FALSE(GetPropInfo(form, "Caption")->Writable());  // the form's redeclaration
  EXPECT_TRUE(GetPropInfo(TFixPanel::StaticClass(), "Caption")->Writable());
  EXPECT_EQ(GetPropInfo(form, "Nothing"), nullptr);
  EXPECT_EQ(GetPropInfo(TFixFont::StaticClass(), "Style")->PropType->TypeName(), "TFixFontStyles");
  EXPECT_EQ(GetPropInfo(form, "Lines")->PropType->ClassType(), TStrings::StaticClass());
}

TEST(TypInfo, TextByPathThroughComponentsObjectsAndCollections) {
  Fixture f;
  TObject* root = f.form.get();
  SetPropPathText(root, "Panel1.Font.Name", "Verdana");
  EXPECT_EQ(f.panel->Font()->Name(), "Verdana");
  SetPropPathText(root, "Panel1.Font.Size", "12");
  EXPECT_EQ(GetPropPathText(root, "Panel1.Font.Size"), "12");
  SetPropPathText(root, "Panel1.Font.Style", "[fxBold, fxUnderline]");
  EXPECT_EQ(f.panel->Font()->Style(), (TFixFontStyles{fxBold, fxUnderline}));
  EXPECT_EQ(GetPropPathText(root, "Panel1.Font.Style"), "fxBold,fxUnderline");
  SetPropPathText(root, "Panel1.Font.Style", "fxItalic");
  EXPECT_EQ(GetSetProp(f.panel->Font(), GetPropInfo(f.panel->Font(), "Style"), true), "[fxItalic]");
  SetPropPathText(root, "Panel1.Font.Style", "[]");
  EXPECT_TRUE(f.panel->Font()->Style().Empty());
  SetPropPathText(root, "Panel1.Font.Color", "clRed");  // an integer by constant name
  EXPECT_EQ(f.panel->Font()->Color(), 255);
  EXPECT_EQ(GetPropPathText(root, "Panel1.Font.Color"), "255");
  SetPropPathText(root, "Panel1.Align", "faright");
  EXPECT_EQ(f.panel->Align(), faRight);
  EXPECT_EQ(GetPropPathText(root, "Panel1.Align"), "faRight");
  SetPropPathText(root, "Panel1.Visible", "False");
  EXPECT_FALSE(f.panel->Visible());
  SetPropPathText(root, "Panel1.Ratio", "2.5");
  EXPECT_EQ(GetPropPathText(root, "Panel1.Ratio"), "2.5");
  // Numbers follow the user's decimal separator.
  FormatSettings.DecimalSeparator = ',';
  SetPropPathText(root, "Panel1.Ratio", "0,25");
  EXPECT_EQ(f.panel->Ratio(), 0.25);
  EXPECT_EQ(GetPropPathText(root, "Panel1.Ratio"), "0,25");
  FormatSettings.DecimalSeparator = '.';
  SetPropPathText(root, "Panel1.Big", "-9000000000");
  EXPECT_EQ(f.panel->Big(), -9000000000LL);
  SetPropPathText(root, "Panel1.Accel", "x");
  EXPECT_EQ(GetPropPathText(root, "Panel1.Accel"), "x");
  SetPropPathText(root, "Panel1.Level", "70000");  // a Word keeps its low 16 bits
  EXPECT_EQ(f.panel->Level(), 70000 - 65536);

  // Collections by index, and objects inside their items.
  SetPropPathText(root, "Panel1.Items[2].Caption", "TWO");
  EXPECT_EQ(static_cast<TFixItem*>(f.panel->Items()->Items(2))->Caption(), "TWO");
  SetPropPathText(root, "Panel1.Items[0].Font.Size", "10");
  EXPECT_EQ(static_cast<TFixItem*>(f.panel->Items()->Items(0))->Font()->Size(), 10);
  // From the panel itself, and on the root's own properties.
  EXPECT_EQ(GetPropPathText(f.panel, "Items[1].Caption"), "one");
  // Read-only on the form, though writable on its ancestor.
  EXPECT_THROW(SetPropPathText(root, "Caption", "x"), EPropertyError);
  EXPECT_EQ(f.form->Caption(), "");
  SetPropPathText(root, "Hint", "tip");
  EXPECT_EQ(f.form->Hint(), "tip");
  EXPECT_EQ(GetPropPathText(root, "Other.Name"), "Other");
}

TEST(TypInfo, StringListsAsCommaTextUpdatedInPlace) {
  Fixture f;
  TStringList* lines = static_cast<TStringList*>(f.panel->Lines());
  TObject marker;
  lines->SetObjects(0, &marker);
  int changes = 0;
  lines->OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(GetPropPathText(f.form.get(), "Panel1.Lines"), "a,b,c");
  SetPropPathText(f.form.get(), "Panel1.Lines", "a,\"b b\"");
  EXPECT_EQ(lines->CommaText(), "a,\"b b\"");
  EXPECT_EQ(lines->Objects(0), &marker);  // the unchanged line kept its object
  EXPECT_EQ(changes, 1);                  // one notice for the whole update
  SetPropPathText(f.form.get(), "Panel1.Lines", "a,\"b b\",x,y");
  EXPECT_EQ(lines->Count(), 4);
  EXPECT_EQ(f.panel->LineCount(), 4);
}

TEST(TypInfo, ObjectPropertiesAndComponentReferences) {
  Fixture f;
  const TPropInfo* font = GetPropInfo(f.panel, "Font");
  const TPropInfo* buddy = GetPropInfo(f.panel, "Buddy");
  TFixFont replacement;
  replacement.SetName("Arial");
  SetObjectProp(f.panel, font, &replacement);
  EXPECT_EQ(GetObjectProp(f.panel, font), f.panel->Font());  // assigned, not replaced
  EXPECT_EQ(f.panel->Font()->Name(), "Arial");
  EXPECT_THROW(SetObjectProp(f.panel, font, f.other), EPropertyError);  // wrong class

  auto* target = new TFixPanel(nullptr);
  SetObjectProp(f.panel, buddy, target);
  EXPECT_EQ(GetPropValue(f.panel, "Buddy").AsObject(), target);
  target->Free();  // the reference is dropped through the free notification
  EXPECT_EQ(GetObjectProp(f.panel, buddy), nullptr);
  SetPropValue(f.panel, "Buddy", nullptr);

  EXPECT_EQ(FindPathObject(f.form.get(), "Panel1.Font"), f.panel->Font());
  EXPECT_EQ(FindPathObject(f.form.get(), "Panel1.Items[1]"), f.panel->Items()->Items(1));
  EXPECT_EQ(FindPathObject(f.form.get(), "Other"), f.other);
  // The naming path of a collection item goes through the owner's property.
  EXPECT_EQ(f.panel->Items()->PropName(), "Items");
  EXPECT_EQ(f.panel->Items()->Items(1)->GetNamePath(), "Panel1.Items[1]");
}

TEST(TypInfo, BadPathsAndValuesChangeNothing) {
  Fixture f;
  TObject* root = f.form.get();
  for (const char* path :
       {"Nothing.Caption", "Panel1.Nothing", "Panel1.Font.Nothing", "Panel1.Items[3].Caption",
        "Panel1.Items[-1].Caption", "Panel1.Items[x].Caption", "Panel1.Items[1.Caption",
        "Panel1.Caption[0].Name", "Panel1.Buddy.Name", "", "."}) {
    EXPECT_FALSE(FindPropPath(root, path)) << path;
    EXPECT_THROW(SetPropPathText(root, path, "1"), EPropertyError) << path;
  }
  try {
    SetPropPathText(root, "Panel1.Nothing", "x");
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Property Panel1.Nothing does not exist");
  }
  EXPECT_THROW(SetPropPathText(root, "Panel1.Font.Size", "12pt"), EConvertError);
  EXPECT_EQ(f.panel->Font()->Size(), 8);
  try {
    SetPropPathText(root, "Panel1.Align", "faUp");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Invalid property element: faUp");
  }
  EXPECT_THROW(SetPropPathText(root, "Panel1.Font.Style", "fxBold,fxShadow"), EPropertyError);
  EXPECT_TRUE(f.panel->Font()->Style().Empty());
  EXPECT_THROW(SetPropPathText(root, "Panel1.Ratio", "abc"), EConvertError);
  EXPECT_THROW(SetPropPathText(root, "Panel1.Font", "Arial"), EPropertyError);
  EXPECT_THROW(SetPropPathText(root, "Panel1.LineCount", "3"), EPropertyError);  // read-only
  // Ordinals outside an enumeration or set are refused, not stored.
  EXPECT_THROW(SetOrdProp(f.panel, GetPropInfo(f.panel, "Align"), 3), EPropertyError);
  EXPECT_THROW(SetOrdProp(f.panel->Font(), GetPropInfo(f.panel->Font(), "Style"), 8),
               EPropertyError);
  EXPECT_THROW(SetPropValue(f.panel, "Caption", TValue(int64_t{1})), EPropertyError);
  EXPECT_THROW(GetStrProp(f.panel, GetPropInfo(f.panel, "Align")), EPropertyError);
  EXPECT_EQ(f.panel->Align(), faNone);
  // A property of another class's instance is refused too.
  EXPECT_THROW(GetPropValue(f.panel->Font(), GetPropInfo(f.panel, "Caption")), EPropertyError);
}

TEST(TypInfo, EnumerationAndSetNames) {
  const TTypeInfo* align = TypeInfoFor<TFixAlign>();
  EXPECT_EQ(align->EnumNames, (std::vector<std::string>{"faNone", "faLeft", "faRight"}));
  EXPECT_EQ(GetEnumName(align, 2), "faRight");
  EXPECT_EQ(GetEnumName(align, 3), "");
  EXPECT_EQ(GetEnumValue(align, "FALEFT"), 1);
  EXPECT_EQ(GetEnumValue(align, "fa"), -1);
  EXPECT_EQ(GetEnumName(TypeInfoFor<bool>(), 1), "True");
  const TTypeInfo* styles = TypeInfoFor<TFixFontStyles>();
  EXPECT_EQ(SetToString(styles, 0b101, true), "[fxBold,fxUnderline]");
  EXPECT_EQ(SetToString(styles, 0), "");
  EXPECT_EQ(StringToSet(styles, " [ fxItalic ,fxBold] "), 0b011u);
  EXPECT_EQ(StringToSet(styles, ""), 0u);
  EXPECT_EQ(StringToSet(styles, "fxBold,,fxItalic"), 0b011u);
  // An unnamed set type is called after its elements.
  EXPECT_EQ((TypeInfoFor<TSet<TFixAlign, 3>>()->TypeName()), "set of TFixAlign");
  std::string ident;
  EXPECT_TRUE(IntToIdent(TFixColorInfo(), 0xFFFFFF, ident));
  EXPECT_EQ(ident, "clWhite");
  int64_t value = 0;
  EXPECT_TRUE(IdentToInt(TFixColorInfo(), "CLRED", value));
  EXPECT_EQ(value, 255);
  EXPECT_FALSE(IdentToInt(TFixColorInfo(), "clBlue", value));
}

TEST(TypInfo, ComponentsPublishNameAndTag) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* a = new TComponent(owner.get());
  auto* b = new TComponent(owner.get());
  SetPropValue(a, "Name", "First");
  SetPropValue(a, "Tag", 42);
  EXPECT_EQ(a->Name(), "First");
  EXPECT_EQ(a->Tag(), 42);
  EXPECT_EQ(GetPropValue(a, "Tag").AsOrdinal(), 42);
  // The setter's own checks still apply.
  EXPECT_THROW(SetPropValue(b, "Name", "first"), EComponentError);
}
