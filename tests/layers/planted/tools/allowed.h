// The checker's own test: a tool may include any layer, and the editor beside it.
#pragma once

#include <sys/stat.h>

#include "core/cell.h"
#include "editor/picture.h"
#include "host/tessel.h"
