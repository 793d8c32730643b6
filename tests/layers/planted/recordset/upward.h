// The checker's own test: a recordset header that reaches up into persist.
#pragma once

#include "core/cell.h"
#include "persist/file.h"
