#pragma once
// Where the user guide (guide.md with its pictures) is: installed beside the program by
// `cmake --install` (PREFIX/share/doc/pelorin for PREFIX/bin/pelorin), or, for a program run
// from its build folder, in the source tree's docs folder.

#include <optional>
#include <string>
#include <vector>

// The places looked at, in order, for a program in programFolder.
std::vector<std::string> UserGuideCandidates(const std::string& programFolder);
// The first candidate that exists, or nothing.
std::optional<std::string> FindUserGuide(const std::string& programFolder);
