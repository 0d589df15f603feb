#include "MorvNode/Model/InterfaceIconProvider.h"

namespace {

InterfaceIconProvider* installedProvider = nullptr;  // main thread only

}  // namespace

void InterfaceIconProvider::install(InterfaceIconProvider* provider)
{
  installedProvider = provider;
}

InterfaceIconProvider* InterfaceIconProvider::installed()
{
  return installedProvider;
}
