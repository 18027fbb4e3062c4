// Kit::HashTable: a hash map from keys to values.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <unordered_map>

namespace Kit {

template <typename Key, typename Value, typename Hash = std::hash<Key>> class HashTable {
public:
	USize GetSize() const { return map.size(); }
	bool IsEmpty() const { return map.empty(); }
	KIT_REINITIALIZES void Clear() { map.clear(); }

	// Adds the key; returns false (and changes nothing) when it is already present.
	bool Add(const Key& key, const Value& value) { return map.emplace(key, value).second; }
	// Adds or replaces.
	void Put(const Key& key, const Value& value) { map.insert_or_assign(key, value); }
	bool Delete(const Key& key) { return map.erase(key) != 0; }
	bool ContainsKey(const Key& key) const { return map.find(key) != map.end(); }

	// The value of the key, or null.
	Value* GetPtr(const Key& key) {
		auto it = map.find(key);
		return it == map.end() ? nullptr : &it->second;
	}
	const Value* GetPtr(const Key& key) const {
		auto it = map.find(key);
		return it == map.end() ? nullptr : &it->second;
	}
	bool Get(const Key& key, Value* value) const {
		const Value* found = GetPtr(key);
		if (found != nullptr && value != nullptr) *value = *found;
		return found != nullptr;
	}
	Value& operator[](const Key& key) { return map[key]; }

	void Reserve(USize n) { map.reserve(n); }

	auto begin() { return map.begin(); }
	auto end() { return map.end(); }
	auto begin() const { return map.begin(); }
	auto end() const { return map.end(); }

private:
	std::unordered_map<Key, Value, Hash> map;
};

} // namespace Kit

#pragma GCC visibility pop
