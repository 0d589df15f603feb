#include "Shared/SVG/ODSVGGroupLayer.h"
