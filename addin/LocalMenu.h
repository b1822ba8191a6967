// A context-menu entry offered to the IDE: the properties the IDE reads and writes, and
// nothing more.
#pragma once

#include "ide/ToolsAPI.h"

namespace Vorlane {

class TLocalMenu : public TNotifierObject, public virtual IOTALocalMenu {
 public:
  UnicodeString GetCaption() override { return fCaption; }
  bool GetChecked() override { return fChecked; }
  bool GetEnabled() override { return fEnabled; }
  Integer GetHelpContext() override { return fHelpContext; }
  UnicodeString GetName() override { return fName; }
  UnicodeString GetParent() override { return fParent; }
  Integer GetPosition() override { return fPosition; }
  UnicodeString GetVerb() override { return fVerb; }
  void SetCaption(const UnicodeString& AValue) override { fCaption = AValue; }
  void SetChecked(bool AValue) override { fChecked = AValue; }
  void SetEnabled(bool AValue) override { fEnabled = AValue; }
  void SetHelpContext(Integer AValue) override { fHelpContext = AValue; }
  void SetName(const UnicodeString& AValue) override { fName = AValue; }
  void SetParent(const UnicodeString& AValue) override { fParent = AValue; }
  void SetPosition(Integer AValue) override { fPosition = AValue; }
  void SetVerb(const UnicodeString& AValue) override { fVerb = AValue; }

 protected:
  UnicodeString fCaption;
  bool fChecked = false;
  bool fEnabled = false;
  Integer fHelpContext = 0;
  UnicodeString fName;
  UnicodeString fParent;
  Integer fPosition = 0;
  UnicodeString fVerb;
};

}  // namespace Vorlane
