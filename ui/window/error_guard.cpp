#include "ui/window/error_guard.h"

#include <stdexcept>

#include "ui/dialogs/dialogs.h"
#include "ui/text_conversion.h"

namespace tagwright {

void TErrorGuard::ShowError(const std::exception& error) const { ShowErrorText(error.what()); }

void TErrorGuard::ShowErrorText(const std::string& text) const {
  dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Tagwright"), ToQString(text), TMsgDlgButton::OK);
}

void TErrorGuard::Run(const std::function<void()>& work) const {
  try {
    work();
  } catch (const std::exception& error) {
    ShowError(error);
  } catch (...) {
    ShowError(std::runtime_error("Unexpected error"));
  }
}

}  // namespace tagwright
