// The console host's parts, for the files and tests that use many of them;
// each part's header declares what its own file offers.
#pragma once

#include "tools/console/check.h"
#include "tools/console/diff.h"
#include "tools/console/escaped.h"
#include "tools/console/files.h"
#include "tools/console/help.h"
#include "tools/console/json_file.h"
#include "tools/console/lowered.h"
#include "tools/console/names.h"
#include "tools/console/option_settings.h"
#include "tools/console/options.h"
#include "tools/console/platform.h"
#include "tools/console/session.h"
#include "tools/console/sheet_array.h"
#include "tools/console/show.h"
#include "tools/console/terminal.h"
#include "tools/console/text_encoding.h"
#include "tools/console/tilemap.h"
#include "tools/console/tilemap_file.h"
#include "tools/console/user_error.h"
