// A headless Ui that can show the system menu: the menu is handed to a
// script of the test (standing in for the operator at a window); every
// other call goes to the headless Ui.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/system_menu.h"
#include "platform/headless/headless_ui.h"

namespace kestrel::test {

class MenuUi : public Ui {
 public:
  explicit MenuUi(std::vector<std::string> answers = {}) : headless_(std::move(answers), "") {}

  // What the operator does with the shown menu; unset: this Ui has no
  // windows.
  std::function<void(TSysMenu1&)> operate;
  int menusShown = 0;

  bool ShowForm(FormModel& form) override {
    auto* menu_ = dynamic_cast<TSysMenu1*>(&form);
    if (!operate || menu_ == nullptr) return false;
    TSysMenu1& menu = *menu_;
    ++menusShown;
    menu.FormShow();
    operate(menu);
    return true;
  }

  void ShowMessage(const std::string& text, MessageKind kind) override { headless_.ShowMessage(text, kind); }
  bool AskYesNo(const std::string& text, MessageKind kind) override { return headless_.AskYesNo(text, kind); }
  bool AskOkCancel(const std::string& text, MessageKind kind) override { return headless_.AskOkCancel(text, kind); }
  std::string SelectDevice(const DeviceDialogRequest& request) override { return headless_.SelectDevice(request); }
  void ShowProgress(const std::string& caption) override { headless_.ShowProgress(caption); }
  void SetProgressLabel(const std::string& label) override { headless_.SetProgressLabel(label); }
  void SetProgress(int position, int maximum) override { headless_.SetProgress(position, maximum); }
  void HideProgress() override {
    ++progressHidden;
    headless_.HideProgress();
  }
  bool ProcessEvents() override { return headless_.ProcessEvents(); }
  std::string ChooseFile(const std::string& title, const std::string& folder, const std::string& filter) override {
    startFolders.push_back(folder);
    return headless_.ChooseFile(title, folder, filter);
  }
  std::string ChooseFolder(const std::string& title, const std::string& folder) override {
    return headless_.ChooseFolder(title, folder);
  }

  const std::vector<std::string>& shown() const { return headless_.shown(); }
  bool WasShown(const std::string& text) const {
    for (const auto& s : shown())
      if (s == text) return true;
    return false;
  }
  int progressHidden = 0;
  std::vector<std::string> startFolders;  // of each file dialog

 private:
  HeadlessUi headless_;
};

}  // namespace kestrel::test
