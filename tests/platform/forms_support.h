#pragma once

#include "common/qtsupport.h"
