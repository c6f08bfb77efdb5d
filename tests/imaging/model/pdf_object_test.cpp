// PDF objects and the document writer: the written form of each value,
// names and keys with reserved bytes, stream lengths, shared elements, and a
// one-page document's cross-reference table and trailer, with offsets past
// 4 gigabytes.
#include <gtest/gtest.h>

#include <string>

#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEPDFObject.h"
#include "rtl/TStream.h"

namespace {

std::string Text(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string Written(TIEPDFObject& o) {
  TMemoryStream s;
  o.WriteToStream(&s);
  return Text(s);
}

// Counts its destruction.
struct Probe : TIEPDFBooleanObject {
  explicit Probe(int* Count) : TIEPDFBooleanObject(true), count(Count) {}
  ~Probe() override { ++*count; }
  int* count;
};

}  // namespace

TEST(PdfObjectTest, ValuesAreWrittenInTheirPdfForms) {
  struct Case {
    std::unique_ptr<TIEPDFObject> object;
    const char* text;
  };
  std::vector<Case> cases;
  cases.push_back({std::make_unique<TIEPDFRefObject>(12, 0), "12 0 R"});
  cases.push_back({std::make_unique<TIEPDFBooleanObject>(false), "false"});
  cases.push_back({std::make_unique<TIEPDFNumericObject>(595), "595"});
  cases.push_back({std::make_unique<TIEPDFNumericObject>(-297), "-297"});
  cases.push_back({std::make_unique<TIEPDFNumericObject>(0.5), "0.5"});
  cases.push_back({std::make_unique<TIEPDFNumericObject>(-1.25), "-1.25"});
  cases.push_back({std::make_unique<TIEPDFNumericObject>(1.0 / 3), "0.333333"});
  cases.push_back({std::make_unique<TIEPDFStringObject>("a(b)c\\d\be\tf\ng\fh\ri"),
                   "(a\\(b\\)c\\\\d\\be\\tf\\ng\\fh\\ri)"});
  cases.push_back({std::make_unique<TIEPDFNameObject>("Image"), "/Image"});
  cases.push_back({std::make_unique<TIEPDFNameObject>("A B"), "/A#20B"});
  // Bytes that end a name or begin another token, and the escape byte
  // itself, are escaped too.
  cases.push_back({std::make_unique<TIEPDFNameObject>("a#b/c(d)[e]<f>{g}%h"),
                   "/a#23b#2Fc#28d#29#5Be#5D#3Cf#3E#7Bg#7D#25h"});
  cases.push_back({std::make_unique<TIEPDFNameObject>("\xC3\xA9"), "/#C3#A9"});
  cases.push_back({std::make_unique<TIEPDFArrayObject>(), "[]"});
  cases.push_back({std::make_unique<TIEPDFDictionaryObject>(), "<< >>"});
  for (Case& c : cases) EXPECT_EQ(Written(*c.object), c.text);

  TIEPDFArrayObject box;
  for (int v : {0, 0, 595, 842}) box.Add(std::make_unique<TIEPDFNumericObject>(v));
  EXPECT_EQ(Written(box), "[0 0 595 842 ]");
  TIEPDFDictionaryObject d;
  d.Add("Type", std::make_unique<TIEPDFNameObject>("Page"));
  d.Add("Odd Key/x", std::make_unique<TIEPDFNumericObject>(1));
  EXPECT_EQ(Written(d), "<< /Type /Page\n/Odd#20Key#2Fx 1\n>>");
}

TEST(PdfObjectTest, StreamsWriteTheirDataLengthAndContainersSpareSharedElements) {
  std::vector<uint8_t> data(100, 'x');
  TIEPDFStreamObject s(data.data(), 100);
  s.Dictionary->Put("Length", std::make_unique<TIEPDFNumericObject>(7));
  s.Dictionary->Add("Filter", std::make_unique<TIEPDFNameObject>("DCTDecode"));
  s.Dictionary->Insert(0, "Type", std::make_unique<TIEPDFNameObject>("XObject"));
  EXPECT_EQ(Written(s), "<< /Type /XObject\n/Length 100\n/Filter /DCTDecode\n>>\nstream\n" +
                            std::string(100, 'x') + "\nendstream");
  TIEPDFStreamObject empty;
  EXPECT_EQ(Written(empty), "<< /Length 0\n>>\nstream\n\nendstream");

  int freed = 0;
  Probe shared(&freed);
  {
    TIEPDFDictionaryObject d;
    d.AddShared("Kept", shared);
    d.Add("Freed", std::make_unique<Probe>(&freed));
    TIEPDFArrayObject a;
    a.AddShared(shared);
  }
  EXPECT_EQ(freed, 1);
  EXPECT_TRUE(shared.Shared);
}

TEST(PdfObjectTest, AOnePageDocumentHasItsTableAndTrailer) {
  TIEPDFObjectList objects;
  auto catalog = PDFAddCatalog(objects);
  TIEPDFDictionaryObject resources;
  resources.Shared = true;
  PDFAddObject(objects, &resources);
  TIEPDFStreamObject image, contents;
  PDFAddObject(objects, &image);
  PDFAddObject(objects, &contents);
  std::vector<std::unique_ptr<TIEPDFDictionaryObject>> pages;
  auto box = std::make_unique<TIEPDFArrayObject>();
  PDFAddPage(objects, pages, &resources, contents.ObjectNumber, std::move(box));
  auto tree = PDFAddPages(objects, pages);
  TIEPDFDictionaryObject info;
  PDFAddObject(objects, &info);
  ASSERT_EQ(objects.size(), 7u);
  EXPECT_EQ(info.ObjectNumber, 7);
  EXPECT_EQ(Written(*pages[0]), "<< /Type /Page\n/Resources 2 0 R\n/MediaBox []\n/Contents 4 0 R\n/Parent 6 0 R\n>>");
  EXPECT_EQ(Written(*tree), "<< /Type /Pages\n/Kids [5 0 R ]\n/Count 1\n>>");
  EXPECT_EQ(Written(*catalog), "<< /Type /Catalog\n/Pages 6 0 R\n>>");

  TMemoryStream s;
  PDFWriteHeader(&s);
  EXPECT_EQ(Text(s), "%PDF-1.4\n%\xC8\xD2\xF0\xFE\n");
  PDFWriteObjects(&s, objects);
  const int64_t xref = s.Position();
  PDFWriteXrefAndTrailer(&s, objects, &info);
  const std::string all = Text(s);
  // Every entry is 20 bytes and points at its object's first line.
  std::string table = "xref\n0 8\n0000000000 65535 f \n";
  for (TIEPDFObject* o : objects) {
    const std::string line = std::to_string(o->ObjectNumber) + " 0 obj\n";
    EXPECT_EQ(all.compare(static_cast<size_t>(o->Offset), line.size(), line), 0) << o->ObjectNumber;
    table += PadStringLeft(std::to_string(o->Offset), 10, '0') + " 00000 n \n";
  }
  EXPECT_EQ(all.substr(static_cast<size_t>(xref)),
            table + "trailer\n<< /Size 8\n/Root 1 0 R\n/Info 7 0 R\n>>\nstartxref\n" + std::to_string(xref) +
                "\n%%EOF\n");
}

// A document larger than 4 gigabytes keeps every offset whole.
TEST(PdfObjectTest, OffsetsPastFourGigabytesStayWhole) {
  TIEPDFObjectList objects;
  auto catalog = PDFAddCatalog(objects);
  TIEPDFStreamObject big;
  PDFAddObject(objects, &big);
  TNulStream far;
  far.SetPosition(int64_t{5} << 30);
  PDFWriteObjects(&far, objects);
  EXPECT_EQ(catalog->Offset, int64_t{5} << 30);
  EXPECT_GT(big.Offset, int64_t{5} << 30);
  TMemoryStream s;
  PDFWriteXrefAndTrailer(&s, objects, &big);
  const std::string t = Text(s);
  EXPECT_NE(t.find("5368709120 00000 n \n"), std::string::npos) << t;
  EXPECT_EQ(PadStringLeft("12", 5, '0'), "00012");
  EXPECT_EQ(PadStringLeft("123456", 5, '0'), "123456");
}
