// Fills into the store, reusing equal ones.
#include "Model3D/attributes/fills/FillConversion.h"
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/attributes/import/detail/ImportDetail.h"
#include "platform/BMMemory.h"
#include "platform/KitText.h"

#include <cstring>

using Modeler::Attributes;
using namespace Modeler::ImportDetail;

namespace {

// The definition bytes of store fill i, or null when its range is not in the table.
const char* StoredDefinition(const Attributes::Viewer& store, UInt32 i) {
	const UFIL& fill = *store.GetConstFillPtr(i);
	if (fill.defStart < 1 || fill.defByteCount <= 0 ||
	    Int64(fill.defStart) + fill.defByteCount - 1 > Int64(store.GetFillDescriptorCount()))
		return nullptr;
	return store.GetConstFillDescriptorPtr(UInt32(fill.defStart));
}

struct RecordOwner {
	char* p = nullptr;
	~RecordOwner() { BMKillPtr(&p); }
};

} // namespace

Int16 IMAddUfil(Attributes::Modifier* modifier, const UFIL* fill, const char* definition) {
	return AddOrFirst("IMAddUfil", [&] { return modifier->AddFill(*fill, definition); });
}

Int16 IMStoreinUfil(Attributes::Modifier* modifier, Int16 hostFillIdx, char* definition, Int32 byteCount) {
	return AddOrFirst("IMStoreinUfil", [&] { return modifier->AddFill(hostFillIdx, definition, byteCount); });
}

Int16 IMInsertUfil(Attributes::Modifier* modifier, const UFIL* fill, const char* definition) {
	if (modifier == nullptr || fill == nullptr) return IMRefusedErr;
	const std::string name = RecordName(fill->name);
	for (UInt32 i = 1; i <= modifier->GetFillCount(); ++i) {
		const UFIL& stored = *modifier->GetConstFillPtr(i);
		if (stored.defByteCount != fill->defByteCount ||
		    CHCompareTexts(RecordName(stored.name).c_str(), name.c_str(), CHCaseInsensitive, CC_Default) != 0)
			continue;
		const char* bytes = StoredDefinition(*modifier, i);
		if (bytes != nullptr && definition != nullptr && std::memcmp(bytes, definition, USize(fill->defByteCount)) == 0)
			return static_cast<Int16>(i);
	}
	return IMAddUfil(modifier, fill, definition);
}

Int16 IMInsertintoUfil(Attributes::Modifier* modifier, Int16 hostFillIdx, PlanAttr::Fill* fill) {
	if (modifier == nullptr || fill == nullptr || hostFillIdx < 0) return IMRefusedErr;
	RecordOwner record;
	try {
		IMConvertFillToRecord(reinterpret_cast<char*>(fill), &record.p);
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << "IMInsertintoUfil: " << e.Describe().c_str() << "\n";
		return IMRefusedErr;
	}
	Int32 length = 0;
	if (record.p != nullptr && BMGetPtrSize(record.p) >= Int64(sizeof length))
		std::memcpy(&length, record.p, sizeof length);
	if (length <= 0 || length > BMGetPtrSize(record.p)) return IMRefusedErr;
	for (UInt32 i = 1; i <= modifier->GetFillCount(); ++i) {
		if (modifier->GetConstFillPtr(i)->defByteCount != length) continue;
		const char* bytes = StoredDefinition(*modifier, i);
		if (bytes != nullptr && std::memcmp(bytes, record.p, USize(length)) == 0) return static_cast<Int16>(i);
	}
	return IMStoreinUfil(modifier, hostFillIdx, record.p, length);
}
