#pragma once
// Test double for TMessageBoxes: records every box in order and answers
// confirmations from a queue (No when the queue is empty).

#include <deque>
#include <string>
#include <vector>

#include "dialogs/MessageBoxes.h"

struct TRecordedBox {
    enum class Kind { Message, Error, Confirm } kind;
    std::string caption;
    std::string text;
    bool operator==(const TRecordedBox&) const = default;
};

class TRecordingMessageBoxes : public TMessageBoxes {
  public:
    void ShowInfo(const std::string& text) override {
        boxes.push_back({TRecordedBox::Kind::Message, "Brivano", text});
    }
    void ShowError(const std::string& text) override {
        boxes.push_back({TRecordedBox::Kind::Error, "Brivano", ErrorDisplayText(text)});
    }
    TConfirmAnswer Confirm(const std::string& caption, const std::string& text) override {
        boxes.push_back({TRecordedBox::Kind::Confirm, caption, text});
        if (answers.empty()) return TConfirmAnswer::No;
        TConfirmAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    // Recorded as a confirmation captioned "Brivano", and in `asked` too.
    TConfirmAnswer Ask(const std::string& text) override {
        asked.push_back(text);
        return Confirm("Brivano", text);
    }

    // Texts of the plain message boxes, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            if (b.kind == TRecordedBox::Kind::Message) out.push_back(b.text);
        return out;
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            if (b.kind == TRecordedBox::Kind::Error) out.push_back(b.text);
        return out;
    }

    std::vector<TRecordedBox> boxes;
    std::deque<TConfirmAnswer> answers;
    std::vector<std::string> asked;  // the program's own questions
};
