#include "Shared/SVG/ODSVGStrokeLayer.h"
