#include "Model3D/persistence/base/MainContainerBase.h"

#include "Model3D/core/frame/ModuleFrame.h"
#include "platform/IOFolder.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

namespace Modeler {

namespace {
constexpr UInt32 NotFound = 0xFFFFFFFF;
}

MainContainerBase::MainContainerBase(DiskCachingMethod method) : diskCachingMethod(method) {
	userData.reserve(5);
}

MainContainerBase::~MainContainerBase() {
	ClearUserProperties();
}

void MainContainerBase::CreateSwapFolder(const IO::Name& name) {
	IO::Folder* temp = GetTemporaryFolder();
	std::unique_ptr<IO::Folder> folder;
	if (temp != nullptr && name.IsValid()) folder = temp->OpenFolder(name, IO::Folder::CreateIfMissing);
	if (folder == nullptr || folder->DeleteContents() != 0) {
		const std::string where = temp != nullptr ? temp->GetLocationOf(name).ToUtf8() : name.ToUtf8();
		Kit::logger.LogWarning("MainContainerBase::CreateSwapFolder failed: %", where.c_str(), "Modeler");
		throw Kit::RunTimeErrorException("Error in MainContainerBase::CreateSwapFolder", "Model3D/MainContainerBase",
		                                 146);
	}
	swapFolder = folder->GetLocation();
}

void MainContainerBase::RemoveSwapFolder() {
	if (!swapFolder.IsEmpty() && IO::fileSystem.Delete(swapFolder) != 0)
		Kit::logger.LogWarning("MainContainerBase::RemoveSwapFolder failed: %", swapFolder.ToUtf8().c_str(), "Modeler");
	swapFolder.Clear();
}

UInt32 MainContainerBase::SearchUserDataKey(UInt32 key) const {
	for (UInt32 i = 0; i < userData.GetSize(); ++i)
		if (userData[i].first == key) return i;
	return NotFound;
}

Kit::Object* MainContainerBase::GetUserData(UInt32 key) const {
	const UInt32 index = SearchUserDataKey(key);
	return index == NotFound ? nullptr : userData[index].second;
}

void MainContainerBase::SetUserData(UInt32 key, Kit::Object* obj) const {
	const UInt32 index = SearchUserDataKey(key);
	if (index == NotFound) {
		userData.Push({key, obj});
		return;
	}
	if (userData[index].second != obj) {
		delete userData[index].second;
		userData[index].second = obj;
	}
}

void MainContainerBase::ClearUserProperties() const {
	for (auto& [key, obj] : userData)
		delete obj;
	userData.Clear();
}

void DeepCopyMainContainerBase(Kit::SharedPtr<MainContainerBase> target, const MainContainerBase& source) {
	if (target == nullptr || target.Get() == &source) return;
	target->userTag = source.userTag;
	target->ClearUserProperties();
	for (const auto& [key, obj] : source.userData) {
		Kit::Object* copy = obj != nullptr ? obj->Clone() : nullptr;
		target->userData.Push({key, copy});
	}
}

} // namespace Modeler
