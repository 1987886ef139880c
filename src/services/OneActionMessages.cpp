#include "services/OneActionMessages.h"

COneActionMessages::COneActionMessages() : m_next(Services()), m_guard(*this) {}

void COneActionMessages::MessageBox(const std::string& text) {
  if (m_shown.insert(text).second) m_next.MessageBox(text);
}
