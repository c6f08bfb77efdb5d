// TImagoIO: loads an image into one TIEBitmap and saves it, choosing the
// reader or writer by the extension of a file name, by a file-type id or by
// the content, and keeps the image's file parameters in its TIOParamsVals.
// It works on the image of an attached view, or on a TIEBitmap of its own or
// lent to it.
//
// Failures: every load or save that does not complete sets Aborted and fires
// OnFinishWork, an unknown extension or unrecognised content included. Bad
// data never raises; a file that cannot be opened or created raises the file
// stream's error after Aborted is set and the finish notice has fired.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/ConvertScanlineICC.h"
#include "imaging/io/IEAcquisition.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIEIOPreviewsDialog.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/TIEView.h"
#include "imaging/model/TMsgLanguage.h"
#include "platform/Messages.h"
#include "rtl/SyncObjs.h"
#include "rtl/TComponent.h"
#include "rtl/TSet.h"

class TStream;
class TIEBitmap;
class TBitmap;
class TImage;
class TFont;
class TIEIOThread;
class TIEAVIReader;
class TFileStream;

using TIEDoPreviewsEvent = std::function<void(TObject* Sender, bool& Handled)>;
using TIEFinishWorkEvent = std::function<void(TObject* Sender)>;
using TIEAcquireBitmapEvent = std::function<void(TObject* Sender, TIEBitmap* Bitmap, bool& Handled)>;
using TIEIOPreviewEvent = std::function<void(TObject* Sender, TIEIOPreviewsDialog* Dialog)>;

class TImagoIO : public TComponent {
  RTL_CLASS(TImagoIO, TComponent)
 public:
  explicit TImagoIO(TComponent* AOwner);
  ~TImagoIO() override;
  void BeforeDestruction() override;

  // ---- attachment
  TIEView* AttachedImago() const { return view_; }
  void SetAttachedImago(TIEView* View);
  // Works on Bitmap without owning it (null allowed).
  void UseIEBitmap(TIEBitmap* Bitmap);
  // UseIEBitmap that also drops the view attachment; null while a view is
  // attached changes nothing more.
  void AttachIEBitmap(TIEBitmap* Bitmap);
  // Loads into and saves from the image control's picture bitmap; null lets
  // go of it and empties the component's own image.
  TImage* AttachedTImage() const { return image_control_; }
  void SetAttachedTImage(TImage* Image);
  // The platform bitmap behind the image: the image's own when it is kept in
  // one, else the linked bitmap (an image control's, or that of a view that
  // offers no image of its own); null when none.
  TBitmap* Bitmap() { return GetBitmap(); }
  virtual TBitmap* GetBitmap();
  TIEBitmap* IEBitmap() const { return bitmap_; }
  bool OwnsBitmap() const { return owned_ != nullptr; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // ---- properties
  TIOParamsVals* Params() const { return params_.get(); }
  // Shared with the workers without a lock: they poll it, the owner may set
  // it to stop them; every access is atomic.
  bool Aborted() const {
    return std::atomic_ref<bool>(aborted_).load(std::memory_order_relaxed);
  }
  void SetAborted(bool Value) {
    std::atomic_ref<bool>(aborted_).store(Value, std::memory_order_relaxed);
    // Set from outside while a reader runs: the load was stopped, not
    // refused.
    if (Value) std::atomic_ref<bool>(stopped_).store(true, std::memory_order_relaxed);
  }
  // Why the last load was refused when its reader understood the file but
  // would not load it (a size its data cannot hold, or more than the machine
  // has free); empty otherwise.
  const std::string& AbortReason() const { return abort_reason_; }
  // The attached view's when a view is attached (setting it then changes
  // nothing), else the component's own.
  TColor Background() const;
  void SetBackground(TColor Value);
  bool NativePixelFormat() const { return params_ && params_->IsNativePixelFormat; }
  void SetNativePixelFormat(bool Value) { params_->IsNativePixelFormat = Value; }
  uint8_t DefaultDitherMethod() const { return default_dither_method_; }
  void SetDefaultDitherMethod(uint8_t Value);
  // On, every load and save started on a thread other than one of the
  // component's workers is handed to a worker (TIEIOThread) and the call
  // returns at once, unless the component owns its bitmap (no view and no
  // lent bitmap). A worker posts its notices to the attached view's window
  // (when the view has a parent); the view fires its events on the
  // message-loop thread. Without such a window the notices are called on
  // the worker. One component runs one operation at a time: a stream
  // handed to an asynchronous operation must live until its finish notice.
  bool AsyncMode = false;
  bool StreamHeaders = false;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  bool SimplifiedParamsDialogs = true;
  // The proxy of web loads ("host:port"; empty: direct) and its credentials.
  std::string ProxyAddress;
  std::string ProxyUser;
  std::string ProxyPassword;
  // ---- the save-parameter dialog
  TMsgLanguage MsgLanguage() const { return msg_language_; }
  void SetMsgLanguage(TMsgLanguage Value) { msg_language_ = Value; }
  TIOPreviewsParams PreviewsParams() const { return previews_params_; }
  void SetPreviewsParams(TIOPreviewsParams Value) { previews_params_ = Value; }
  // Owned; assigning copies the font given.
  TFont* PreviewFont() const { return preview_font_.get(); }
  void SetPreviewFont(TFont* Value);

  TIEProgressEvent OnProgress;
  TIEFinishWorkEvent OnFinishWork;
  TIEDoPreviewsEvent OnDoPreviews;
  // Called with the save-parameter dialog before it is shown.
  TIEIOPreviewEvent OnIOPreview;

  // ---- loads, saves and parameter reads
  // Names that begin with "http://", "https://" or "ftp://" (any letter
  // case) go to LoadFromURL.
  virtual void LoadFromFile(const std::string& FileName);
  // Downloads the resource into memory (never to disk) and loads it by
  // content. Only http, https and ftp; at most MaxURLBytes; redirects are
  // followed up to five times. A failed transfer or an answer outside 2xx
  // sets Aborted; an address without a path ("http://host") loads nothing
  // and leaves Aborted false. Every outcome fires the finish notice.
  virtual void LoadFromURL(const std::string& URL);
  // The cap of a web load's body, in bytes.
  int64_t MaxURLBytes = 256ll << 20;
  virtual void LoadFromFileOfType(const std::string& FileName, int32_t FileType);
  virtual void LoadFromFileByContent(const std::string& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void LoadFromStreamOfType(TStream* Stream, int32_t FileType);
  // FileType 0: by content.
  virtual void LoadFromBuffer(const void* Buffer, int64_t Size, int32_t FileType);
  virtual void ReadParamsFromFile(const std::string& FileName);
  virtual void ReadParamsFromFileOfType(const std::string& FileName, int32_t FileType);
  virtual void ReadParamsFromStream(TStream* Stream);
  virtual void ReadParamsFromStreamOfType(TStream* Stream, int32_t FileType);
  virtual void SaveToFile(const std::string& FileName);
  virtual void SaveToStream(TStream* Stream, int32_t FileType);

  // ---- the operations of one built-in format, in the common frames
  void LoadFormatFromFile(int32_t FileType, const std::string& FileName);
  void LoadFormatFromStream(int32_t FileType, TStream* Stream);
  void SaveFormatToFile(int32_t FileType, const std::string& FileName);
  void SaveFormatToStream(int32_t FileType, TStream* Stream);

  void LoadBMPFromFile(const std::string& FileName) { LoadFormatFromFile(ieftBMP, FileName); }
  void LoadBMPFromStream(TStream* Stream) { LoadFormatFromStream(ieftBMP, Stream); }
  // Camera RAW: when a registered routine has taken the extension "RAW",
  // the load goes to that routine's format instead.
  void LoadRAWFromFile(const std::string& FileName);
  void LoadRAWFromStream(TStream* Stream);
  void SaveBMPToFile(const std::string& FileName) { SaveFormatToFile(ieftBMP, FileName); }
  void SaveBMPToStream(TStream* Stream) { SaveFormatToStream(ieftBMP, Stream); }

  // Writes the image, encoded as FileType, as text: 0 a Pascal byte-array
  // constant, 1 a C-style list of hexadecimal bytes, 2 Base64 lines; 3 is
  // ASCII art of a 24-bit image itself, one character a pixel.
  virtual void SaveToText(const std::string& FileName, int32_t FileType, int32_t TextForm);

  // The save-parameter dialog for Pages (the parameter-page bits of the
  // format registry): true when OnDoPreviews handles it, or when the dialog
  // closed with OK. False without an image, without an installed dialog, or
  // when no page applies. The dialog edits Params; the image is shown in
  // 24 bits (1 bit as it is) from a copy, and never changed.
  virtual bool DoPreviews(uint16_t Pages);

  // ---- AVI frames
  // Opens the file for frame reading; the frame count (0 with Aborted set
  // when it is no AVI with a video stream). An open file is closed first.
  int32_t OpenAVIFile(const std::string& FileName);
  // Decodes frame Index into the working bitmap and sets AviFrameCount and
  // AviFrameDelay (milliseconds); a coding that is not available, a missing
  // file or an index past the end loads nothing and sets Aborted. Always
  // fires the finish notice.
  void LoadAVIFrame(int32_t Index);
  void CloseAVIFile();

  // ---- media files (played by the video graph: AVI files whose frames can
  // be decoded; any other medium is not available)
  // Opens the file for frame grabbing; the frame count, also in
  // MediaFileFrameCount (0 with Aborted set when it cannot be played, and
  // nothing stays open). Width and Height of Params become the video's
  // size. An open media file is closed first.
  int32_t OpenMediaFile(const std::string& FileName);
  // Grabs frame Index (past the end: the last one) into the working bitmap
  // as 24-bit and sets MediaFileFrameDelay (hundredths of a second a frame)
  // and the image indexes of Params. Nothing without an open media file; no
  // finish notice.
  void LoadMediaFileFrame(int32_t Index);
  void CloseMediaFile();
  bool IsMediaFileOpen() const { return media_ != nullptr; }

  // ---- metafiles
  // Draws the Windows or enhanced metafile in FileName over Background into
  // the working bitmap (24-bit) at the size MetafileTargetSize gives for
  // Width x Height (-1 for a side follows the metafile's aspect, both -1 its
  // own size); WithAlpha makes what the drawing leaves transparent. Width or
  // Height 0 loads nothing. A file that holds no metafile, or a picture of
  // no size, sets Aborted. Always fires the finish notice; a file that
  // cannot be opened raises after it. Loads of ".wmf" and ".emf" names
  // come here with -1, -1 and the alpha channel.
  void LoadMetafileFromFile(const std::string& FileName, int32_t Width, int32_t Height,
                            bool WithAlpha);

  // ---- acquisition (no devices exist on this platform; see IEAcquisition.h)
  // Created on first use; the WIA object reports progress through
  // WIAProgress, the video object notifies the attached view's window.
  virtual TIEWia* GetWIA();
  virtual TIEDirectShow* GetDirectShow();
  // Points the existing video objects (the capture graph and an open media
  // file's graph) at the attached view's window.
  void UpdateDShowNotifyWindow();
  TIETWainParams* TwainParams() const { return twain_params_.get(); }
  TIOPrintPreviewParams* PrintPreviewParams() { return &print_preview_params_; }
  uint8_t AcquireState() const { return acquire_state_; }
  virtual void ResetAcquireState() { acquire_state_ = 0; }
  // Fires DoProgress; true (go on) while Aborted is false.
  bool WIAProgress(int32_t Percent);
  // Takes an acquired image: OnAcquireBitmap may handle it; otherwise the
  // working image becomes a copy of it (square pixels when AutoAdjustDPI)
  // and Params receives the component's parameter record.
  virtual void TakeAcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& Params);
  TIEAcquireBitmapEvent OnAcquireBitmap;

  // ---- square pixels
  // Resamples the image so that its pixels become square: the side along
  // the smaller of Width and Height (of Params) is scaled by the ratio of
  // the resolutions, and both resolutions become the one of the other side.
  // Nothing when the resolutions are equal or not both positive, or when
  // the image is empty. FilteredAdjustDPI: 24-bit fast linear filter; else
  // nearest neighbour in the image's own format. The alpha channel follows.
  void AdjustDPI();
  // The same for any bitmap with Params' resolution (set through its
  // setters); returns a new bitmap, or Bitmap itself when nothing changes.
  // The alpha channel is not carried over.
  static TIEBitmap* AdjustBitmapDPI(TIEBitmap* Bitmap, TIOParamsVals* Params, bool Filtered);

  // ---- workers
  // True on one of the component's running workers.
  bool IsInsideIOThread();
  // Waits until every worker has finished; Abort sets Aborted first (and
  // again on every round) so that running readers stop. On the message-loop
  // thread the wait keeps running work queued for that thread.
  void WaitThreads(bool Abort);
  int32_t IOThreadCount();

  // ---- notices and helpers
  virtual void DoProgress(TObject* Sender, int32_t Percent);
  // Reports 100 once more, then OnFinishWork.
  virtual void DoFinishWork();
  // False without a working bitmap; with a non-empty set, true only when the
  // bitmap's format is in it.
  bool PrepareBitmap(TIEPixelFormatSet Formats);
  void UpdateAttachedView();
  // A resolution below 2 becomes the library's default.
  void ApplyDefaultDPI();
  // The record a reader or writer receives: DoProgress and the abort flag.
  TIOProgressRec MakeProgressRec();

 private:
  class FinishGuard;
  static void ViewBitmapChanged(void* Data, TIEView* View, bool Destroying);
  void DetachView();
  void OwnNewBitmap();
  void RunReader(const TIEFormatHandler& Handler, TStream* Stream, bool FileLoad);
  // Gives a refused load whose reader said nothing a reason, when the data
  // from Start show the reader's format.
  void GiveRefusalAReason(const TIEFormatHandler& Handler, TStream* Stream, int64_t Start);
  void LoadEntryFromFile(const TIOFormatEntry& Entry, const std::string& FileName);
  void LoadEntryFromStream(const TIOFormatEntry& Entry, TStream* Stream);
  void SaveEntry(const TIOFormatEntry& Entry, TStream* Stream, const std::string* FileName);
  void ConvertForSave(TIEPixelFormatSet Formats);
  void Fail();
  // Worker dispatch: true when the operation must go to a worker.
  bool ShouldDispatch();
  // The attached view's window when it has a parent (null otherwise); the
  // window handle is made here, on the caller's thread.
  HWND WorkerNotifyWindow();
  // The worker running on this thread, or null.
  TIEIOThread* CurrentWorker();
  friend class TIEIOThread;
  void AddIOThread(TIEIOThread* Thread);
  void RemoveIOThread(TIEIOThread* Thread);
  // Stops the workers and drops the notices they posted to the view's
  // window, before the view or its image goes away.
  void StopWorkersForView();
  void LoadFormatFromFileAdapter(const std::string& FileName, int32_t FileType) {
    LoadFormatFromFile(FileType, FileName);
  }
  void LoadFormatFromStreamAdapter(TStream* Stream, int32_t FileType) {
    LoadFormatFromStream(FileType, Stream);
  }
  void SaveFormatToFileAdapter(const std::string& FileName, int32_t FileType) {
    SaveFormatToFile(FileType, FileName);
  }
  void SaveFormatToStreamAdapter(TStream* Stream, int32_t FileType) {
    SaveFormatToStream(FileType, Stream);
  }

  std::unique_ptr<TFileStream> avi_file_;
  std::unique_ptr<TIEAVIReader> avi_;
  std::unique_ptr<TIEDirectShow> media_;
  // The open media file: graph positions per frame, hundredths of a second
  // per frame.
  int64_t media_multiplier_ = 1;
  double media_frame_rate_ = 0;
  std::unique_ptr<TIEWia> wia_;
  std::unique_ptr<TIEDirectShow> direct_show_;
  std::unique_ptr<TIETWainParams> twain_params_;
  TIOPrintPreviewParams print_preview_params_;
  uint8_t acquire_state_ = 0;
  TCriticalSection threads_lock_;
  std::vector<TIEIOThread*> threads_;
  // Set while an operation must not be handed on (a stream on the stack).
  int32_t no_dispatch_ = 0;
  // Names the attached view for work queued to the message-loop thread; it
  // is emptied (on that thread) when the view goes, so queued work never
  // reaches a freed view.
  std::shared_ptr<TIEView*> view_token_;
  // The window the workers posted to; its notices still queued are dropped
  // when the view goes.
  HWND posted_window_ = nullptr;

  std::unique_ptr<TIOParamsVals> params_;
  std::unique_ptr<TIEBitmap> owned_;
  TIEBitmap* bitmap_ = nullptr;
  TIEView* view_ = nullptr;
  TImage* image_control_ = nullptr;
  TBitmap* linked_ = nullptr;
  void Rewrap();
  void ForgetImageControl();
  TIEBitmapChangeHandle view_handle_ = ieNoBitmapChangeHandler;
  mutable bool aborted_ = false;
  // Aborted was set through SetAborted since the running reader started.
  bool stopped_ = false;
  std::string abort_reason_;
  TColor background_ = 0;
  uint8_t default_dither_method_ = 1;
  TMsgLanguage msg_language_ = msSystem;
  TIOPreviewsParams previews_params_;
  TOwned<TFont> preview_font_;
};
