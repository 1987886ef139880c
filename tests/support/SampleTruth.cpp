#include "SampleTruth.h"

#include <fstream>
#include <sstream>

CSampleTruth ReadSampleTruth(const std::string& path) {
  CSampleTruth truth;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind, name;
    words >> kind;
    if (kind == "corner" || kind == "reference") {
      CSampleTruth::CPosition p{};
      words >> name >> p.X >> p.Y >> p.Z >> p.x >> p.y;
      (kind == "corner" ? truth.corners : truth.references)[name] = p;
    } else if (kind == "segment") {
      char direction = 0;
      std::array<double, 4> s{};
      words >> direction >> s[0] >> s[1] >> s[2] >> s[3];
      truth.segments[direction].push_back(s);
    }
  }
  return truth;
}
