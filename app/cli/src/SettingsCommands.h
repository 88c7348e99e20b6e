#pragma once
// "settings show" and "settings set NAME VALUE": the settings record from the command line.

#include <string>

class CTerminal;

// Prints every setting as "NAME = VALUE", the keys and the password only as set or not. Returns the
// exit status.
int ShowSettings(CTerminal& terminal);
// Sets one setting by its registry name and saves the settings. An unknown name, a value that is not
// a number for a number setting, or a value that is never stored gives exit status 2.
int SetSetting(const std::string& name, const std::string& value, CTerminal& terminal);
