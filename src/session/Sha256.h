#pragma once
// SHA-256 of a byte string or a file (FIPS 180-4), as 64 lower-case hexadecimal digits: how a
// project recognises its photograph.

#include <string>
#include <string_view>

std::string Sha256Hex(std::string_view bytes);
// "" when the file cannot be read; `reason` then says why.
std::string Sha256OfFile(const std::string& path, std::string& reason);
