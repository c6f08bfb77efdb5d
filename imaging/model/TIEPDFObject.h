// A small PDF 1.4 object model and the routines that write a document made
// of it: header, numbered indirect objects, cross-reference table and
// trailer. Nothing here parses PDF. Lines end with a single line feed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TStream;

class TIEPDFObject {
 public:
  TIEPDFObject() = default;
  TIEPDFObject(const TIEPDFObject&) = delete;
  TIEPDFObject& operator=(const TIEPDFObject&) = delete;
  virtual ~TIEPDFObject() = default;
  // Records the stream position as Offset, then writes the body.
  virtual void WriteToStream(TStream* Stream) = 0;

  // 0 until registered as an indirect object; then its 1-based place in
  // the document's list.
  int32_t ObjectNumber = 0;
  // Where the object was written; for a registered object, its "n 0 obj"
  // line. 64 bits: a document may outgrow 2 gigabytes.
  int64_t Offset = 0;
  // A container does not free a shared element.
  bool Shared = false;
};

// One element of an array or a dictionary: an object the container owns,
// or a shared one it only refers to. Shared objects (the resources every
// page names, objects the caller keeps) live as long as their own owner,
// so no container may free them; an object already marked Shared is never
// taken over, whichever way it is added.
class TIEPDFElement {
 public:
  explicit TIEPDFElement(std::unique_ptr<TIEPDFObject> Object) : object_(Object.get()) {
    if (object_ && object_->Shared)
      (void)Object.release();  // its owner is elsewhere
    else
      owned_ = std::move(Object);
  }
  // Marks Object shared and refers to it.
  static TIEPDFElement Refer(TIEPDFObject& Object) {
    Object.Shared = true;
    TIEPDFElement e{nullptr};
    e.object_ = &Object;
    return e;
  }
  TIEPDFObject* get() const { return object_; }
  TIEPDFObject* operator->() const { return object_; }
  TIEPDFObject& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  std::unique_ptr<TIEPDFObject> owned_;
  TIEPDFObject* object_ = nullptr;
};

// "n g R"
class TIEPDFRefObject : public TIEPDFObject {
 public:
  TIEPDFRefObject(int32_t Number, int32_t Generation) : Number(Number), Generation(Generation) {}
  void WriteToStream(TStream* Stream) override;
  int32_t Number, Generation;
};

class TIEPDFBooleanObject : public TIEPDFObject {
 public:
  explicit TIEPDFBooleanObject(bool Value) : Value(Value) {}
  void WriteToStream(TStream* Stream) override;
  bool Value;
};

// Integral values without a decimal point; others with at most six
// decimals, always with a point.
class TIEPDFNumericObject : public TIEPDFObject {
 public:
  explicit TIEPDFNumericObject(double Value) : Value(Value) {}
  void WriteToStream(TStream* Stream) override;
  double Value;
};

// "(...)" with backspace, tab, line feed, form feed, carriage return, the
// parentheses and the backslash escaped; other bytes as they are.
class TIEPDFStringObject : public TIEPDFObject {
 public:
  explicit TIEPDFStringObject(std::string Text) : Value(std::move(Text)) {}
  void WriteToStream(TStream* Stream) override;
  std::string Value;
};

// "/" and the name; see PDFNameText.
class TIEPDFNameObject : public TIEPDFObject {
 public:
  explicit TIEPDFNameObject(std::string Name) : Value(std::move(Name)) {}
  void WriteToStream(TStream* Stream) override;
  std::string Value;
};

// "[", each element and a space, "]".
class TIEPDFArrayObject : public TIEPDFObject {
 public:
  void WriteToStream(TStream* Stream) override;
  void Add(std::unique_ptr<TIEPDFObject> Element) { Items.emplace_back(std::move(Element)); }
  // Marks Element shared: the array refers to it and never frees it.
  void AddShared(TIEPDFObject& Element);
  std::vector<TIEPDFElement> Items;
};

// "<< ", then per entry the key as a name, a space, the value and a line
// feed, then ">>". Entries keep their order; keys may repeat.
class TIEPDFDictionaryObject : public TIEPDFObject {
 public:
  void WriteToStream(TStream* Stream) override;
  void Add(const std::string& Key, std::unique_ptr<TIEPDFObject> Value) {
    Items.emplace_back(Key, TIEPDFElement(std::move(Value)));
  }
  // Marks Value shared: the dictionary refers to it and never frees it.
  void AddShared(const std::string& Key, TIEPDFObject& Value);
  void Insert(size_t Index, const std::string& Key, std::unique_ptr<TIEPDFObject> Value);
  // The first value of the key, or null.
  TIEPDFObject* Find(const std::string& Key) const;
  // Replaces the first value of the key, or adds the entry.
  void Put(const std::string& Key, std::unique_ptr<TIEPDFObject> Value);
  std::vector<std::pair<std::string, TIEPDFElement>> Items;
};

// The dictionary (with "Length" set to the data's length), "stream", the
// data, "endstream".
class TIEPDFStreamObject : public TIEPDFObject {
 public:
  TIEPDFStreamObject();
  TIEPDFStreamObject(const void* Data, int64_t Length);
  void WriteToStream(TStream* Stream) override;
  std::vector<uint8_t> Data;
  std::unique_ptr<TIEPDFDictionaryObject> Dictionary;
};

// A name as PDF writes it, without the slash: bytes outside "!".."~" and
// the bytes PDF reserves in names (delimiters, "%" and "#") as "#" and two
// upper-case hexadecimal digits.
std::string PDFNameText(const std::string& Name);

// ---- a document: its registered objects in order; the list only refers.
using TIEPDFObjectList = std::vector<TIEPDFObject*>;

void PDFWriteLine(TStream* Stream, const std::string& Text);
void PDFWriteText(TStream* Stream, const std::string& Text);
// Appends Object and numbers it by the new list length.
void PDFAddObject(TIEPDFObjectList& Objects, TIEPDFObject* Object);
// The catalog; it must be the first object (the trailer names object 1).
std::unique_ptr<TIEPDFDictionaryObject> PDFAddCatalog(TIEPDFObjectList& Objects);
// A page using Resources (may be null) with MediaBox (taken over) and the
// contents of object ContentsNumber; registered and appended to Pages.
void PDFAddPage(TIEPDFObjectList& Objects, std::vector<std::unique_ptr<TIEPDFDictionaryObject>>& Pages,
                TIEPDFDictionaryObject* Resources, int32_t ContentsNumber,
                std::unique_ptr<TIEPDFArrayObject> MediaBox);
// The page tree over Pages (each page gets its "Parent"), named as "Pages"
// in the first object of the list (the catalog).
std::unique_ptr<TIEPDFDictionaryObject> PDFAddPages(
    TIEPDFObjectList& Objects, std::vector<std::unique_ptr<TIEPDFDictionaryObject>>& Pages);
// "%PDF-1.4" and a comment of four bytes above 127.
void PDFWriteHeader(TStream* Stream);
// Each object as "n 0 obj", its body, "endobj"; Offset becomes the position
// of its first line.
void PDFWriteObjects(TStream* Stream, const TIEPDFObjectList& Objects);
// The cross-reference table of 20-byte entries and the trailer naming
// object 1 as the root and Info as the information dictionary.
void PDFWriteXrefAndTrailer(TStream* Stream, const TIEPDFObjectList& Objects, TIEPDFObject* Info);
// Text preceded by Fill up to Width characters (longer texts unchanged).
std::string PadStringLeft(const std::string& Text, size_t Width, char Fill);
