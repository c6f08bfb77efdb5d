// TSaveImagoDialog: the open dialog with preview run as the save dialog. Its
// file-type list holds the writable formats; a change of type rewrites the
// extension of the typed name; a name without extension gets the selected
// type's first extension (before the overwrite question, so that the file
// actually written is the one asked about); the Advanced button edits the
// save parameters of an attached input/output object.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/view/IEDialogFilter.h"
#include "imaging/view/TOpenImagoDialog.h"
#include "rtl/TSet.h"

class TImagoIO;
class TImagoMIO;
class TIOParamsVals;
class TTimer;

enum TIESaveDlgOpt : uint8_t { sdShowPreview, sdShowAdvanced };
using TIESaveDlgOpts = TSet<TIESaveDlgOpt>;

class TSaveImagoDialog : public TOpenImagoDialog {
  RTL_CLASS(TSaveImagoDialog, TOpenImagoDialog)
 public:
  explicit TSaveImagoDialog(TComponent* AOwner);
  ~TSaveImagoDialog() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TIESaveDlgOpts ExOptions() const { return ex_options_; }
  void SetExOptions(TIESaveDlgOpts Value) { ex_options_ = Value; }
  TComponent* AttachedImagoIO() const { return attached_; }
  // Accepts a TImagoIO, a TImagoMIO, a TImagoView or a TImagoMView; any
  // other component is ignored. A thumbnail view or companion without
  // images makes Execute return false without showing anything.
  void SetAttachedImagoIO(TComponent* Value);

  bool Execute() override;
  virtual void UpdateFileNameExtension();
  void UpdateAdvancedButton();
  void AdvancedClick();
  // The template of the last execution.
  const std::string& TemplateName() const { return template_; }
  // The 100 ms timer that keeps the Advanced button in step while the dialog
  // window exists.
  TTimer* UpdateTimer() const { return timer_; }

 protected:
  void DoTypeChange() override;
  bool FileOK() override;
  void InitDone() override;
  void DoClose() override;

 private:
  // The single-image input/output object attached directly or through its
  // view; the thumbnail companion attached directly or through its view.
  TImagoIO* AttachedIO() const;
  TImagoMIO* AttachedMIO() const;
  void RestoreAttachedParams();
  TIENameFormat NameFormat() const;
  std::string CompletedName(const std::string& Name) const;

  TIESaveDlgOpts ex_options_{sdShowPreview, sdShowAdvanced};
  TComponent* attached_ = nullptr;
  std::vector<std::unique_ptr<TIOParamsVals>> saved_params_;
  std::string template_;
  TTimer* timer_ = nullptr;
};
