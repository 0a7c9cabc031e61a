#pragma once
// Message ids: "<" + a left part unique to one message + "@" + a domain + ">".

#include <functional>
#include <string>
#include <string_view>

namespace brivano {

// Makes the left part of a message id; tests put in a fixed one.
using TMessageIdLeft = std::function<std::string()>;

// Time in microseconds, 64 random bits drawn once per process and a counter,
// so ids differ between messages of one run and between runs. Thread-safe.
std::string NewMessageIdLeft();

// The domain of the sender address (after its last at sign) when it is a
// plain dot-atom, else this computer's host name, else "localhost".
std::string MessageIdDomain(std::string_view senderAddress);

// "<left@domain>".
std::string MessageIdFor(std::string_view left, std::string_view senderAddress);

// True for a non-empty dot-atom (RFC 5322 §3.2.3): atext runs joined by
// single dots, no dot at either end.
bool IsDotAtom(std::string_view text);

}  // namespace brivano
