// An entry of the Project Manager's context menu; choosing it runs OnExecute with the
// selected nodes' contexts.
#pragma once

#include <functional>

#include "addin/LocalMenu.h"

namespace Vorlane {

using TProjectManagerMenuExecuteEvent = std::function<void(IInterfaceList* MenuContextList)>;

class TProjectManagerMenu : public TLocalMenu, public virtual IOTAProjectManagerMenu {
 public:
  bool GetIsMultiSelectable() override { return fIsMultiSelectable; }
  void SetIsMultiSelectable(bool AValue) override { fIsMultiSelectable = AValue; }
  void Execute(IInterfaceList* MenuContextList) override;
  bool PreExecute(IInterfaceList* MenuContextList) override;
  bool PostExecute(IInterfaceList* MenuContextList) override;

  const TProjectManagerMenuExecuteEvent& OnExecute() const { return fOnExecute; }
  void SetOnExecute(TProjectManagerMenuExecuteEvent AValue) { fOnExecute = std::move(AValue); }

 private:
  bool fIsMultiSelectable = false;
  TProjectManagerMenuExecuteEvent fOnExecute;
};

}  // namespace Vorlane
