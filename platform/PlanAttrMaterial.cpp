#include "platform/PlanAttrMaterial.h"

#include "platform/BMMemory.h"

#include <algorithm>
#include <new>

namespace PlanAttr {

Material* Material::Clone() const {
	try {
		return new Material(*this);
	} catch (const std::bad_alloc&) {
		return nullptr;
	}
}

const Material::UserDataBlock* Material::FindUserData(UInt32 tag) const {
	auto it = std::find_if(userData.begin(), userData.end(), [tag](const UserDataBlock& b) { return b.tag == tag; });
	return it == userData.end() ? nullptr : &*it;
}

GSErrCode Material::GetUserData(UInt32 tag, UInt32 /*flags*/, Kit::PlatformSign* platform, Int16* version, UInt32* size,
                                GSHandle* handle) const {
	if (handle == nullptr) return BMNilHandle;
	*handle = nullptr;
	if (size != nullptr) *size = 0;

	const UserDataBlock* block = FindUserData(tag);
	if (block == nullptr) return NoError;

	const Int64 byteCount = static_cast<Int64>(block->bytes.size());
	GSHandle copy = BMAllocateHandle(byteCount, 0, 0);
	if (copy == nullptr) return NoMemoryErr;
	BNCopyMemory(*copy, block->bytes.data(), byteCount);

	*handle = copy;
	if (size != nullptr) *size = static_cast<UInt32>(byteCount);
	if (platform != nullptr) *platform = block->platform;
	if (version != nullptr) *version = block->version;
	return NoError;
}

void Material::SetUserData(UInt32 tag, Kit::PlatformSign platform, Int16 version, const char* data, UInt32 size) {
	UserDataBlock block;
	block.tag = tag;
	block.platform = platform;
	block.version = version;
	if (data != nullptr) block.bytes.assign(data, data + size);

	auto it = std::find_if(userData.begin(), userData.end(), [tag](const UserDataBlock& b) { return b.tag == tag; });
	if (it != userData.end())
		*it = std::move(block);
	else
		userData.push_back(std::move(block));
}

bool Material::HasUserData(UInt32 tag) const {
	return FindUserData(tag) != nullptr;
}

void Material::RemoveUserData(UInt32 tag) {
	std::erase_if(userData, [tag](const UserDataBlock& b) { return b.tag == tag; });
}

} // namespace PlanAttr
