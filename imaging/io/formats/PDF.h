// PDF output: one picture a page, scaled to fit the paper with its
// proportions kept and placed in the top-left corner, in a PDF 1.4
// document built from the PDF objects of the image model.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/IEFormats.h"
#include "imaging/model/TIEPDFObject.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// A document held in memory until it is closed; it owns its objects.
struct TIEPDFDocument {
  TIEPDFObjectList Objects;
  std::vector<std::unique_ptr<TIEPDFDictionaryObject>> Pages;
  std::vector<std::unique_ptr<TIEPDFStreamObject>> Images;
  std::vector<std::unique_ptr<TIEPDFStreamObject>> Contents;
  // The one resources dictionary every page uses.
  std::unique_ptr<TIEPDFDictionaryObject> Resources;
  std::unique_ptr<TIEPDFDictionaryObject> Catalog;
};

// One page in a new document, written at the stream's position when the
// document closes. The bitmap is ieRGB24 or ieMono1.
void WritePDFStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress);

// The catalog (object 1) and the resources (object 2).
std::unique_ptr<TIEPDFDocument> CreatePDFDocument();
// Adds the picture as a page: an image object, a content stream that
// places it, the page.
void WritePDFPage(TIEPDFDocument& Document, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress);
// The page tree and the information dictionary, then the whole document to
// the stream; frees the document. Null does nothing.
void ClosePDFStream(std::unique_ptr<TIEPDFDocument> Document, TStream* Stream, TIOParamsVals& Params);

// How the input/output component runs the format.
TIEFormatHandler PDFFormatHandler();
