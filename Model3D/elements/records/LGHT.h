// LGHT: a light source of a base element, in element coordinates, with its parameter
// list.
//
// The fixed part (type, colour, position, direction and seven further values) is a
// plain 64-byte record, LGHTRecord, whose first 60 bytes are the layout the old model
// file forms share; the quick stream writes it as a raw image. The meaning of the type
// and of the further values belongs to the renderers: here they are only stored,
// transformed, converted and compared.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/proplist/PropertyList.h"
#include "platform/ByteOrder.h"
#include "platform/Geometry.h"
#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

struct M3D_EXPORT LGHTRecord {
	Int16 type = 0;
	Kit::RGBColor color;
	float posX = 0.0f;
	float posY = 0.0f;
	float posZ = 0.0f;
	float dirX = 0.0f;
	float dirY = 0.0f;
	float dirZ = 0.0f;
	float extra1 = 0.0f;
	float extra2 = 0.0f;
	float extra3 = 0.0f;
	float extra4 = 0.0f;
	float extra5 = 0.0f;
	float extra6 = 0.0f;
	float extra7 = 0.0f;
	UInt32 padding = 0; // always 0; makes the quick image 64 bytes

	// The 13 float fields in record order (position, direction, further values).
	static constexpr float LGHTRecord::*Floats[13] = {
	    &LGHTRecord::posX,   &LGHTRecord::posY,   &LGHTRecord::posZ,   &LGHTRecord::dirX,   &LGHTRecord::dirY,
	    &LGHTRecord::dirZ,   &LGHTRecord::extra1, &LGHTRecord::extra2, &LGHTRecord::extra3, &LGHTRecord::extra4,
	    &LGHTRecord::extra5, &LGHTRecord::extra6, &LGHTRecord::extra7};
};

static_assert(std::is_trivially_copyable_v<LGHTRecord> && std::is_standard_layout_v<LGHTRecord>);
static_assert(sizeof(LGHTRecord) == 64);
static_assert(offsetof(LGHTRecord, type) == 0 && offsetof(LGHTRecord, color) == 2);
static_assert(offsetof(LGHTRecord, posX) == 8 && offsetof(LGHTRecord, posY) == 12 && offsetof(LGHTRecord, posZ) == 16);
static_assert(offsetof(LGHTRecord, dirX) == 20 && offsetof(LGHTRecord, dirY) == 24 && offsetof(LGHTRecord, dirZ) == 28);
static_assert(offsetof(LGHTRecord, extra1) == 32 && offsetof(LGHTRecord, extra7) == 56);
static_assert(offsetof(LGHTRecord, padding) == 60);

// Result codes of LGHT::Read and LGHT::Write besides channel and Parx codes.
constexpr Int32 LGHTUnsupportedVersion = -1;
constexpr Int32 LGHTReadWriteFailed = -7003;

// Model-file versions whose light records LGHT::Read knows.
constexpr Int32 LGHTFirstStreamVersion = 4022; // 4 spare bytes, flag; parameters in a later section
constexpr Int32 LGHTFirstBlockVersion = 4025;  // the parameter block follows the light
constexpr Int32 LGHTFirstGuidVersion = 4028;   // a GUID instead of the 4 spare bytes
constexpr Int32 LGHTFirstListVersion = 4032;   // the parameter list in its own stream form

// Name of the marker entry of a light read from versions 4022–4024 whose parameters
// follow in the model file's light parameter section.
constexpr const char* LGHTPendingParamsName = "_";

class M3D_EXPORT LGHT : public LGHTRecord {
public:
	Modeler::PropertyList params;

	LGHT() = default;
	LGHT(const LGHT&) = default;
	LGHT& operator=(const LGHT&) = default;
	~LGHT() = default;

	// Equal type and colour, exactly equal float values (no tolerance) and equal
	// parameter lists (by the list's own comparison, which has a tolerance for numbers).
	bool operator==(const LGHT& other) const;
	bool operator!=(const LGHT& other) const { return !(*this == other); }

	void SetPos(float x, float y, float z);
	void SetDir(float x, float y, float z);

	// Position and direction widened to double; when t is non-null and not the identity
	// the position goes through TMPoint and the direction through TMDirVector (which
	// turns it without translating it and keeps its length).
	void GetTransformedPosAndDir(const TRANMAT* t, double* px, double* py, double* pz, double* dx, double* dy,
	                             double* dz) const;
	// Stores the transformed position and direction; does nothing for null or the identity.
	void Transform(const TRANMAT* t);
	void Transform(const TRAN& t) { Transform(&t); }

	// Converts the fixed fields between the byte orders of two platforms in place; the
	// list is not touched.
	void IV(Kit::PlatformSign from, Kit::PlatformSign to);

	// The model-file form of version 4032: type and colour (2 bytes each), the 13 floats
	// (4 bytes each), then the list's stream, all in the channel's byte order (on a
	// channel of the running platform, the raw fields). Returns 0, the channel's output
	// status, or −7003 when writing the list fails. Never throws.
	Int32 Write(Kit::OChannel& channel) const;
	// Reads a light of the given model-file version (4022 and above); the fixed fields go
	// through the channel's typed readers. Returns 0 or the first error: the channel
	// status, a memory or Parx conversion code, −7003 for a parameter block longer than
	// the remaining input or a failure inside, −1 for a version below 4022. The list is
	// cleared first and left empty on failure; the fixed fields are taken only when they
	// were read completely. Never throws.
	Int32 Read(Kit::IChannel& channel, Int32 version);

	// Native memory image for the element cache: the 64-byte record raw, then the list's
	// stream. A failing raw write throws Kit::InternalErrorException.
	void QuickWrite(Kit::OChannel& channel) const;
	// Reads what QuickWrite wrote. A truncated or damaged stream throws
	// Kit::InternalErrorException (Kit::OutOfMemoryException when memory runs out); the
	// light then keeps its fixed fields and has an empty list.
	void QuickRead(Kit::IChannel& channel);

	// Bytes held by the parameter list: entry count · 36 + names capacity + data capacity.
	UInt64 GetVariableBytes() const { return params.GetAllocatedBytes(); }
	// The object's own size plus its variable part (the size reports count this per light).
	UInt64 GetUsedBytes() const { return sizeof(LGHT) + GetVariableBytes(); }

	const LGHTRecord& GetRecord() const { return *this; }
	LGHTRecord& GetRecord() { return *this; }

private:
	Int32 ReadParameterBlock(Kit::IChannel& channel);
};

// The parameter list follows the 64-byte record directly.
static_assert(sizeof(LGHT) == sizeof(LGHTRecord) + sizeof(Modeler::PropertyList));
static_assert(alignof(Modeler::PropertyList) <= sizeof(LGHTRecord));
