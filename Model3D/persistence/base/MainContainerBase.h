// Modeler::MainContainerBase: the common base of models and attribute stores. It carries
// the disk-caching mode, the swap folder inside the module's temporary folder and a small
// table of user-data objects owned by the container.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/IOLocation.h"
#include "platform/KitArray.h"
#include "platform/KitShared.h"

#include <memory>
#include <utility>

namespace Modeler {

enum DiskCachingMethod : Int32 {
	DiskCachingOn = 0,  // a swap folder is made and Purge writes elements out
	DiskCachingOff = 1, // no swap folder, Purge does nothing
};

class M3D_EXPORT MainContainerBase : public Kit::SharedObject {
public:
	~MainContainerBase() override;

	// Creates the folder 'name' inside the module's temporary folder and deletes
	// everything already in it. Logs and throws Kit::RunTimeErrorException on failure.
	void CreateSwapFolder(const IO::Name& name);
	// Deletes the swap folder with its contents (a failure is only logged) and forgets it.
	void RemoveSwapFolder();
	IO::Location GetSwapFolderLocation() const { return swapFolder; }

	DiskCachingMethod GetDiskCachingMethod() const { return diskCachingMethod; }
	UInt32 GetUserTag() const { return userTag; }
	void SetUserTag(UInt32 tag) { userTag = tag; }

	// Index of the pair with the key, or 0xFFFFFFFF.
	UInt32 SearchUserDataKey(UInt32 key) const;
	Kit::Object* GetUserData(UInt32 key) const;
	// Stores obj under key; the container owns it from the call on, also when the call
	// throws (then obj is deleted and the table is unchanged). Another object already
	// stored under the key is deleted; storing the same object again does nothing.
	void SetUserData(UInt32 key, Kit::Object* obj) const;
	// Deletes every user-data object.
	void ClearUserProperties() const;
	UInt32 GetUserDataCount() const { return userData.GetSize(); }

	// Hooks the host calls; they have no effect.
	void AddViewer() const {}
	void ReleaseViewer() const {}
	void AddOnlyModifier() const {}
	void ReleaseOnlyModifier() const {}

	friend void DeepCopyMainContainerBase(Kit::SharedPtr<MainContainerBase> target, const MainContainerBase& source);

protected:
	explicit MainContainerBase(DiskCachingMethod method);

private:
	DiskCachingMethod diskCachingMethod;
	UInt32 userTag = 0;
	IO::Location swapFolder;
	using UserDataTable = Kit::Array<std::pair<UInt32, std::unique_ptr<Kit::Object>>>;
	mutable UserDataTable userData;
};

// Copies the user tag and clones of the user data of 'source' into 'target' (nothing
// when both are the same object). The caching mode and swap folder are not copied.
// When a clone or the table fails, 'target' is left as it was and the failure is
// thrown (Kit::OutOfMemoryException for a failed allocation).
M3D_EXPORT void DeepCopyMainContainerBase(Kit::SharedPtr<MainContainerBase> target, const MainContainerBase& source);

} // namespace Modeler
