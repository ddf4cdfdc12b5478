// The "setoption" grammar: "name <name> [value <value>]" parsed against the option
// table and written into the option store. The UCI interface and the XBoard adapter's
// ini file both set options this way.
#pragma once

namespace tolvaren {

class Optionen_t;

// Executes the arguments of a "setoption" line (the text after "setoption ").
// Returns whether an option was set; a malformed line changes nothing.
bool applySetoption(Optionen_t& options, const char* args);

}  // namespace tolvaren
