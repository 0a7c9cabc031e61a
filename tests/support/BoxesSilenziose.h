#pragma once
// Message boxes for the documentation's picture tools: texts go to standard
// error and every question gets the one answer given.

#include <cstdio>
#include <string>

#include "dialogs/MessageBoxes.h"

class TBoxesSilenziose : public TMessageBoxes {
  public:
    explicit TBoxesSilenziose(TConfirmAnswer risposta = TConfirmAnswer::No) : risposta_(risposta) {}
    void ShowInfo(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    TConfirmAnswer Confirm(const std::string&, const std::string&) override { return risposta_; }

  private:
    TConfirmAnswer risposta_;
};
