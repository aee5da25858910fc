// The abstract window condition. Portable.
#include "controller/Condition.h"

Condition::~Condition() = default;
