// The two failures of the values layer, both level 1 (the run ends unless a
// caller catches them for one record): a conversion that does not exist or
// failed, and a text conversion to a type the layer does not handle.
#pragma once

#include "TK/tk_exception.h"

class ole_cast_exception : public tk_exception {
 public:
  ole_cast_exception()
      : tk_exception("Cannot cast from source type to destination type", TK_LEVEL_RUN) {}
};

class ole_type_exception : public tk_exception {
 public:
  ole_type_exception() : tk_exception("The operating type is not supported yet", TK_LEVEL_RUN) {}
};
