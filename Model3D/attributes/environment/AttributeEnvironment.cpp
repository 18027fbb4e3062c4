#include "Model3D/attributes/environment/AttributeEnvironment.h"

#include "platform/KitException.h"

#include <memory>
#include <mutex>

namespace {

constexpr const char* SourceName = "Model3D/AttributeEnvironment";
constexpr Int32 AddMode = 200;

struct Environment {
	IAGetAttributeProc get = nullptr;
	IAAddAttributeProc add = nullptr;
	IACountAttributesProc count = nullptr;
	IAIndexAttributeProc index = nullptr;
	IANameAttributeProc name = nullptr;
};

std::mutex environmentLock;
Environment environment;

Environment Current() {
	const std::lock_guard<std::mutex> guard(environmentLock);
	return environment;
}

ADB::IDType MaterialType() {
	return ADB::GetId(IAMaterialTypeCode);
}

} // namespace

void* IASetEnv(void* /*first*/, void* /*second*/, IAGetAttributeProc get, IAAddAttributeProc add,
               IACountAttributesProc count, IAIndexAttributeProc index, IANameAttributeProc name, void* last) {
	const std::lock_guard<std::mutex> guard(environmentLock);
	environment = Environment{get, add, count, index, name};
	return last;
}

Int16 IAnumMaterAttr() {
	const Environment env = Current();
	Int16 count = 0;
	if (env.count == nullptr || env.count(MaterialType(), &count) != 0) return 0;
	return count;
}

void IAnameMaterAttr(Int16 index, Kit::UniString& name) {
	const Environment env = Current();
	if (env.name == nullptr || env.name(MaterialType(), index, &name) != 0)
		throw Kit::InternalErrorException(nullptr, SourceName, __LINE__);
}

Int16 IAindexMaterAttr(const Kit::UniString& name) {
	const Environment env = Current();
	Int16 index = 0;
	if (name.IsEmpty() || env.index == nullptr || env.index(MaterialType(), name, &index) != 0) return IAMissingErr;
	return index;
}

void IAgetMaterAttr(Int16 index, PlanAttr::Material* material, char* found) {
	if (material == nullptr) throw Kit::IllegalArgumentException("IAgetMaterAttr: no material", SourceName, __LINE__);
	const Environment env = Current();
	Int16 status = IAMissingErr;
	if (env.get != nullptr) {
		ADB::GeneralAttribute* fetched = nullptr;
		status = env.get(MaterialType(), index, &fetched);
		const std::unique_ptr<ADB::GeneralAttribute> owner(fetched);
		if (status == 0) {
			const auto* hostMaterial = dynamic_cast<const PlanAttr::Material*>(fetched);
			if (hostMaterial != nullptr)
				*material = *hostMaterial;
			else
				status = IAMissingErr;
		}
	}
	if (found != nullptr)
		*found = status == 0 ? 1 : 0;
	else if (status != 0)
		throw Kit::InternalErrorException(nullptr, SourceName, __LINE__);
}

Int16 IAaddMaterAttr(const ADB::GeneralAttribute* attribute) {
	if (attribute == nullptr) return 0;
	const std::unique_ptr<ADB::GeneralAttribute> copy(attribute->Clone());
	if (copy == nullptr) return 0;
	const Environment env = Current();
	if (env.add == nullptr || env.add(MaterialType(), copy.get(), AddMode) != 0) return 0;
	return copy->GetIndex();
}
