#pragma once

#include "MorvNode/Model/MVNode.h"
