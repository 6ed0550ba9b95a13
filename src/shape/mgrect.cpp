#include "shape/mgrect.h"
