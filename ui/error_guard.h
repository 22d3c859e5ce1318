// Runs the window's work so that an error escaping it is shown in an error box with its text, and the
// window carries on.
#pragma once

#include <exception>
#include <functional>

namespace tagwright {

class TDialogs;

class TErrorGuard {
 public:
  explicit TErrorGuard(TDialogs& dialogs) : dialogs_(dialogs) {}

  void Run(const std::function<void()>& work) const;
  void ShowError(const std::exception& error) const;

 private:
  TDialogs& dialogs_;
};

}  // namespace tagwright
