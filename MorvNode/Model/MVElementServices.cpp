#include "MorvNode/Model/MVElementServices.h"

namespace {

MVElementServices* installedServices = nullptr;  // main thread only

}  // namespace

void MVElementServices::install(MVElementServices* services)
{
  installedServices = services;
}

MVElementServices* MVElementServices::installed()
{
  return installedServices;
}
