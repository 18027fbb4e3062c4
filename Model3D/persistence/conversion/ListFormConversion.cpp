#include "Model3D/persistence/conversion/ListFormConversion.h"

#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"
#include "Model3D/proplist/PropertyList.h"
#include "platform/MemoryChannel.h"

#include <cstring>

using RecordConversion::LayoutView;
using RecordConversion::RangeFits;
namespace Tables = RecordConversion::Tables;

namespace {

// The list stream at [at, limit) in the byte order of 'to': read in the order of 'from'
// and written again (or left as it is when the orders agree). Returns false when the stream cannot be read, or when it
// does not come out at the length it took, which a stream of this writer always does.
bool ConvertListStream(Kit::PlatformSign from, Kit::PlatformSign to, const char* at, Int64 limit,
                       std::vector<char>& converted) {
	try {
		IO::MemoryIChannel input(at, static_cast<UInt64>(limit));
		input.SetProtocol(from);
		Modeler::PropertyList list;
		list.Read(input);
		if (input.GetInputStatus() != 0) return false;
		if (!Kit::NeedsSwap(from, to)) {
			// Nothing to convert; the stream stays byte for byte as it is.
			converted.assign(at, at + input.GetPosition());
			return true;
		}
		IO::MemoryOChannel output;
		output.SetProtocol(to);
		list.Write(output);
		if (output.GetOutputStatus() != 0 || output.GetDataSize() != input.GetPosition()) return false;
		converted = output.TakeBytes();
		return true;
	} catch (...) {
		// A damaged stream, or no memory for its entries: the record stays as it is and
		// the caller reports it.
		return false;
	}
}

Int16 SwapListRecords(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32 bufferSize, Int32* offset,
                      Int32 count, const LayoutView& fixed, Int16 failure) {
	if (const Int16 err = RecordConversion::CheckRequest(buffer, bufferSize, offset, count);
	    err != RecordConversionNoError)
		return err;
	std::vector<char> stream;
	for (Int32 i = 0; i < count; ++i) {
		const Int64 start = *offset;
		if (!RangeFits(start, 1, fixed.size, bufferSize)) return failure;
		const Int64 listStart = start + fixed.size;
		if (!ConvertListStream(from, to, buffer + listStart, bufferSize - listStart, stream)) return failure;
		RecordConversion::SwapRecordsAt(from, to, buffer + start, 1, fixed);
		std::memcpy(buffer + listStart, stream.data(), stream.size());
		*offset = static_cast<Int32>(listStart + static_cast<Int64>(stream.size()));
	}
	return RecordConversionNoError;
}

} // namespace

Int16 IV_LGHT_List_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                           Kit::PlatformSign to) {
	return SwapListRecords(from, to, buffer, bufferSize, offset, count, Tables::Lght455, RecordConversionOverrun);
}

Int16 IV_UMAT_List_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                           Kit::PlatformSign to) {
	return SwapListRecords(from, to, buffer, bufferSize, offset, count, Tables::UmatList, RecordConversionBadStructure);
}
