// The module's memory audit, handed out as "IVALIDATE001".
#pragma once

#include "tier1/interface.h"

class CDLLValidate final : public IValidate {
 public:
  void Validate(CValidator &validator) override;
};

extern CDLLValidate g_DLLValidate;
