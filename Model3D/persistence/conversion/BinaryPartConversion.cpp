#include "Model3D/persistence/conversion/BinaryPartConversion.h"

#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/LightConversion.h"
#include "Model3D/persistence/conversion/ListFormConversion.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/TextureConversion.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"
#include "platform/BMMemory.h"
#include "platform/ByteOrder.h"
#include "platform/Parx.h"

#include <array>
#include <cstring>
#include <limits>

using RecordConversion::LayoutView;
using RecordConversion::RangeFits;
namespace Tables = RecordConversion::Tables;

namespace {

enum class Section : UInt8 {
	Msiz41,
	Msiz51,
	Msiz,
	Body41,
	Body51,
	Body60,
	Body601,
	Body90,
	Body,
	Tran,
	Pgon41,
	Pgon51,
	Pgon110,
	Pgon,
	Pedg,
	Edge51,
	Edge,
	Vert,
	Vect,
	Teve,
	Bext51,
	Lght455,
	Lght700,
	Lght10,
	Lght,
	LghtList,
	Rtxt700,
	Rtxt900,
	Rtxt130,
	Rtxt,
	Ufil,
	Umat41,
	Umat455,
	Umat,
	UmatList,
	Fide,
	Pict,
	LightParams,
};

// The sections of one version in file order; empty for a version no family covers.
struct Plan {
	std::array<Section, 20> sections{};
	USize count = 0;

	void Add(Section s) { sections[count++] = s; }
};

// The size header's counts, indexed by their Int32 position in MSIZ.
enum CountField : USize {
	BodyCount = 2,
	PgonCount,
	PedgCount,
	EdgeCount,
	VertCount,
	VectCount,
	BextCount,
	LightCount,
	TextureCount,
	FillCount,
	MaterialCount,
	FideSize,
	TranCount,
	TeveCount,
	HeaderFields,
};

// BODY 601 of version 4018: form 60 and a word that nobody interprets.
constexpr Int32 Body601Size = 128;
// Parx conversion mode of the light parameter handles: 18 up to 4022, 21 after.
constexpr Int32 LightParamsOldMode = 18;
constexpr Int32 LightParamsMode = 21;
constexpr Int32 LightParamsFirstVersion = 4022;
// The counts and byte counts of the light parameter section.
constexpr RecordConversion::RecordLayout<1> Int32Word{4, {{0, RecordConversion::FieldKind::Int32, 1}}};

Section LightForm(Int32 version) {
	if (version <= 4021) return Section::Lght700;
	if (version == 4032) return Section::LghtList;
	return version > 4027 ? Section::Lght : Section::Lght10;
}

Section TextureForm(Int32 version) {
	if (version <= 4020) return Section::Rtxt700;
	if (version <= 4027) return Section::Rtxt900;
	return version <= 4030 ? Section::Rtxt130 : Section::Rtxt;
}

void PlanFrom4008(Int32 v, Plan& p) {
	p.Add(Section::Msiz51);
	p.Add(v > 4012 ? Section::Body60 : Section::Body51);
	if (v > 4013) p.Add(Section::Tran);
	p.Add(v > 4014 ? Section::Pgon110 : Section::Pgon51);
	p.Add(Section::Pedg);
	p.Add(v > 4014 ? Section::Edge : Section::Edge51);
	p.Add(Section::Vert);
	p.Add(Section::Vect);
	if (v < 4013) p.Add(Section::Bext51);
	p.Add(v > 4010 ? Section::Lght700 : Section::Lght455);
	p.Add(Section::Rtxt700);
	p.Add(Section::Ufil);
	p.Add(v < 4010 ? Section::Umat455 : Section::Umat);
	p.Add(Section::Fide);
	p.Add(Section::Pict);
}

// The sections from MSIZ to TEVE of the versions from 4016 on, around the body form.
void PlanBodiesFrom4016(Section body, Section pgon, Plan& p) {
	for (Section s : {Section::Msiz, body, Section::Tran, pgon, Section::Pedg, Section::Edge, Section::Vert,
	                  Section::Vect, Section::Teve})
		p.Add(s);
}

void PlanAttributes(Section light, Section texture, Section material, Plan& p) {
	for (Section s : {light, texture, Section::Ufil, material, Section::Fide, Section::Pict})
		p.Add(s);
}

Plan PlanOf(Int32 v) {
	Plan p;
	if (v == 4001) {
		for (Section s : {Section::Msiz41, Section::Body41, Section::Pgon41, Section::Pedg, Section::Edge51,
		                  Section::Vert, Section::Vect, Section::Umat41})
			p.Add(s);
	} else if (v >= 4008 && v <= 4015) {
		PlanFrom4008(v, p);
	} else if (v == 4016 || v == 4017) {
		PlanBodiesFrom4016(Section::Body60, Section::Pgon110, p);
		PlanAttributes(Section::Lght700, Section::Rtxt700, Section::Umat, p);
	} else if (v >= 4019 && v <= 4026 && v != 4023 && v != 4024) {
		PlanBodiesFrom4016(Section::Body90, Section::Pgon110, p);
		PlanAttributes(v > 4021 ? Section::Lght10 : Section::Lght700, TextureForm(v), Section::Umat, p);
		if (v == LightParamsFirstVersion) p.Add(Section::LightParams);
	} else if (v == 4018 || (v >= 4027 && v <= 4032)) {
		PlanBodiesFrom4016(v == 4018 ? Section::Body601 : Section::Body, v > 4030 ? Section::Pgon : Section::Pgon110,
		                   p);
		PlanAttributes(LightForm(v), TextureForm(v), v == 4032 ? Section::UmatList : Section::Umat, p);
	}
	return p;
}

class Walk {
public:
	Walk(Kit::PlatformSign from, Kit::PlatformSign to, char* block, Int32 size, Int32 version)
	    : from(from), to(to), block(block), size(size), version(version) {}

	Int16 Run(const Plan& plan) {
		for (USize i = 0; i < plan.count; ++i) {
			if (const Int16 err = Convert(plan.sections[i]); err != RecordConversionNoError) return err;
		}
		return RecordConversionNoError;
	}

private:
	// An Int32 of the block in the running platform's order, read before it is converted.
	Int32 Read32(Int64 at) const {
		auto value = LoadUnaligned<Int32>(block + at);
		IVLong(from, Kit::Native_Platform_Sign, &value);
		return value;
	}

	Int16 Header(const LayoutView& layout) {
		if (!RangeFits(offset, 1, layout.size, size)) return RecordConversionBadStructure;
		const USize fields = layout.size / sizeof(Int32);
		for (USize k = 0; k < fields && k < HeaderFields; ++k)
			counts[k] = Read32(offset + static_cast<Int64>(k * sizeof(Int32)));
		return Fixed(layout, 1);
	}

	// Fixed-size records. A section that does not fit is the walk running past the block.
	Int16 Fixed(const LayoutView& layout, Int32 count) {
		const Int16 err = RecordConversion::SwapRecordsChecked(from, to, block, size, &offset, count, layout);
		return err == RecordConversionOverrun ? Int16{RecordConversionBadStructure} : err;
	}

	Int16 Vertices(CountField field) {
		return Fixed(version > LastFloatVertexVersion ? LayoutView(Tables::VertDouble) : LayoutView(Tables::VertFloat),
		             counts[field]);
	}

	Int16 FillDefinitions() {
		const Int32 fideSize = counts[FideSize];
		if (!RangeFits(offset, 1, fideSize, size)) return RecordConversionBadStructure;
		return IV_FIDE(from, block, &offset, fideSize, version, to);
	}

	Int16 Pixels() {
		const Int16 err = IV_PICT_Checked(from, block, size, &offset, counts[TextureCount], to);
		return err == RecordConversionOverrun ? Int16{RecordConversionBadStructure} : err;
	}

	Int16 LightParameters();
	bool SwapParameterHandle(char* data, Int32 bytes, Int32 mode) const;
	Int16 Convert(Section s);

	Kit::PlatformSign from;
	Kit::PlatformSign to;
	char* block;
	Int32 size;
	Int32 version;
	Int32 offset = 0;
	std::array<Int32, HeaderFields> counts{};
};

// The light parameter section of 4022: the number of lights with parameters and a flag,
// then, when the flag is set, a byte count and a Parx parameter handle per light.
Int16 Walk::LightParameters() {
	if (offset == size) return RecordConversionNoError;
	if (!RangeFits(offset, 2, sizeof(Int32), size)) return RecordConversionBadStructure;
	const Int32 entries = Read32(offset);
	const Int32 present = Read32(offset + 4);
	if (entries < 0) return RecordConversionBadStructure;
	if (const Int16 err = Fixed(Int32Word, 2); err != RecordConversionNoError || present == 0) return err;
	const Int32 mode = version > LightParamsFirstVersion ? LightParamsMode : LightParamsOldMode;
	for (Int32 i = 0; i < entries; ++i) {
		if (!RangeFits(offset, 1, sizeof(Int32), size)) return RecordConversionOverrun;
		const Int32 bytes = Read32(offset);
		if (!RangeFits(Int64{offset} + 4, 1, bytes, size)) return RecordConversionOverrun;
		if (bytes > 0 && !SwapParameterHandle(block + offset + 4, bytes, mode)) return RecordConversionOverrun;
		Fixed(Int32Word, 1);
		offset += bytes;
	}
	return RecordConversionNoError;
}

// Converts the Parx parameter handle of 'bytes' bytes at 'data' in place, through a copy
// in a handle of its own.
bool Walk::SwapParameterHandle(char* data, Int32 bytes, Int32 mode) const {
	GSHandle handle = BMAllocateHandle(bytes);
	if (handle == nullptr) return false;
	std::memcpy(*handle, data, static_cast<USize>(bytes));
	const bool converted = SwapVarHdl(from, handle, mode, to) == NoError && BMGetHandleSize(handle) == bytes;
	if (converted) std::memcpy(data, *handle, static_cast<USize>(bytes));
	BMKillHandle(&handle);
	return converted;
}

Int16 Walk::Convert(Section s) {
	switch (s) {
	case Section::Msiz41:
		return Header(Tables::Msiz41);
	case Section::Msiz51:
		return Header(Tables::Msiz51);
	case Section::Msiz:
		return Header(Tables::Msiz);
	case Section::Body41:
		return Fixed(Tables::Body41, counts[BodyCount]);
	case Section::Body51:
		return Fixed(Tables::Body51, counts[BodyCount]);
	case Section::Body60:
		return Fixed(Tables::Body60, counts[BodyCount]);
	case Section::Body601:
		if (Kit::NeedsSwap(from, to)) return RecordConversionBadStructure;
		if (!RangeFits(offset, counts[BodyCount], Body601Size, size)) return RecordConversionBadStructure;
		offset += counts[BodyCount] * Body601Size;
		return RecordConversionNoError;
	case Section::Body90:
		return Fixed(Tables::Body90, counts[BodyCount]);
	case Section::Body:
		return Fixed(Tables::Body, counts[BodyCount]);
	case Section::Tran:
		return Fixed(Tables::Tran, counts[TranCount]);
	case Section::Pgon41:
		return Fixed(Tables::Pgon41, counts[PgonCount]);
	case Section::Pgon51:
		return Fixed(Tables::Pgon51, counts[PgonCount]);
	case Section::Pgon110:
		return Fixed(Tables::Pgon110, counts[PgonCount]);
	case Section::Pgon:
		return Fixed(Tables::Pgon, counts[PgonCount]);
	case Section::Pedg:
		return Fixed(Tables::Pedg, counts[PedgCount]);
	case Section::Edge51:
		return Fixed(Tables::Edge51, counts[EdgeCount]);
	case Section::Edge:
		return Fixed(Tables::Edge, counts[EdgeCount]);
	case Section::Vert:
		return Vertices(VertCount);
	case Section::Vect:
		return Vertices(VectCount);
	case Section::Teve:
		return Fixed(Tables::Teve, counts[TeveCount]);
	case Section::Bext51:
		return Fixed(Tables::Bext51, counts[BextCount]);
	case Section::Lght455:
		return Fixed(Tables::Lght455, counts[LightCount]);
	case Section::Lght700:
		return Fixed(Tables::Lght700, counts[LightCount]);
	case Section::Lght10:
		return IV_LGHT_10_Checked(from, block, size, &offset, counts[LightCount], version, to);
	case Section::Lght:
		return static_cast<Int16>(IV_LGHT(from, block, &offset, size, counts[LightCount], to));
	case Section::LghtList:
		return IV_LGHT_List_Checked(from, block, size, &offset, counts[LightCount], to);
	case Section::Rtxt700:
		return Fixed(Tables::Rtxt700, counts[TextureCount]);
	case Section::Rtxt900:
		return Fixed(Tables::Rtxt900, counts[TextureCount]);
	case Section::Rtxt130:
		return Fixed(Tables::Rtxt130, counts[TextureCount]);
	case Section::Rtxt:
		return Fixed(Tables::Rtxt, counts[TextureCount]);
	case Section::Ufil:
		return Fixed(Tables::Ufil, counts[FillCount]);
	case Section::Umat41:
		return Fixed(Tables::Umat41, counts[MaterialCount]);
	case Section::Umat455:
		return Fixed(Tables::Umat455, counts[MaterialCount]);
	case Section::Umat:
		return IV_UMAT(from, block, size, version, &offset, counts[MaterialCount], counts[TextureCount], to);
	case Section::UmatList:
		return IV_UMAT_List_Checked(from, block, size, &offset, counts[MaterialCount], to);
	case Section::Fide:
		return FillDefinitions();
	case Section::Pict:
		return Pixels();
	case Section::LightParams:
		return LightParameters();
	}
	return RecordConversionBadStructure;
}

} // namespace

Int16 FCSwapBinaryPart_R(Kit::PlatformSign from, char* block, Int32 size, Kit::PlatformSign to) {
	if (block == nullptr || size < static_cast<Int32>(sizeof(Int32))) return RecordConversionBadStructure;
	auto version = LoadUnaligned<Int32>(block);
	IVLong(from, Kit::Native_Platform_Sign, &version);
	const Plan plan = PlanOf(version);
	if (plan.count == 0) return RecordConversionBadStructure;
	return Walk(from, to, block, size, version).Run(plan);
}

Int16 FCSwapBinaryPart(Kit::PlatformSign from, char* block, Int32 size) {
	return FCSwapBinaryPart_R(from, block, size, Kit::Native_Platform_Sign);
}

Int16 FCSwap_BINARYPart(Kit::PlatformSign from, char** handle, Kit::PlatformSign to) {
	if (handle == nullptr || *handle == nullptr) return RecordConversionBadStructure;
	const Int64 size = BMGetHandleSize(handle);
	if (size < 0 || size > std::numeric_limits<Int32>::max()) return RecordConversionBadStructure;
	const auto size32 = static_cast<Int32>(size);
	if (to == Kit::Native_Platform_Sign) return FCSwapBinaryPart(from, *handle, size32);
	return FCSwapBinaryPart_R(from, *handle, size32, to);
}
