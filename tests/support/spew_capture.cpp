#include "support/spew_capture.h"

SpewCapture::SpewCapture() { SetSpewHook(&SpewCapture::Hook, this); }

SpewCapture::~SpewCapture() { SetSpewHook(nullptr, nullptr); }

void SpewCapture::Hook(const SpewInfo &info, void *context) {
  auto *self = static_cast<SpewCapture *>(context);
  switch (info.type) {
    case SpewType::Assert: self->m_Asserts.emplace_back(info.text); break;
    case SpewType::Warning: self->m_Warnings.emplace_back(info.text); break;
    default: self->m_Messages.emplace_back(info.text); break;
  }
}

bool SpewCapture::Contains(const std::string &text) const {
  for (const auto *list : {&m_Asserts, &m_Messages, &m_Warnings})
    for (const auto &line : *list)
      if (line.find(text) != std::string::npos) return true;
  return false;
}

void SpewCapture::Clear() {
  m_Asserts.clear();
  m_Messages.clear();
  m_Warnings.clear();
}
