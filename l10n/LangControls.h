// What the translation components look for in the controls of a window.
// Everything is reached by name through published properties, so a control
// takes part by publishing these (the test fixtures do the same):
//
//   Caption, Hint, DisplayLabel   string properties (kinds Captions, Hints,
//                                 DisplayLabels); any other string property
//                                 is reached through OtherStrings
//   Font                          class property of a class named "TFont"
//                                 that publishes Name (string) and Charset
//                                 (an integer character-set value)
//   ParentFont                    Boolean; when true the font is left alone
//   Action                        class property; when it holds an object the
//                                 caption and hint belong to the action
//   Items, Lines, ...             TStrings properties (MultiLines); a control
//                                 that also publishes ItemIndex (integer) keeps
//                                 its selection across an update; a
//                                 TStringList that is Sorted is unsorted during
//                                 the update and sorted again after it
//   Panels, Columns, ...          TCollection properties (Collections)
//
// Window classes: an owner counts as a data module (not a form) when its
// class or an ancestor is named "TDataModule"; menu separators are components
// of a class named "TMenuItem" with the caption "-".
#pragma once

namespace lxnames {
inline constexpr const char* Caption = "Caption";
inline constexpr const char* Hint = "Hint";
inline constexpr const char* DisplayLabel = "DisplayLabel";
inline constexpr const char* Font = "Font";
inline constexpr const char* FontClass = "TFont";
inline constexpr const char* FontName = "Name";
inline constexpr const char* FontCharset = "Charset";
inline constexpr const char* ParentFont = "ParentFont";
inline constexpr const char* Action = "Action";
inline constexpr const char* ItemIndex = "ItemIndex";
inline constexpr const char* StringsClass = "TStrings";
inline constexpr const char* DataModuleClass = "TDataModule";
inline constexpr const char* MenuItemClass = "TMenuItem";
inline constexpr const char* FormStorageClass = "TFormStorage";
}  // namespace lxnames
