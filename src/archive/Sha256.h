#pragma once
// SHA-256 (FIPS 180-4), for the password verifier of protected table files.

#include <array>
#include <cstdint>
#include <string>

std::array<uint8_t, 32> Sha256(const std::string& data);
