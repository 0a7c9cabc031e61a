#pragma once
// The door to the desktop's link opener, so the window can be driven without
// starting a browser or a mail program.

#include <string>

class TUrlOpener {
  public:
    virtual ~TUrlOpener() = default;
    // Hands the text to the desktop as it is; the outcome is not looked at.
    virtual void Open(const std::string& url) = 0;
};

// Runs xdg-open with the text as its only argument (no shell in between).
class TDesktopUrlOpener : public TUrlOpener {
  public:
    void Open(const std::string& url) override;
};
