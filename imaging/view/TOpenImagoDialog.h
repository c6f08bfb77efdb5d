// TOpenImagoDialog: the open dialog with a preview. Beside the file list a
// preview panel loads the selected file into a small image view; below it
// labels tell its size, frames, colours, resolution, file and memory size
// and format. The file-type list is built from the format registry.
//
// The dialog's own controls are made with the component and put onto the
// dialog's template window while it is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/model/Resample.h"
#include "imaging/view/IEImageInfo.h"
#include "imaging/view/TIECommonDialog.h"

class TButton;
class TCheckBox;
class TComboBox;
class TImagoMView;
class TImagoView;
class TIOParamsVals;
class TLabel;
class TPanel;
class TProgressBar;
class TSpeedButton;

enum TIEDBorderStyle : uint8_t { iepsDefault, iepsCropped, iepsCropShadow };

using TCanCloseEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TOpenImagoDialog : public TIECommonDialog {
  RTL_CLASS(TOpenImagoDialog, TIECommonDialog)
 public:
  explicit TOpenImagoDialog(TComponent* AOwner);
  void BeforeDestruction() override;

  // While the dialog is open, the current path of the dialog window.
  std::string FileName() const;
  void SetFileName(const std::string& Value) { file_name_ = Value; }
  // Every chosen name (one unless ofAllowMultiSelect).
  const std::vector<std::string>& Files() const { return files_; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& Value) { filter_ = Value; }
  // 1-based; 0 derives the entry from FileName's extension at execution.
  // While the dialog is open, the entry selected there.
  int32_t FilterIndex() const;
  void SetFilterIndex(int32_t Value) { filter_index_ = Value; }
  const std::string& DefaultExt() const { return default_ext_; }
  void SetDefaultExt(const std::string& Value) { default_ext_ = Value; }
  const std::string& InitialDir() const { return initial_dir_; }
  // A trailing "/" is dropped unless the name is one character long.
  void SetInitialDir(const std::string& Value);
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions Value) { options_ = Value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }
  bool AutoSetFilter() const { return auto_set_filter_; }
  void SetAutoSetFilter(bool Value) { auto_set_filter_ = Value; }
  bool ShowAllFrames() const { return show_all_frames_; }
  void SetShowAllFrames(bool Value) { show_all_frames_ = Value; }
  bool AlwaysAnimate() const { return always_animate_; }
  void SetAlwaysAnimate(bool Value);
  TIEDBorderStyle PreviewBorderStyle() const { return preview_border_style_; }
  void SetPreviewBorderStyle(TIEDBorderStyle Value);
  bool AutoAdjustDPI() const { return auto_adjust_dpi_; }
  void SetAutoAdjustDPI(bool Value) { auto_adjust_dpi_ = Value; }
  bool FilteredAdjustDPI() const { return filtered_adjust_dpi_; }
  void SetFilteredAdjustDPI(bool Value) { filtered_adjust_dpi_ = Value; }
  TResampleFilter ZoomFilter() const;
  void SetZoomFilter(TResampleFilter Value);

  TCanCloseEvent OnCanClose;
  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnFolderChange;
  TNotifyEvent OnTypeChange;

  bool Execute() override;

  // ---- the preview panel (usable without a dialog window)
  // Loads the path into the preview (or only its parameters when
  // PreviewCheck is unchecked) and fills the labels; clears them for a
  // folder, a missing file or one that fails to load.
  void PreviewFile(const std::string& Path);
  void ShowImageInfo(const TIOParamsVals* Params);
  virtual void ApplyPreviewZoom();
  // The zoom box entries and "Fit" selected.
  void FillZoomCombo();
  void SelectZoom(int32_t Index);
  void PreviewCheckClick();
  // The PlayButton's click: the frames play while it is down, one frame
  // filling the thumbnail view.
  void PlayClick();
  // The PreviewButton's click and the preview view's double click: the
  // previewed image in a window of its own, shown modally; Escape closes it.
  void ShowFullPreview();
  virtual TRect GetStaticRect();
  int32_t Frames() const { return frames_; }
  int64_t FileSize() const { return file_size_; }
  // The file-type pattern selected while the dialog is open.
  const std::string& SelectedPattern() const { return pattern_; }

  TImagoView* ImagoView() const { return view_; }
  // Shows the frames of a file that has several, in place of the preview.
  TImagoMView* ImagoMView() const { return mview_; }
  // Whether the selected file is shown as thumbnails of its frames.
  bool ShowingFrames() const { return showing_frames_; }
  TPanel* InfoPanel = nullptr;
  TLabel* InfoLabel1 = nullptr;
  TLabel* InfoLabel2 = nullptr;
  TButton* AdvancedButton = nullptr;
  TCheckBox* PreviewCheck = nullptr;
  TPanel* PicturePanel = nullptr;
  TLabel* PicLabel1 = nullptr;
  TLabel* PicLabel2 = nullptr;
  TLabel* PicLabel3 = nullptr;
  TComboBox* ZoomCombo = nullptr;
  TSpeedButton* PreviewButton = nullptr;
  TSpeedButton* PlayButton = nullptr;
  TProgressBar* ProgressBar = nullptr;

 protected:
  void UpdateCaptions();
  intptr_t WndProc(UINT Code) override;
  void BuildFilter(bool ForSave);
  bool DoExecute(bool Save, const std::string& Template);
  void DoShow() override;
  void DoClose() override;
  virtual bool DoCanClose();
  virtual void DoSelectionChange();
  virtual void DoFolderChange();
  virtual void DoTypeChange();
  // File OK: true accepts the chosen names.
  virtual bool FileOK();
  virtual void InitDone() {}
  // The chosen names: one path, or with ofAllowMultiSelect the folder and
  // the names separated by zeros.
  void CollectFiles(const std::string& Names);
  void ClearInfo();
  // Whether a file of this content type goes to the thumbnail view.
  bool WantsFrames(const std::string& Path, int32_t FileType) const;
  void PreviewFrames(const std::string& Path, int32_t FileType);
  // The information of frame Index, from the thumbnail view's companion.
  void ShowFrameInfo(int32_t Index);
  void StopPlaying();

  bool preview_wanted_ = true;
  std::string file_name_;
  std::string pattern_;

 private:
  std::vector<std::string> files_;
  std::string filter_;
  int32_t filter_index_ = 1;
  std::string default_ext_;
  std::string initial_dir_;
  TOpenOptions options_{ofHideReadOnly};
  std::string title_;
  bool auto_set_filter_ = true;
  bool show_all_frames_ = true;
  bool always_animate_ = false;
  TIEDBorderStyle preview_border_style_ = iepsDefault;
  bool auto_adjust_dpi_ = false;
  bool filtered_adjust_dpi_ = false;
  bool in_selection_ = false;
  int32_t frames_ = 0;
  int64_t file_size_ = 0;
  TImagoView* view_ = nullptr;
  TImagoMView* mview_ = nullptr;
  bool showing_frames_ = false;
};
