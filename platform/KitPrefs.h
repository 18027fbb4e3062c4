// Boolean preferences of the root library.
//
// DBGetBool(section, key, default) looks the value up in this order and takes the
// first one found:
//   1. a value set in this process with DBSetBool (for the host and for tests);
//   2. the environment variable M3D_PREF_<section>_<key>, where every character of
//      section and key that is not a letter, digit or '_' is replaced by '_' and case is
//      kept (DBGetBool("Atelier", "compress", true) reads M3D_PREF_Atelier_compress);
//   3. the preferences file named by the environment variable M3D_PREFS, an ini-style
//      text: "[section]" lines open a section, "key=value" lines inside it set a key,
//      lines starting with '#' or ';' are comments, blanks around names and values are
//      ignored, and section and key names match without regard to case;
//   4. the default.
// Accepted values, without regard to case: 1, true, yes, on and 0, false, no, off. A
// source whose value is none of these is skipped as if it did not have the key. Such a
// value, and a preferences file that cannot be read, are warned about once per process
// (a warning line of Kit::logger, category "Kit").
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

bool DBGetBool(const char* section, const char* key, bool defaultValue);

// Sets a value for this process that overrides the environment and the file.
void DBSetBool(const char* section, const char* key, bool value);
// Removes the process value of one key, or of all keys.
void DBResetBool(const char* section, const char* key);
void DBResetAllBools();

// Parses a preference value; false when it is none of the accepted words.
bool DBParseBool(const char* text, bool& value);

#pragma GCC visibility pop
