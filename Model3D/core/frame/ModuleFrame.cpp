#include "Model3D/core/frame/ModuleFrame.h"

#include "Model3D/core/frame/ModelerExceptions.h"

#include <memory>

namespace {

struct ModuleState {
	Int64 messageResModule = 0;
	Int64 textResModule = 0;
	std::unique_ptr<IO::Folder> baseFolder;
	std::unique_ptr<IO::Folder> tempFolder;
};

ModuleState& State() {
	static ModuleState state;
	return state;
}

constexpr Int16 InitFailed = Modeler::ModelerErrorId;

} // namespace

Int16 M3DInit(IO::Location* tempParent, Int64 messageResModule, Int64 textResModule) {
	ModuleState& state = State();
	state.messageResModule = messageResModule;
	state.textResModule = textResModule;
	try {
		if (tempParent == nullptr) return InitFailed;
		std::unique_ptr<IO::Folder> base = IO::Folder::New(*tempParent, IO::Folder::FailIfMissing);
		if (base == nullptr) base = IO::Folder::New(*tempParent, IO::Folder::CreateIfMissing);
		if (base == nullptr) return InitFailed;
		state.baseFolder = std::move(base);

		if (state.tempFolder != nullptr || state.baseFolder == nullptr) return InitFailed;

		Int32 result = 0;
		state.tempFolder = state.baseFolder->OpenFolder(IO::Name("3D"), IO::Folder::CreateIfMissing, &result);
		if (state.tempFolder == nullptr || result != 0) {
			state.tempFolder.reset();
			return InitFailed;
		}
		return 0;
	} catch (...) {
		return InitFailed;
	}
}

void M3DExit() {
	ModuleState& state = State();
	if (state.tempFolder != nullptr) {
		const IO::Location location = state.tempFolder->GetLocation();
		IO::fileSystem.Delete(location);
		state.tempFolder.reset();
	}
	state.baseFolder.reset();
}

extern "C" IO::Folder* GetTemporaryFolder() {
	return State().tempFolder.get();
}

namespace Modeler {

Int64 GetMessageResModule() {
	return State().messageResModule;
}

Int64 GetTextResModule() {
	return State().textResModule;
}

Kit::FastLock& GetRegistryLock() {
	static Kit::FastLock registryLock;
	return registryLock;
}

} // namespace Modeler
