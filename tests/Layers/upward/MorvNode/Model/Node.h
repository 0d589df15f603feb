#pragma once

#include "MorvNode/Controller/MVNodeController.h"
