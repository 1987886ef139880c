#pragma once
// A face: the file name of its texture and the ids of its four corner points, in the order the
// user gave them. The name field holds at most kTextureNameLength characters and its zero.

#include <string_view>

inline constexpr int kTextureNameLength = 51;

class CTextureImage {
 public:
  virtual ~CTextureImage() = default;

  // The one way names get into m_name: copies at most kTextureNameLength characters and the
  // terminating zero. False when the name had to be cut to fit.
  bool SetName(std::string_view name);

  char m_name[kTextureNameLength + 1] = {};
  int m_pointId[4] = {-1, -1, -1, -1};
};
