#include "Platform/Point.h"

#include "Platform/GeometryStrings.h"

namespace pf {

std::string Point::description() const
{
  return pointString(*this);
}

}  // namespace pf
