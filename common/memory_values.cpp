#include "memory_values.h"

namespace vorms::memory {
namespace {

struct Values {
#define VORMS_MEMORY_FIELD(Type, Name, Start) Type Name = Start;
  VORMS_MEMORY_VALUES(VORMS_MEMORY_FIELD)
#undef VORMS_MEMORY_FIELD
};

Values g_values;

}  // namespace

#define VORMS_DEFINE_MEMORY_VALUE(Type, Name, Start)   \
  Type Get##Name() { return g_values.Name; }           \
  void Set##Name(const Type& value) { g_values.Name = value; }
VORMS_MEMORY_VALUES(VORMS_DEFINE_MEMORY_VALUE)
#undef VORMS_DEFINE_MEMORY_VALUE

void ResetAll() { g_values = Values{}; }

}  // namespace vorms::memory
