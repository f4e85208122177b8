#include "low/lower.h"

#include "top/upper.h"
