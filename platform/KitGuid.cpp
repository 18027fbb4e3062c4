#include "platform/KitGuid.h"

#include "platform/ByteOrder.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

namespace Kit {

const Guid NULLGuid{};

Guid Guid::Generate() {
	static std::mutex mutex;
	static std::mt19937_64 engine{std::random_device{}()};
	UInt64 a, b;
	{
		std::lock_guard<std::mutex> lock(mutex);
		a = engine();
		b = engine();
	}
	Guid g;
	g.data1 = static_cast<UInt32>(a >> 32);
	g.data2 = static_cast<UInt16>(a >> 16);
	g.data3 = static_cast<UInt16>((a & 0x0FFF) | 0x4000);
	for (int i = 0; i < 8; ++i)
		g.data4[i] = static_cast<UInt8>(b >> (8 * i));
	g.data4[0] = static_cast<UInt8>((g.data4[0] & 0x3F) | 0x80);
	return g;
}

bool Guid::IsNull() const {
	return *this == NULLGuid;
}

std::string Guid::ToString() const {
	char text[40];
	std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
	              data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
	return text;
}

bool Guid::FromString(const char* text, Guid& result) {
	if (text == nullptr) return false;
	std::string s(text);
	if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
	if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return false;
	UInt8 bytes[16];
	int n = 0;
	for (USize i = 0; i < s.size(); ++i) {
		if (s[i] == '-') continue;
		if (i + 1 >= s.size() || s[i + 1] == '-') return false;
		auto hex = [](char c) -> int {
			if (c >= '0' && c <= '9') return c - '0';
			if (c >= 'a' && c <= 'f') return c - 'a' + 10;
			if (c >= 'A' && c <= 'F') return c - 'A' + 10;
			return -1;
		};
		const int hi = hex(s[i]), lo = hex(s[i + 1]);
		if (hi < 0 || lo < 0 || n >= 16) return false;
		bytes[n++] = static_cast<UInt8>(hi * 16 + lo);
		++i;
	}
	if (n != 16) return false;
	Guid g;
	g.data1 = (UInt32(bytes[0]) << 24) | (UInt32(bytes[1]) << 16) | (UInt32(bytes[2]) << 8) | bytes[3];
	g.data2 = static_cast<UInt16>((bytes[4] << 8) | bytes[5]);
	g.data3 = static_cast<UInt16>((bytes[6] << 8) | bytes[7]);
	std::memcpy(g.data4.data(), bytes + 8, 8);
	result = g;
	return true;
}

void Guid::IV(PlatformSign from, PlatformSign to) {
	if (!NeedsSwap(from, to)) return;
	data1 = ByteSwap(data1);
	data2 = ByteSwap(data2);
	data3 = ByteSwap(data3);
}

USize GuidHash::operator()(const Guid& g) const noexcept {
	UInt64 parts[2];
	std::memcpy(parts, &g, sizeof parts);
	return std::hash<UInt64>{}(parts[0] * 0x9E3779B97F4A7C15ull ^ parts[1]);
}

} // namespace Kit
