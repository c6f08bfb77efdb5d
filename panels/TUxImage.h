// A picture kept as the bytes of its file, as window descriptions store
// it, and drawn stretched into the rectangle asked for. Any format the
// imaging library reads will do.
#pragma once

#include <memory>
#include <string>

#include "panels/PictureObject.h"
#include "ui/TGraphic.h"

class TUxImage : public TGraphic {
  RTL_CLASS(TUxImage, TGraphic)
 public:
  TUxImage();
  ~TUxImage() override;

  void Assign(TPersistent* Source) override;
  bool Empty() override { return empty_; }
  int32_t Width() override;
  int32_t Height() override;
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  // A file that cannot be read leaves the picture empty.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream* Stream) override;
  // Writes the stored file bytes unchanged.
  void SaveToStream(TStream* Stream) override;
  // The stored form of the picture: its file bytes.
  void ReadData(TStream* Stream) { LoadFromStream(Stream); }
  void WriteData(TStream* Stream) { SaveToStream(Stream); }
  const std::string& Data() const { return data_; }

  void Draw(TCanvas* Canvas, const TRect& Rect) override;

 private:
  void LoadPicture();
  std::string data_;
  bool empty_ = true;
  std::unique_ptr<TPictureObject> picture_;
};

// The whole of a stream, from its position on.
std::string ReadRest(TStream* Stream);
