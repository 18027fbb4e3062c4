#include "Model3D/elements/records/LGHT.h"

#include "Model3D/proplist/detail/OldParamBlock.h"

#include "platform/BMMemory.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"
#include "platform/Parx.h"

#include <exception>

namespace {

bool IsIdentityOrNull(const TRANMAT* t) {
	return t == nullptr || (t->status & Geometry::TR_IDENT) != 0;
}

} // namespace

bool LGHT::operator==(const LGHT& other) const {
	if (type != other.type || !(color == other.color)) return false;
	for (float LGHTRecord::*f : Floats) {
		if (this->*f != other.*f) return false;
	}
	return params.Equals(other.params);
}

void LGHT::SetPos(float x, float y, float z) {
	posX = x;
	posY = y;
	posZ = z;
}

void LGHT::SetDir(float x, float y, float z) {
	dirX = x;
	dirY = y;
	dirZ = z;
}

void LGHT::GetTransformedPosAndDir(const TRANMAT* t, double* px, double* py, double* pz, double* dx, double* dy,
                                   double* dz) const {
	double x = posX, y = posY, z = posZ;
	double u = dirX, v = dirY, w = dirZ;
	if (!IsIdentityOrNull(t)) {
		Geometry::TMPoint(t, &x, &y, &z);
		Geometry::TMDirVector(t, &u, &v, &w);
	}
	if (px != nullptr) *px = x;
	if (py != nullptr) *py = y;
	if (pz != nullptr) *pz = z;
	if (dx != nullptr) *dx = u;
	if (dy != nullptr) *dy = v;
	if (dz != nullptr) *dz = w;
}

void LGHT::Transform(const TRANMAT* t) {
	if (IsIdentityOrNull(t)) return;
	double x, y, z, u, v, w;
	GetTransformedPosAndDir(t, &x, &y, &z, &u, &v, &w);
	SetPos(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
	SetDir(static_cast<float>(u), static_cast<float>(v), static_cast<float>(w));
}

void LGHT::IV(Kit::PlatformSign from, Kit::PlatformSign to) {
	IVShort(from, to, &type);
	IVKit_RGBColor(from, to, &color);
	for (float LGHTRecord::*f : Floats)
		IVFloat(from, to, &(this->*f));
}

Int32 LGHT::Write(Kit::OChannel& channel) const {
	try {
		// Typed writes, so that the light lands in the channel's byte order, which is the
		// order Read takes it in.
		channel.Write(type);
		channel.Write(color.red);
		channel.Write(color.green);
		channel.Write(color.blue);
		for (float LGHTRecord::*f : Floats)
			channel.Write(this->*f);
		if (const Int32 status = channel.GetOutputStatus(); status != 0) return status;
		params.Write(channel);
		return 0;
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << "LGHT::Write: " << e.Describe() << "\n";
	} catch (const std::exception& e) {
		Kit::dbChannel << "LGHT::Write: " << e.what() << "\n";
	} catch (...) {
		Kit::dbChannel << "LGHT::Write: unknown exception\n";
	}
	return LGHTReadWriteFailed;
}

Int32 LGHT::Read(Kit::IChannel& channel, Int32 version) {
	try {
		params.Clear();
		if (version < LGHTFirstStreamVersion) return LGHTUnsupportedVersion;

		// The fixed part is taken only when it arrived whole, so that a truncated record
		// does not leave a light made half of zeros.
		LGHTRecord record;
		channel.Read(record.type);
		channel.Read(record.color.red);
		channel.Read(record.color.green);
		channel.Read(record.color.blue);
		for (float LGHTRecord::*f : Floats)
			channel.Read(record.*f);
		if (const Int32 status = channel.GetInputStatus(); status != 0) return status;
		GetRecord() = record;

		if (version >= LGHTFirstListVersion) {
			params.Read(channel);
			return channel.GetInputStatus();
		}

		// 4028–4031 carry a GUID, 4022–4027 four spare bytes; neither is used.
		channel.Skip(version >= LGHTFirstGuidVersion ? 16 : 4);
		Int32 hasParams = 0;
		channel.ReadBin(&hasParams, sizeof(hasParams));
		if (const Int32 status = channel.GetInputStatus(); status != 0) return status;
		if (hasParams == 0) return 0;

		if (version < LGHTFirstBlockVersion) {
			// The parameters follow in the file's light parameter section; the marker
			// entry tells the reader that this light has some.
			params.InsertNewEntry(0, LGHTPendingParamsName, Modeler::PropertyList::Int, Modeler::PropertyList::Scalar);
			return 0;
		}
		const Int32 result = ReadParameterBlock(channel);
		if (result != 0) params.Clear();
		return result;
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << "LGHT::Read: " << e.Describe() << "\n";
	} catch (const std::exception& e) {
		Kit::dbChannel << "LGHT::Read: " << e.what() << "\n";
	} catch (...) {
		Kit::dbChannel << "LGHT::Read: unknown exception\n";
	}
	params.Clear();
	return LGHTReadWriteFailed;
}

Int32 LGHT::ReadParameterBlock(Kit::IChannel& channel) {
	return Modeler::LoadOldParamBlock(channel, params);
}

void LGHT::QuickWrite(Kit::OChannel& channel) const {
	LGHTRecord image = GetRecord();
	image.padding = 0;
	if (channel.WriteBin(&image, sizeof(image)) != 0)
		throw Kit::InternalErrorException("LGHT::QuickWrite: cannot write the light", __FILE__, __LINE__);
	params.Write(channel);
}

void LGHT::QuickRead(Kit::IChannel& channel) {
	LGHTRecord image;
	if (channel.GetAvailable() < sizeof(image) || channel.ReadBin(&image, sizeof(image)) != 0) {
		params.Clear();
		throw Kit::InternalErrorException("LGHT::QuickRead: the light is truncated", __FILE__, __LINE__);
	}
	image.padding = 0;
	try {
		params.Read(channel);
	} catch (const Kit::OutOfMemoryException&) {
		throw;
	} catch (const Kit::InternalErrorException&) {
		throw;
	} catch (const Kit::KitException& e) {
		throw Kit::InternalErrorException("LGHT::QuickRead: damaged parameter list", __FILE__, __LINE__, e);
	}
	GetRecord() = image;
}
