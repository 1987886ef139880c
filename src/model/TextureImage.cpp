#include "model/TextureImage.h"

#include <algorithm>
#include <cstring>

bool CTextureImage::SetName(std::string_view name) {
  const size_t length = std::min(name.size(), static_cast<size_t>(kTextureNameLength));
  std::memcpy(m_name, name.data(), length);
  m_name[length] = '\0';
  return length == name.size();
}
