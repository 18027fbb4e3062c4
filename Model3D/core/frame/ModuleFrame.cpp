#include "Model3D/core/frame/ModuleFrame.h"

#include "Model3D/core/frame/ModelerExceptions.h"

#include "platform/IOErrors.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

#include <exception>
#include <memory>
#include <string>

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

namespace {

Int16 InitFailure(const char* where, const std::string& why) {
	Kit::logger.LogError(("M3DInit failed for %: " + why).c_str(), where, "Modeler");
	return InitFailed;
}

std::string IOFailure(const char* what, Int32 result) {
	return std::string(what) + " (" + IO::GetErrorText(result) + ")";
}

} // namespace

Int16 M3DInit(IO::Location* tempParent, Int64 messageResModule, Int64 textResModule) {
	ModuleState& state = State();
	state.messageResModule = messageResModule;
	state.textResModule = textResModule;
	const std::string where = tempParent != nullptr ? tempParent->ToUtf8() : std::string("(none)");
	try {
		if (tempParent == nullptr) return InitFailure(where.c_str(), "no folder given");
		if (state.tempFolder != nullptr) return InitFailure(where.c_str(), "the module is already started");
		Int32 result = 0;
		std::unique_ptr<IO::Folder> base = IO::Folder::New(*tempParent, IO::Folder::FailIfMissing);
		if (base == nullptr) base = IO::Folder::New(*tempParent, IO::Folder::CreateIfMissing, &result);
		if (base == nullptr)
			return InitFailure(where.c_str(), IOFailure("the folder cannot be opened or made", result));
		state.baseFolder = std::move(base);

		state.tempFolder = state.baseFolder->OpenFolder(IO::Name("3D"), IO::Folder::CreateIfMissing, &result);
		if (state.tempFolder == nullptr || result != 0) {
			state.tempFolder.reset();
			return InitFailure(where.c_str(), IOFailure("its folder \"3D\" cannot be made", result));
		}
		return 0;
	} catch (const Kit::KitException& e) {
		return InitFailure(where.c_str(), e.Describe());
	} catch (const std::exception& e) {
		return InitFailure(where.c_str(), e.what());
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
