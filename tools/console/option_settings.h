// The options of options.h applied to settings, and listed for the usage text.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/console/options.h"

namespace tessel::console {

struct Settings;

// Reads the option at args[i] ("--dims 3", "--x=4", "--auto-select") when it
// is one of the scopes', advancing i past it and its operand; false when it is
// none of them. Throws UserError for a bad or missing value.
bool readOption(const std::vector<std::string>& args, std::size_t& i, std::initializer_list<options::Scope> scopes,
                Settings& settings);
// A scope's options as usage lines ("  --dims N            dimension count ...").
std::string optionLines(options::Scope scope);
// The usage line of the option "--dims" (also written "dims" or "-x"), or "".
std::string optionHelp(const std::string& name);
// "--types, --keys, ... and --json": a scope's options in a sentence.
std::string optionNames(options::Scope scope);
// Every scope's heading and options, for the usage text.
std::string usageOfOptions();

}  // namespace tessel::console
