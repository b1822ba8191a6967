#include "addin/SettingsForm.h"

#include "addin/Tools.h"

namespace Vorlane {

namespace {

// In image-list order: each button's glyph normal, hot and disabled.
const char16_t* const kGlyphs[] = {u"VorlaneOk",     u"VorlaneOkHot",     u"VorlaneOkDisabled",
                                   u"VorlaneCancel", u"VorlaneCancelHot", u"VorlaneCancelDisabled",
                                   u"VorlaneHelp",   u"VorlaneHelpHot",   u"VorlaneHelpDisabled"};

}  // namespace

TFormVorlaneSettings::TFormVorlaneSettings(TComponent* AOwner) : TFormVorlaneSettingsBase(AOwner, TDeferCreate{}) {
  SetName(u"FormVorlaneSettings");
  btnImages = new TImageList(this);
  btnImages->SetName(u"btnImages");
  btnImages->SetSize(24, 24);
  btnImages->SetColorDepth(cd32Bit);
  for (const char16_t* LGlyph : kGlyphs) {
    TIcon LIcon;
    LIcon.SetSize(24, 24);
    TTools::LoadFromIconResource(LIcon, LGlyph);
    btnImages->AddIcon(&LIcon);
  }
  for (TButton* LButton : {btnOK, btnCancel, btnHelp}) LButton->SetImages(btnImages);
  DoCreate();
}

}  // namespace Vorlane
