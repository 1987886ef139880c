#pragma once
// JSON holds Unicode text only, while names and paths are bytes: a texture name from an older
// data file may be Latin-1, a folder may be named in any encoding. Text for JSON keeps every
// well-formed UTF-8 sequence and reads each other byte as the Latin-1 character of that value,
// so "fa\xE7ade.gif" becomes "façade.gif" and no byte string is refused.

#include <string>
#include <string_view>

std::string Utf8Text(std::string_view bytes);
