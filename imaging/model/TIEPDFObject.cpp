#include "imaging/model/TIEPDFObject.h"

#include <charconv>
#include <algorithm>
#include <cmath>

#include "rtl/TStream.h"

namespace {

void Write(TStream* Stream, const std::string& Text) {
  Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

// Bytes that end a name or start another token.
bool ReservedInName(unsigned char c) {
  switch (c) {
    case '(': case ')': case '<': case '>': case '[': case ']':
    case '{': case '}': case '/': case '%': case '#':
      return true;
    default:
      return c < '!' || c > '~';
  }
}

}  // namespace

std::string PDFNameText(const std::string& Name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(Name.size());
  for (unsigned char c : Name) {
    if (ReservedInName(c)) {
      out += '#';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void TIEPDFRefObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  Write(Stream, std::to_string(Number) + " " + std::to_string(Generation) + " R");
}

void TIEPDFBooleanObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  Write(Stream, Value ? "true" : "false");
}

void TIEPDFNumericObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  char buf[64];
  if (std::isfinite(Value) && Value == std::trunc(Value) && std::fabs(Value) < 1e15) {
    Write(Stream, std::to_string(static_cast<int64_t>(Value)));
    return;
  }
  // PDF has no exponents; the point is always a point, whatever the locale.
  const double v = std::isfinite(Value) ? Value : 0;
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  std::string s(buf, r.ptr);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0" || s.empty()) s = "0";
  Write(Stream, s);
}

void TIEPDFStringObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  std::string out = "(";
  for (char c : Value) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  out += ')';
  Write(Stream, out);
}

void TIEPDFNameObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  Write(Stream, "/" + PDFNameText(Value));
}

void TIEPDFArrayObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  Write(Stream, "[");
  for (const auto& e : Items) {
    e->WriteToStream(Stream);
    Write(Stream, " ");
  }
  Write(Stream, "]");
}

void TIEPDFArrayObject::AddShared(TIEPDFObject& Element) {
  Items.push_back(TIEPDFElement::Refer(Element));
}

void TIEPDFDictionaryObject::AddShared(const std::string& Key, TIEPDFObject& Value) {
  Items.emplace_back(Key, TIEPDFElement::Refer(Value));
}

void TIEPDFDictionaryObject::Insert(size_t Index, const std::string& Key,
                                    std::unique_ptr<TIEPDFObject> Value) {
  Items.emplace(Items.begin() + static_cast<std::ptrdiff_t>(std::min(Index, Items.size())), Key,
                TIEPDFElement(std::move(Value)));
}

TIEPDFObject* TIEPDFDictionaryObject::Find(const std::string& Key) const {
  for (const auto& [k, v] : Items)
    if (k == Key) return v.get();
  return nullptr;
}

void TIEPDFDictionaryObject::Put(const std::string& Key, std::unique_ptr<TIEPDFObject> Value) {
  for (auto& [k, v] : Items)
    if (k == Key) {
      v = TIEPDFElement(std::move(Value));
      return;
    }
  Add(Key, std::move(Value));
}

void TIEPDFDictionaryObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  Write(Stream, "<< ");
  for (const auto& [k, v] : Items) {
    // Keys are names too: a key with a space or a delimiter would otherwise
    // end early and break the dictionary.
    Write(Stream, "/" + PDFNameText(k) + " ");
    v->WriteToStream(Stream);
    Write(Stream, "\n");
  }
  Write(Stream, ">>");
}

TIEPDFStreamObject::TIEPDFStreamObject() : Dictionary(std::make_unique<TIEPDFDictionaryObject>()) {
  Dictionary->Add("Length", std::make_unique<TIEPDFNumericObject>(0));
}

TIEPDFStreamObject::TIEPDFStreamObject(const void* Bytes, int64_t Length) : TIEPDFStreamObject() {
  const auto* b = static_cast<const uint8_t*>(Bytes);
  Data.assign(b, b + Length);
}

void TIEPDFStreamObject::WriteToStream(TStream* Stream) {
  Offset = Stream->Position();
  Dictionary->Put("Length", std::make_unique<TIEPDFNumericObject>(static_cast<double>(Data.size())));
  Dictionary->WriteToStream(Stream);
  Write(Stream, "\nstream\n");
  if (!Data.empty()) Stream->WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
  Write(Stream, "\nendstream");
}

// ---- documents

void PDFWriteLine(TStream* Stream, const std::string& Text) { Write(Stream, Text + "\n"); }

void PDFWriteText(TStream* Stream, const std::string& Text) { Write(Stream, Text); }

void PDFAddObject(TIEPDFObjectList& Objects, TIEPDFObject* Object) {
  Objects.push_back(Object);
  Object->ObjectNumber = static_cast<int32_t>(Objects.size());
}

std::unique_ptr<TIEPDFDictionaryObject> PDFAddCatalog(TIEPDFObjectList& Objects) {
  auto catalog = std::make_unique<TIEPDFDictionaryObject>();
  catalog->Add("Type", std::make_unique<TIEPDFNameObject>("Catalog"));
  PDFAddObject(Objects, catalog.get());
  return catalog;
}

void PDFAddPage(TIEPDFObjectList& Objects, std::vector<std::unique_ptr<TIEPDFDictionaryObject>>& Pages,
                TIEPDFDictionaryObject* Resources, int32_t ContentsNumber,
                std::unique_ptr<TIEPDFArrayObject> MediaBox) {
  auto page = std::make_unique<TIEPDFDictionaryObject>();
  page->Add("Type", std::make_unique<TIEPDFNameObject>("Page"));
  if (Resources) page->Add("Resources", std::make_unique<TIEPDFRefObject>(Resources->ObjectNumber, 0));
  page->Add("MediaBox", std::move(MediaBox));
  page->Add("Contents", std::make_unique<TIEPDFRefObject>(ContentsNumber, 0));
  PDFAddObject(Objects, page.get());
  Pages.push_back(std::move(page));
}

std::unique_ptr<TIEPDFDictionaryObject> PDFAddPages(
    TIEPDFObjectList& Objects, std::vector<std::unique_ptr<TIEPDFDictionaryObject>>& Pages) {
  auto tree = std::make_unique<TIEPDFDictionaryObject>();
  tree->Add("Type", std::make_unique<TIEPDFNameObject>("Pages"));
  PDFAddObject(Objects, tree.get());
  auto kids = std::make_unique<TIEPDFArrayObject>();
  for (auto& page : Pages) {
    kids->Add(std::make_unique<TIEPDFRefObject>(page->ObjectNumber, 0));
    page->Add("Parent", std::make_unique<TIEPDFRefObject>(tree->ObjectNumber, 0));
  }
  tree->Add("Kids", std::move(kids));
  tree->Add("Count", std::make_unique<TIEPDFNumericObject>(static_cast<double>(Pages.size())));
  if (auto* catalog = dynamic_cast<TIEPDFDictionaryObject*>(Objects.front()))
    catalog->Add("Pages", std::make_unique<TIEPDFRefObject>(tree->ObjectNumber, 0));
  return tree;
}

void PDFWriteHeader(TStream* Stream) {
  PDFWriteLine(Stream, "%PDF-1.4");
  PDFWriteLine(Stream, "%\xC8\xD2\xF0\xFE");
}

void PDFWriteObjects(TStream* Stream, const TIEPDFObjectList& Objects) {
  for (TIEPDFObject* o : Objects) {
    const int64_t at = Stream->Position();
    PDFWriteLine(Stream, std::to_string(o->ObjectNumber) + " 0 obj");
    o->WriteToStream(Stream);
    PDFWriteText(Stream, "\n");
    PDFWriteLine(Stream, "endobj");
    o->Offset = at;
  }
}

void PDFWriteXrefAndTrailer(TStream* Stream, const TIEPDFObjectList& Objects, TIEPDFObject* Info) {
  const int64_t xref = Stream->Position();
  const std::string count = std::to_string(Objects.size() + 1);
  std::string t = "xref\n0 " + count + "\n0000000000 65535 f \n";
  for (TIEPDFObject* o : Objects) t += PadStringLeft(std::to_string(o->Offset), 10, '0') + " 00000 n \n";
  t += "trailer\n<< /Size " + count + "\n/Root 1 0 R\n/Info " + std::to_string(Info->ObjectNumber) +
       " 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  PDFWriteText(Stream, t);
}

std::string PadStringLeft(const std::string& Text, size_t Width, char Fill) {
  return Text.size() >= Width ? Text : std::string(Width - Text.size(), Fill) + Text;
}
