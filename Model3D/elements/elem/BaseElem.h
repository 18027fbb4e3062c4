// Modeler::BaseElem: the content of an element: shared bodies, hotspots and light
// sources. Many elements may share one BaseElem, and many BaseElems one Body.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/body/Body.h"
#include "Model3D/elements/elem/QuickStreamTables.h"
#include "Model3D/elements/records/HOTS.h"
#include "Model3D/elements/records/LGHT.h"
#include "Model3D/elements/records/TRAN.h"
#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"

namespace Modeler {

class M3D_EXPORT BaseElem : public Kit::SharedObject {
public:
	BaseElem() = default;
	// Copies the arrays; the bodies stay shared.
	BaseElem(const BaseElem& src);
	BaseElem& operator=(const BaseElem& src);
	~BaseElem() override;

	void ShallowCopy(const BaseElem& src) { *this = src; }
	// Every body becomes a copy of its own, also those shared inside src; hotspots and
	// lights are copied.
	void DeepCopy(const BaseElem& src);
	// One new body per source body carrying only its header attributes; hotspots and
	// lights are left as they are.
	void DeepCopyAttributes(const BaseElem& src);

	// Appends; returns the new body's index.
	UInt32 AddBody(Kit::ConstSharedPtr<Body> body);
	void AddHotspot(const HOTS& hotspot);
	void AddNHotspot(const HOTS* hotspotArray, UInt32 n);
	// Replaces the hotspots by src's, passed through t unless t is the identity.
	void CopyHotspots(const BaseElem& src, const TRAN& t);
	// Appends; returns the new light's index.
	UInt32 AddLightSource(const LGHT& light);
	void ClearLightSources() { lights.Clear(); }
	// Replaces the lights by src's, transformed by t unless t is the identity.
	void CopyLights(const BaseElem& src, const TRAN& t);

	// Plain accessors; indices are not checked.
	UInt32 GetBodyCount() const { return bodies.GetSize(); }
	const Kit::ConstSharedPtr<Body>& GetConstBody(UInt32 i) const { return bodies[i]; }
	UInt32 GetHotspotCount() const { return hotspots.GetSize(); }
	const HOTS& GetConstHotspot(UInt32 i) const { return hotspots[i]; }
	UInt32 GetLightSourceCount() const { return lights.GetSize(); }
	const LGHT& GetLightSource(UInt32 i) const { return lights[i]; }
	// Hotspot i, passed through DLModelPoint(t).
	void GetHotspotCoords(UInt32 i, const TRAN* t, double* x, double* y, double* z) const;

	void ClearConvexPolygonCache() const;

	// Same body count and pairwise equal bodies; hotspots and lights are not compared.
	bool operator==(const BaseElem& other) const;
	bool operator!=(const BaseElem& other) const { return !(*this == other); }

	// Size figures of the size reports: the lights with their parameter lists; the
	// object with 8 bytes per body and 32 per hotspot, plus the lights; the same with
	// every body's own size (a body shared by several slots counts for each).
	UInt64 GetLightsourceUsedBytes() const;
	UInt64 GetSizeofBaseElem() const;
	UInt64 GetUsedBytes() const;

	// Quick stream: the body count, per body its index in the table (followed by the
	// body's record when it is new to the table), the hotspots, the lights. A channel
	// failure throws Kit::InternalErrorException.
	void QuickWrite(Kit::OChannel& ch, BodyWriteTable& bodyTable) const;
	// The same with a table of its own: sharing is kept inside this one object.
	void QuickWrite(Kit::OChannel& ch) const;
	// Reads a QuickWrite record. A short or forged stream (an index that is neither a
	// body read before nor the next new one, a count the stream cannot hold) throws
	// Kit::InternalErrorException. On failure the base element and the table are left as
	// they were.
	void QuickRead(Kit::IChannel& ch, BodyReadTable& bodyTable);
	void QuickRead(Kit::IChannel& ch);

private:
	void QuickReadParts(Kit::IChannel& ch, BodyReadTable& bodyTable);

	Kit::Array<Kit::ConstSharedPtr<Body>> bodies;
	Kit::Array<HOTS> hotspots;
	Kit::Array<LGHT> lights;
};

} // namespace Modeler
