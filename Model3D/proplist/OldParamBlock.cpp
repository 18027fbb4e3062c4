#include "Model3D/proplist/detail/OldParamBlock.h"

#include "platform/BMMemory.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"
#include "platform/Parx.h"

#include <exception>

namespace Modeler {

namespace {

// Frees the block however the load ends.
struct BlockGuard {
	GSHandle handle = nullptr;
	BlockGuard() = default;
	BlockGuard(const BlockGuard&) = delete;
	BlockGuard& operator=(const BlockGuard&) = delete;
	~BlockGuard() { BMKillHandle(&handle); }
};

GSErrCode LoadBlock(Kit::IChannel& channel, PropertyList& list, Int32* checksum) {
	// The head is raw: its own sign tells its byte order.
	Kit::PlatformSign sign = 0;
	Int16 blockVersion = 0;
	UInt32 byteCount = 0;
	channel.ReadBin(&sign, sizeof sign);
	channel.ReadBin(&blockVersion, sizeof blockVersion);
	channel.ReadBin(&byteCount, sizeof byteCount);
	if (const Int32 status = channel.GetInputStatus(); status != 0) return status;
	const bool foreign = sign != Kit::Native_Platform_Sign;
	if (foreign) {
		IVShort(sign, Kit::Native_Platform_Sign, &blockVersion);
		IVULong(sign, Kit::Native_Platform_Sign, &byteCount);
	}
	// A forged count is refused before anything is allocated for it.
	if (byteCount > channel.GetAvailable()) return OldParamBlockFailed;

	BlockGuard block;
	block.handle = BMAllocateHandle(byteCount, 0, 0);
	if (block.handle == nullptr) {
		const GSErrCode err = BMError();
		return err != NoError ? err : OldParamBlockFailed;
	}
	if (channel.ReadBin(*block.handle, byteCount) != 0) return channel.GetInputStatus();
	if (foreign) {
		if (const GSErrCode err = ParxSwapAddParHdl(sign, block.handle, blockVersion, Kit::Native_Platform_Sign);
		    err != NoError)
			return err;
	}
	if (blockVersion != Parx::CurrentBlockVersion) {
		if (const GSErrCode err = ConvertOldsParam_To_NewParam(block.handle, 1.0, 1.0, blockVersion); err != NoError)
			return err;
	}
	if (checksum != nullptr) {
		GSErrCode err = NoError;
		const Int32 sum = ParxCalcCheckSumAddParHdl(block.handle, &err);
		if (err != NoError) return err;
		*checksum = sum;
	}
	list.ReadFromAddParHandle(block.handle);
	return NoError;
}

} // namespace

GSErrCode LoadOldParamBlock(Kit::IChannel& channel, PropertyList& list, Int32* checksum) {
	GSErrCode result = OldParamBlockFailed;
	try {
		list.Clear();
		result = LoadBlock(channel, list, checksum);
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << "LoadOldParamBlock: " << e.Describe() << "\n";
		result = OldParamBlockFailed;
	} catch (const std::exception& e) {
		Kit::dbChannel << "LoadOldParamBlock: " << e.what() << "\n";
		result = OldParamBlockFailed;
	}
	if (result != NoError) {
		try {
			list.Clear();
		} catch (...) {
		}
	}
	return result;
}

} // namespace Modeler
