// Kit::OpenHashTable: a hash map kept in one flat array of slots (open addressing with
// linear probing), with the interface of Kit::HashTable. Items are not allocated one by
// one: filling a table costs at most one allocation per growth, emptying it none, and a
// lookup usually reads one cache line. Deleted items leave a mark that lookups step over
// until the next growth or rehash drops it.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

namespace Kit {

template <typename Key, typename Value, typename Hash = std::hash<Key>> class OpenHashTable {
public:
	// The key of an item must not be changed through an iterator.
	struct Item {
		Key first{};
		Value second{};
	};

private:
	enum class SlotState : UInt8 { Empty, Full, Deleted };
	struct Slot {
		Item item;
		SlotState state = SlotState::Empty;
	};

	template <typename SlotT, typename ItemT> class Iterator {
	public:
		Iterator(SlotT* slot, SlotT* end) : slot(slot), end(end) { SkipFree(); }
		ItemT& operator*() const { return slot->item; }
		ItemT* operator->() const { return &slot->item; }
		Iterator& operator++() {
			++slot;
			SkipFree();
			return *this;
		}
		bool operator==(const Iterator& other) const { return slot == other.slot; }

	private:
		void SkipFree() {
			while (slot != end && slot->state != SlotState::Full)
				++slot;
		}
		SlotT* slot;
		SlotT* end;
	};

public:
	OpenHashTable() = default;
	OpenHashTable(const OpenHashTable&) = default;
	OpenHashTable& operator=(const OpenHashTable&) = default;
	OpenHashTable(OpenHashTable&& other) noexcept
	    : slots(std::move(other.slots)), size(std::exchange(other.size, 0)), used(std::exchange(other.used, 0)),
	      shift(std::exchange(other.shift, 64)) {
		other.slots.clear();
	}
	OpenHashTable& operator=(OpenHashTable&& other) noexcept {
		if (this != &other) {
			slots = std::move(other.slots);
			other.slots.clear();
			size = std::exchange(other.size, 0);
			used = std::exchange(other.used, 0);
			shift = std::exchange(other.shift, 64);
		}
		return *this;
	}

	USize GetSize() const { return size; }
	bool IsEmpty() const { return size == 0; }
	// Number of slots; kept by Clear.
	USize GetCapacity() const { return slots.size(); }

	// Empties the table and keeps its slots for the items to come.
	KIT_REINITIALIZES void Clear() {
		if (used != 0) {
			// The items of empty slots are never read: plain ones are wiped with their marks
			// in one pass, which beats one small store per slot.
			if constexpr (std::is_trivially_copyable_v<Slot> && static_cast<UInt8>(SlotState::Empty) == 0)
				std::memset(static_cast<void*>(slots.data()), 0, slots.size() * sizeof(Slot));
			else
				for (Slot& slot : slots)
					slot.state = SlotState::Empty;
		}
		size = used = 0;
	}

	// Adds the key; returns false (and changes nothing) when it is already present.
	bool Add(const Key& key, const Value& value) {
		if (!HasRoom(used + 1)) Rehash(CapacityFor(size + 1));
		// One probe: the key is absent when an empty slot comes first; it then goes to the
		// first deleted slot passed, or to the empty one.
		USize free = NotFound;
		USize at = Home(key);
		for (;; at = Next(at)) {
			const Slot& slot = slots[at];
			if (slot.state == SlotState::Empty) break;
			if (slot.state == SlotState::Full) {
				if (slot.item.first == key) return false;
			} else if (free == NotFound) {
				free = at;
			}
		}
		if (free == NotFound) {
			free = at;
			++used;
		}
		Fill(free, key, value);
		return true;
	}
	// Adds or replaces.
	void Put(const Key& key, const Value& value) {
		const USize at = Find(key);
		if (at != NotFound)
			slots[at].item.second = value;
		else
			Insert(key, value);
	}
	bool Delete(const Key& key) {
		const USize at = Find(key);
		if (at == NotFound) return false;
		// A slot followed by an empty one ends no probe sequence that goes on: it can be
		// emptied instead of marked.
		if (slots[Next(at)].state == SlotState::Empty) {
			slots[at].state = SlotState::Empty;
			--used;
		} else {
			slots[at].state = SlotState::Deleted;
		}
		slots[at].item = Item{};
		--size;
		return true;
	}
	bool ContainsKey(const Key& key) const { return Find(key) != NotFound; }

	// The value of the key, or null.
	Value* GetPtr(const Key& key) {
		const USize at = Find(key);
		return at == NotFound ? nullptr : &slots[at].item.second;
	}
	const Value* GetPtr(const Key& key) const {
		const USize at = Find(key);
		return at == NotFound ? nullptr : &slots[at].item.second;
	}
	bool Get(const Key& key, Value* value) const {
		const Value* found = GetPtr(key);
		if (found != nullptr && value != nullptr) *value = *found;
		return found != nullptr;
	}
	Value& operator[](const Key& key) {
		USize at = Find(key);
		if (at == NotFound) at = Insert(key, Value{});
		return slots[at].item.second;
	}

	// Starts loading the slot where a lookup or an addition of the key begins, for a
	// caller that knows its next keys ahead of time. A hint only: it changes nothing and
	// never faults, not even on a table without slots. Always inlined: as a call of its
	// own, the compiler takes it for one without effects and drops it.
	[[gnu::always_inline]] void Prefetch(const Key& key) const { __builtin_prefetch(slots.data() + Home(key)); }

	// Makes room for n items without further growth.
	void Reserve(USize n) {
		if (!HasRoom(n)) Rehash(CapacityFor(n));
	}

	using iterator = Iterator<Slot, Item>;
	using const_iterator = Iterator<const Slot, const Item>;
	iterator begin() { return iterator(slots.data(), slots.data() + slots.size()); }
	iterator end() { return iterator(slots.data() + slots.size(), slots.data() + slots.size()); }
	const_iterator begin() const { return const_iterator(slots.data(), slots.data() + slots.size()); }
	const_iterator end() const { return const_iterator(slots.data() + slots.size(), slots.data() + slots.size()); }

private:
	static constexpr USize NotFound = ~USize(0);
	static constexpr USize MinCapacity = 8;

	// Full and deleted slots together stay at or below three quarters of the slots, so
	// every probe sequence reaches an empty slot soon.
	bool HasRoom(USize usedSlots) const { return usedSlots * 4 <= slots.size() * 3; }
	// A power of two holding n items at most half full.
	static USize CapacityFor(USize n) { return std::bit_ceil(std::max(MinCapacity, n * 2)); }

	// Fibonacci hashing: the high bits of the product spread keys that differ only in
	// their low bits (small integers, aligned pointers) over the whole table.
	USize Home(const Key& key) const {
		const UInt64 h = static_cast<UInt64>(Hash{}(key)) * 0x9E3779B97F4A7C15ull;
		return shift >= 64 ? 0 : static_cast<USize>(h >> shift);
	}
	USize Next(USize at) const { return (at + 1) & (slots.size() - 1); }

	USize Find(const Key& key) const {
		if (size == 0) return NotFound;
		for (USize at = Home(key);; at = Next(at)) {
			const Slot& slot = slots[at];
			if (slot.state == SlotState::Empty) return NotFound;
			if (slot.state == SlotState::Full && slot.item.first == key) return at;
		}
	}

	// Inserts a key known to be absent; returns its slot.
	USize Insert(const Key& key, const Value& value) {
		if (!HasRoom(used + 1)) Rehash(CapacityFor(size + 1));
		USize at = Home(key);
		while (slots[at].state == SlotState::Full)
			at = Next(at);
		if (slots[at].state == SlotState::Empty) ++used;
		Fill(at, key, value);
		return at;
	}
	void Fill(USize at, const Key& key, const Value& value) {
		Slot& slot = slots[at];
		slot.item.first = key;
		slot.item.second = value;
		slot.state = SlotState::Full;
		++size;
	}

	// Moves the items into a new slot array of the given power-of-two size; deletion
	// marks are dropped. The table is unchanged when the allocation fails.
	void Rehash(USize capacity) {
		std::vector<Slot> old(capacity);
		old.swap(slots);
		shift = 64 - std::countr_zero(capacity);
		size = used = 0;
		for (Slot& slot : old) {
			if (slot.state != SlotState::Full) continue;
			USize at = Home(slot.item.first);
			while (slots[at].state == SlotState::Full)
				at = Next(at);
			slots[at].item = std::move(slot.item);
			slots[at].state = SlotState::Full;
			++size;
		}
		used = size;
	}

	std::vector<Slot> slots;
	USize size = 0;
	USize used = 0; // full and deleted slots
	int shift = 64; // 64 - log2(capacity)
};

} // namespace Kit

#pragma GCC visibility pop
