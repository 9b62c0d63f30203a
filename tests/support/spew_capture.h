// Captures Msg, Warning and assertion reports for the life of the object.
#pragma once

#include <string>
#include <vector>

#include "tier0/dbg.h"

class SpewCapture {
 public:
  SpewCapture();
  ~SpewCapture();
  SpewCapture(const SpewCapture &) = delete;
  SpewCapture &operator=(const SpewCapture &) = delete;

  const std::vector<std::string> &Asserts() const { return m_Asserts; }
  const std::vector<std::string> &Messages() const { return m_Messages; }
  const std::vector<std::string> &Warnings() const { return m_Warnings; }
  // True when any captured report of any kind contains `text`.
  bool Contains(const std::string &text) const;
  void Clear();

 private:
  static void Hook(const SpewInfo &info, void *context);
  std::vector<std::string> m_Asserts;
  std::vector<std::string> m_Messages;
  std::vector<std::string> m_Warnings;
};
