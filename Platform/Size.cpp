#include "Platform/Size.h"

#include "Platform/GeometryStrings.h"

namespace pf {

std::string Size::description() const
{
  return sizeString(*this);
}

}  // namespace pf
