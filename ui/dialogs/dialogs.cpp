#include "ui/dialogs/dialogs.h"

#include "ui/text_conversion.h"

namespace tagwright {

void OpenOrTell(TDialogs& dialogs, const std::string& path) {
  if (dialogs.OpenWithAssociatedApplication(path)) return;
  dialogs.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"),
                     QStringLiteral("No application could open %1").arg(PathToQString(path)), TMsgDlgButton::OK);
}

}  // namespace tagwright
