// The acquisition objects of the input/output component: the image-device
// manager (TIEWia), the video graph (TIEDirectShow) and the scanner
// parameters (TIETWainParams). This platform has no image-acquisition
// devices, no video capture graph and no scanner source manager: the
// objects exist, keep their settings, and report that nothing is available.
// The video graph plays one kind of media file, AVI files whose frames our
// own reader decodes (uncompressed, 8-bit run-length, Motion-JPEG); any
// other medium is reported as not available.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/TIEList.h"
#include "platform/Messages.h"
#include "rtl/TObject.h"

class TImagoIO;
class TIEBitmap;
class TIEAVIReader;
class TFileStream;

// What acquisition reports on this platform.
inline constexpr const char* kNoAcquisitionDevice = "No acquisition device is available on this platform";
// What the video graph reports for a file it cannot play.
inline constexpr const char* kMediaNotAvailable = "This media file cannot be played on this platform";

// A device event of kind 1..3 (see TIEWia::DeviceEventArrived).
using TIEWiaDeviceEvent = std::function<void(TObject* Sender, uint8_t Kind)>;

class TIEWia : public TObject {
  RTL_CLASS(TIEWia, TObject)
 public:
  explicit TIEWia(TImagoIO* Owner);
  TImagoIO* Owner() const { return owner_; }
  // No device manager exists here.
  bool DeviceManagerAvailable() const { return false; }
  int32_t DeviceCount() const { return 0; }
  const char* UnavailableReason() const { return kNoAcquisitionDevice; }

  // An event from the device manager, by its id (braced upper-case GUID
  // text): the three known ids give kinds 1..3, stored and reported to
  // OnDeviceEvent; other ids are ignored.
  void DeviceEventArrived(const std::string& EventId);
  uint8_t LastEventKind() const { return last_event_kind_; }

  TIEWiaDeviceEvent OnDeviceEvent;
  // Set by the component to its WIAProgress: true goes on.
  std::function<bool(int32_t Percent)> OnProgress;
  bool TakePicture = true;
  bool DeleteTakenPicture = false;
  std::string SaveTransferBufferAs;
  int32_t TransferFormat = 0;
  int32_t CurrentIndex = 0;

 private:
  TImagoIO* owner_;
  uint8_t last_event_kind_ = 0;
};

struct TIEVideoFormat {
  std::string FormatName;
  int32_t BitCount = 0;
  std::string VideoStandards;
  int32_t MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0, GranularityX = 0,
          GranularityY = 0;
};

// The names of the analogue video standards whose bits are set in Mask,
// separated by spaces.
std::string VideoStandardsText(uint32_t Mask);

// The 36 video subtypes that have a format name, in the table's order: the
// YUV and compressed formats by their four-character codes, then the RGB
// formats.
extern const std::array<const char*, 36> kVideoSubtypeNames;
// The format name of video frames coded as Compression (0 uncompressed RGB,
// 3 RGB bit fields, else a four-character code) with BitCount bits a pixel;
// empty when the subtype is not in the table.
std::string VideoFormatName(uint32_t Compression, int32_t BitCount);

class TIEDirectShow : public TObject {
  RTL_CLASS(TIEDirectShow, TObject)
 public:
  TIEDirectShow();
  ~TIEDirectShow() override;

  // Video input, audio input, codec names: nothing fills them here.
  std::vector<std::string> VideoInputs, AudioInputs, VideoCodecs, AudioCodecs;
  std::vector<TIEVideoFormat> VideoFormats;
  std::vector<std::string> CrossbarInputs;
  // The media file to play; capture devices do not exist here.
  std::string FileName;
  bool EnableSampleGrabber = false;
  bool RenderAudio = false;

  // Opens FileName for playing: true for an AVI file whose video frames can
  // be decoded. Anything else (no file name, another medium, a coding with
  // no decoder) gives false with UnavailableReason set and no graph.
  bool BuildGraph();
  bool HasGraph() const;
  const char* UnavailableReason() const { return reason_; }
  void Pause();
  void Stop();
  // Paused or running.
  bool IsRunning() const { return state_ != 0; }
  // 0 none, 1 frame, 2 sample, 3 field, 4 byte, 5 media time; others nothing.
  void SetTimeFormat(int32_t Code);
  int32_t TimeFormat() const { return time_format_; }
  // The length in the time format: frames (1) or 100-nanosecond units (5);
  // 0 in the other formats and without a graph.
  int64_t GetDuration() const;
  // Moves to Position in the time format, held within the file (a position
  // past the end shows the last frame).
  void SetPosition(int64_t Position);
  // The frame SetPosition moved to.
  int32_t CurrentFrame() const { return frame_; }
  void GetVideoSize(int32_t& Width, int32_t& Height, std::string& FormatName) const;
  // 100-nanosecond units a frame (0 without a graph or a rate).
  int64_t GetAverageTimePerFrame() const;
  // Decodes the current frame into Bitmap as 24-bit; false (Bitmap left as
  // it is) without a graph or when the frame cannot be decoded.
  bool GrabFrame(TIEBitmap* Bitmap);
  void SetNotifyWindow(HWND Window, uint32_t NewFrameMessage, uint32_t EventMessage);
  HWND NotifyWindow() const { return notify_window_; }
  uint32_t NewFrameMessage() const { return new_frame_message_; }
  uint32_t EventMessage() const { return event_message_; }
  // Stops and lets go of the file.
  void Disconnect();
  // The object a new-frame or event notice names in its lParam, while that
  // object still exists; null for a notice that outlived its sender (the
  // graph of a closed media file), so late notices are harmless.
  static TIEDirectShow* FromNotice(LPARAM Param);

 private:
  // The notices the graph posts to the notify window, the object itself as
  // lParam: a new frame each time a frame reaches the sample grabber (its
  // callback exists when frame grabbing was asked for with a notify window
  // set while the graph was built), an event when the graph's state changed.
  void PostNewFrame() const;
  void PostEvent() const;

  int32_t time_format_ = 0;
  HWND notify_window_ = nullptr;
  uint32_t new_frame_message_ = 0;
  uint32_t event_message_ = 0;
  const char* reason_ = kNoAcquisitionDevice;
  std::unique_ptr<TFileStream> file_;
  std::unique_ptr<TIEAVIReader> avi_;
  int32_t frame_ = 0;
  uint8_t state_ = 0;  // 0 stopped, 1 paused
  bool grabber_callback_ = false;
};

// The scanner parameters. No scanner connection is ever opened here, so
// destroying the object closes nothing.
class TIETWainParams : public TObject {
  RTL_CLASS(TIETWainParams, TObject)
 public:
  explicit TIETWainParams(TImagoIO* Owner);
  TImagoIO* Owner() const { return owner_; }
  void Reset();

  std::vector<std::string> Capabilities;
  std::array<TIEDoubleList, 6> DoubleLists;  // resolutions and similar
  std::array<TIEIntegerList, 3> IntegerLists;
  int32_t FirstSetting = 1;
  double Gamma = 2.2;
  std::array<std::string, 4> Texts;
  bool MultiImageFlags = false;  // true only for multi-image components
  bool VisibleDialog = true;
  bool ProgressIndicators = true;
  int32_t AcquireCount = 1;

 private:
  TImagoIO* owner_;
};

// A plain record the component owns; nothing reads it.
struct TIOPrintPreviewParams {
  double MarginTop = 1.0, MarginLeft = 1.0, MarginRight = 1.0, MarginBottom = 1.0;
  uint8_t Position = 4;
  uint8_t Size = 1;
  double Width = -1.0, Height = -1.0;
  double Gamma = 1.0;
};
