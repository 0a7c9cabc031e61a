#pragma once
// What the two link buttons of the address book may hand to the desktop. The
// texts come from the address table, which anyone can fill, so only web links
// and plain e-mail addresses leave the program.

#include <optional>
#include <string>

namespace brivano {

// The web-site field as a link to open: http and https links as they are, a
// text without a scheme with "http://" in front. Nothing for any other scheme,
// a local path, or a text holding control characters.
std::optional<std::string> LinkSito(const std::string& sito);

// "mailto:" followed by the e-mail field unencoded; nothing when the field
// holds control characters.
std::optional<std::string> LinkMailto(const std::string& email);

}  // namespace brivano
