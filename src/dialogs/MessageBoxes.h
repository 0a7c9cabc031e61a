#pragma once
// The one door through which every part of the program talks to the user with
// a modal box. Window code installs the Qt implementation; tests install a
// recorder that logs each box and answers confirmations from a script.

#include <exception>
#include <string>

enum class TConfirmAnswer { Yes, No };  // No also stands for Escape and the close box

class TMessageBoxes {
  public:
    virtual ~TMessageBoxes() = default;

    // General message box: caption "Brivano", no icon, one OK, centred, modal.
    virtual void ShowInfo(const std::string& text) = 0;

    // General error display: caption "Brivano", stop icon, one OK. `text` is
    // the error's message; the implementation applies ErrorDisplayText.
    virtual void ShowError(const std::string& text) = 0;

    // Question box with Yes (default) and No; Escape and closing answer No.
    virtual TConfirmAnswer Confirm(const std::string& caption, const std::string& text) = 0;

    // The program's own yes/no question: caption "Brivano", question icon, the
    // buttons in the user's language ("Sì" and "No"), Yes the default, Escape
    // and closing answer No. Confirm keeps its fixed "&Yes" and "&No".
    virtual TConfirmAnswer Ask(const std::string& text) { return Confirm("Brivano", text); }

    // A question whose two buttons say what they do (`yes`, `no`); `warning`
    // shows it with the warning icon. Escape and closing answer No.
    virtual TConfirmAnswer Choose(const std::string& text, const std::string& yes,
                                  const std::string& no, bool warning) {
        (void)yes, (void)no, (void)warning;
        return Ask(text);
    }
};

// The error display appends a full stop when the last character's code is above
// that of the full stop (so "x." and "x!" stay as they are, "abc" gets one).
inline std::string ErrorDisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

// Runs one command; an error escaping it ends the command and goes to the
// general error display, and the program goes on.
template <class Command>
void RunGuarded(TMessageBoxes& boxes, Command&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        boxes.ShowError(e.what());
    }
}
