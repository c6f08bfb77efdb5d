#pragma once
// The fields the main window's password box and the secret phrase dialog
// share: a heading, the cipher list, a heading and the masked phrase, stacked
// from Top down, Width wide.

#include <cstdint>
#include <tuple>

#include "app/CipherList.h"
#include "app/HeadingLabel.h"
#include "ui/NewControl.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"

inline std::tuple<TGradientLabel*, TComboBox*, TGradientLabel*, TEdit*> MakePassPhraseFields(
    TComponent* Owner, TWinControl* Parent, int32_t Left, int32_t Top, int32_t Width) {
  auto* cipherHeading = MakeHeadingLabel(Owner, Parent, "GradientLabel1", "Cipher mode:", Left, Top, Width, 18);
  auto* cipher = NewControl<TComboBox>(Owner, "cbCipher", Parent);
  cipher->SetStyle(csDropDownList);
  cipher->SetBounds(Left, Top + 22, Width, 21);
  for (const char* name : kCipherNames) cipher->Items()->Add(name);
  auto* phraseHeading =
      MakeHeadingLabel(Owner, Parent, "GradientLabel2", "Secret phrase:", Left, Top + 52, Width, 18);
  auto* phrase = NewControl<TEdit>(Owner, "edPassword", Parent, Left, Top + 74, Width, 21);
  phrase->SetSecretText(true);
  phrase->SetPasswordChar('#');
  return {cipherHeading, cipher, phraseHeading, phrase};
}
