#include "Model3D/persistence/base/MainContainerBase.h"

#include "Model3D/core/frame/ModuleFrame.h"
#include "platform/IOFolder.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

#include <new>

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
	return index == NotFound ? nullptr : userData[index].second.get();
}

void MainContainerBase::SetUserData(UInt32 key, Kit::Object* obj) const {
	std::unique_ptr<Kit::Object> owned(obj);
	const UInt32 index = SearchUserDataKey(key);
	if (index == NotFound) {
		try {
			userData.Push({key, std::move(owned)});
		} catch (const std::bad_alloc&) {
			throw Kit::OutOfMemoryException();
		}
		return;
	}
	if (userData[index].second.get() == obj) {
		(void)owned.release(); // already ours
		return;
	}
	userData[index].second = std::move(owned);
}

void MainContainerBase::ClearUserProperties() const {
	// Emptied before the objects die, so that no destructor sees a half-cleared table.
	UserDataTable old;
	old.swap(userData);
}

void DeepCopyMainContainerBase(Kit::SharedPtr<MainContainerBase> target, const MainContainerBase& source) {
	if (target == nullptr || target.Get() == &source) return;
	MainContainerBase::UserDataTable copies;
	try {
		copies.reserve(source.userData.GetSize());
		for (const auto& [key, obj] : source.userData) {
			std::unique_ptr<Kit::Object> copy(obj != nullptr ? obj->Clone() : nullptr);
			if (obj != nullptr && copy == nullptr) throw std::bad_alloc();
			copies.Push({key, std::move(copy)});
		}
	} catch (const Kit::OutOfMemoryException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	target->userTag = source.userTag;
	// The target's old objects die with 'copies' after the swap.
	copies.swap(target->userData);
}

} // namespace Modeler
