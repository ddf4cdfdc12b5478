// The engine options an XBoard user sets in the GUI's settings dialog: the
// "feature option=" lines that announce them with the values in force, and the
// translation of the GUI's "option NAME=VALUE" into a UCI "setoption" line.
// Used by the XBoard adapter.
#pragma once

#include <functional>
#include <string>

namespace tolvaren {

class Optionen_t;

// Calls `print` with one "feature option=..." line per dialog option that the option
// store has, in the dialog's order, each showing the value in force.
void announceXboardOptions(const Optionen_t& options, const std::function<void(const char*)>& print);

enum class XboardOptionResult { Set, UnknownName, BadValue };

// Reads the text after "option" (NAME=VALUE); on success `setoption` receives the
// matching UCI line. Only options of the dialog are accepted; a value is refused
// when it does not fit the option (a check other than 0/1/true/false, a spin that is
// no whole number or lies outside its range, a text over the option's length).
XboardOptionResult translateXboardOption(const Optionen_t& options, const char* args, std::string& setoption);

}  // namespace tolvaren
