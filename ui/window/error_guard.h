// Runs the window's work so that an error escaping it is shown in an error box with its text, and the
// window carries on.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace tagwright {

class TDialogs;

class TErrorGuard {
 public:
  explicit TErrorGuard(TDialogs& dialogs) : dialogs_(dialogs) {}

  void Run(const std::function<void()>& work) const;
  void ShowError(const std::exception& error) const;
  // The same for a failure the core reported, in its own words.
  void ShowErrorText(const std::string& text) const;

 private:
  TDialogs& dialogs_;
};

}  // namespace tagwright
