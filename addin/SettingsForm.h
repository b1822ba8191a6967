// The settings dialog with its button glyphs.
#pragma once

#include "addin/SettingsBaseForm.h"

namespace Vorlane {

class TFormVorlaneSettings : public TFormVorlaneSettingsBase {
 public:
  explicit TFormVorlaneSettings(TComponent* AOwner);

  // OK, Cancel and Help, each normal, hot and disabled.
  TImageList* btnImages;
};

}  // namespace Vorlane
