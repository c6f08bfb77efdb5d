// Where a caption panel keeps its place, size and collapsed state between
// runs: a key of the settings store, or an ini file. The panel writes the
// values when its window is destroyed and reads them at its end of loading.
#pragma once

#include <string>

#include "rtl/TPersistent.h"
#include "rtl/TypInfo.h"

RTL_ENUM(TPanelPositionLocation, clRegistry, clInifile);

class TCustomUxPanel;

class TPanelPosition : public TPersistent {
  RTL_CLASS(TPanelPosition, TPersistent)
 public:
  explicit TPanelPosition(TCustomUxPanel* Owner = nullptr) : owner_(Owner) {}

  bool Save() const { return save_; }
  void SetSave(bool v) { save_ = v; }
  // clRegistry: the key below the current user's root; clInifile: the
  // file's name (a name without a folder lives in the settings folder).
  const std::string& Key() const { return key_; }
  void SetKey(const std::string& v) { key_ = v; }
  // The sub-key, or the ini section, holding the values.
  const std::string& Section() const { return section_; }
  void SetSection(const std::string& v) { section_ = v; }
  TPanelPositionLocation Location() const { return location_; }
  void SetLocation(TPanelPositionLocation v) { location_ = v; }

  // Copies Key, Section, Save and Location.
  void Assign(TPersistent* Source) override;

  // Writes "Top", "Left", "Height", "FullHeight", "Width" and "Collaps";
  // raises when the registry section cannot be created.
  void SavePosition();
  // Reads them back and applies each at once; missing values keep the
  // current ones.
  void LoadPosition();

 private:
  bool Usable() const;
  TCustomUxPanel* owner_;
  bool save_ = false;
  std::string key_, section_;
  TPanelPositionLocation location_ = clRegistry;
};

// The file an ini location names: a name with a folder as it stands, a bare
// name in the settings folder.
std::string PanelIniFilePath(const std::string& Key);
