#include "shape/mglines.h"
