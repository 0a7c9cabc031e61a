#pragma once
// What makes two messages "the same message" for the journal: a SHA-256 of
// the subject and the text one recipient gets, merge fields filled in.

#include <string>
#include <string_view>

namespace brivano {

// 64 lowercase hex digits. Subject and text are kept apart, so moving a
// line between them makes another message.
std::string ImprontaMessaggio(std::string_view oggetto, std::string_view corpo);

}  // namespace brivano
