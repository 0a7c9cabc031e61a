#pragma once
// The message-box interface on real windows.

#include "dialogs/MessageBoxes.h"

class TQtMessageBoxes : public TMessageBoxes {
  public:
    void ShowInfo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    TConfirmAnswer Confirm(const std::string& caption, const std::string& text) override;
    TConfirmAnswer Ask(const std::string& text) override;
    TConfirmAnswer Choose(const std::string& text, const std::string& yes, const std::string& no,
                          bool warning) override;
};
