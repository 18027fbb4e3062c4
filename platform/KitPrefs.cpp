#include "platform/KitPrefs.h"

#include "platform/KitLogger.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace {

std::string Lower(std::string text) {
	for (char& c : text)
		c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
	return text;
}

std::string Trim(const std::string& text) {
	const USize first = text.find_first_not_of(" \t\r\n");
	if (first == std::string::npos) return std::string();
	const USize last = text.find_last_not_of(" \t\r\n");
	return text.substr(first, last - first + 1);
}

// Process values, keyed by lower-case "section\nkey".
struct Overrides {
	std::mutex mutex;
	std::map<std::string, bool> values;
};

Overrides& GetOverrides() {
	static Overrides* overrides = new Overrides;
	return *overrides;
}

std::string OverrideKey(const char* section, const char* key) {
	return Lower(section != nullptr ? section : "") + '\n' + Lower(key != nullptr ? key : "");
}

std::string EnvironmentName(const char* section, const char* key) {
	std::string name = "M3D_PREF_";
	const auto append = [&name](const char* text) {
		for (; text != nullptr && *text != '\0'; ++text) {
			const unsigned char c = static_cast<unsigned char>(*text);
			name += (std::isalnum(c) != 0 && c < 0x80) || c == '_' ? static_cast<char>(c) : '_';
		}
	};
	append(section);
	name += '_';
	append(key);
	return name;
}

// Logs a warning (category "Kit") the first time a text is seen in this process, so that
// a bad setting read again and again is reported once. The first "%" of text stands for
// location.
void WarnOnce(const std::string& text, const std::string& location) {
	static std::mutex mutex;
	static auto* warned = new std::set<std::string>;
	{
		std::lock_guard<std::mutex> lock(mutex);
		if (!warned->insert(text + '\n' + location).second) return;
	}
	Kit::logger.LogWarning(text.c_str(), location.c_str(), "Kit");
}

bool ParseOrWarn(const std::string& text, bool& value, const std::string& setting, const std::string& location) {
	if (DBParseBool(text.c_str(), value)) return true;
	WarnOnce("Preference %: " + setting + " = \"" + text +
	             "\" is not one of 1, true, yes, on, 0, false, no, off; ignored",
	         location);
	return false;
}

// Looks the key up in the preferences file; false when the file, the key or a valid
// value is missing.
bool ReadFromFile(const char* section, const char* key, bool& value) {
	const char* path = std::getenv("M3D_PREFS");
	if (path == nullptr || path[0] == '\0') return false;
	std::ifstream file(path);
	if (!file) {
		WarnOnce("Preference file % cannot be read; its values are ignored", path);
		return false;
	}
	const std::string wantedSection = Lower(section != nullptr ? section : "");
	const std::string wantedKey = Lower(key != nullptr ? key : "");
	bool inSection = false;
	std::string line;
	while (std::getline(file, line)) {
		line = Trim(line);
		if (line.empty() || line[0] == '#' || line[0] == ';') continue;
		if (line.front() == '[') {
			const USize close = line.find(']');
			inSection = close != std::string::npos && Lower(Trim(line.substr(1, close - 1))) == wantedSection;
			continue;
		}
		if (!inSection) continue;
		const USize equals = line.find('=');
		if (equals == std::string::npos || Lower(Trim(line.substr(0, equals))) != wantedKey) continue;
		const std::string setting =
		    "[" + std::string(section != nullptr ? section : "") + "] " + (key != nullptr ? key : "");
		if (ParseOrWarn(Trim(line.substr(equals + 1)), value, setting, path)) return true;
	}
	return false;
}

} // namespace

bool DBParseBool(const char* text, bool& value) {
	if (text == nullptr) return false;
	const std::string word = Lower(Trim(text));
	if (word == "1" || word == "true" || word == "yes" || word == "on") {
		value = true;
		return true;
	}
	if (word == "0" || word == "false" || word == "no" || word == "off") {
		value = false;
		return true;
	}
	return false;
}

bool DBGetBool(const char* section, const char* key, bool defaultValue) {
	{
		Overrides& overrides = GetOverrides();
		std::lock_guard<std::mutex> lock(overrides.mutex);
		const auto it = overrides.values.find(OverrideKey(section, key));
		if (it != overrides.values.end()) return it->second;
	}
	bool value;
	const std::string variable = EnvironmentName(section, key);
	if (const char* text = std::getenv(variable.c_str());
	    text != nullptr && ParseOrWarn(text, value, "value", variable))
		return value;
	if (ReadFromFile(section, key, value)) return value;
	return defaultValue;
}

void DBSetBool(const char* section, const char* key, bool value) {
	Overrides& overrides = GetOverrides();
	std::lock_guard<std::mutex> lock(overrides.mutex);
	overrides.values[OverrideKey(section, key)] = value;
}

void DBResetBool(const char* section, const char* key) {
	Overrides& overrides = GetOverrides();
	std::lock_guard<std::mutex> lock(overrides.mutex);
	overrides.values.erase(OverrideKey(section, key));
}

void DBResetAllBools() {
	Overrides& overrides = GetOverrides();
	std::lock_guard<std::mutex> lock(overrides.mutex);
	overrides.values.clear();
}
