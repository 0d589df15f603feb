#include "Shared/SVG/ODSVGForeignObject.h"
