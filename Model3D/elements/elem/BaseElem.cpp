#include "Model3D/elements/elem/BaseElem.h"

#include "Model3D/elements/elem/detail/ElemAlloc.h"

namespace Modeler {

BaseElem::BaseElem(const BaseElem& src)
    : Kit::SharedObject(src), bodies(src.bodies), hotspots(src.hotspots), lights(src.lights) {}

BaseElem& BaseElem::operator=(const BaseElem& src) {
	if (this != &src) {
		Kit::Array<Kit::ConstSharedPtr<Body>> bodyCopies = src.bodies;
		Kit::Array<HOTS> hotspotCopies = src.hotspots;
		Kit::Array<LGHT> lightCopies = src.lights;
		bodies = std::move(bodyCopies);
		hotspots = std::move(hotspotCopies);
		lights = std::move(lightCopies);
	}
	return *this;
}

BaseElem::~BaseElem() = default;

void BaseElem::DeepCopy(const BaseElem& src) {
	// Everything is copied before anything is replaced, so a failure leaves this as it was.
	Kit::Array<Kit::ConstSharedPtr<Body>> copies(src.bodies.size());
	for (USize i = 0; i < src.bodies.size(); ++i)
		copies[i] = NewElemObject<Body>(*src.bodies[i]);
	Kit::Array<HOTS> hotspotCopies = src.hotspots;
	Kit::Array<LGHT> lightCopies = src.lights;
	bodies = std::move(copies);
	hotspots = std::move(hotspotCopies);
	lights = std::move(lightCopies);
}

void BaseElem::DeepCopyAttributes(const BaseElem& src) {
	Kit::Array<Kit::ConstSharedPtr<Body>> copies(src.bodies.size());
	for (USize i = 0; i < src.bodies.size(); ++i)
		copies[i] = NewElemObject<Body>(*src.bodies[i], Body::CopyAttributesOnly, 0u);
	bodies = std::move(copies);
}

UInt32 BaseElem::AddBody(Kit::ConstSharedPtr<Body> body) {
	bodies.Push(std::move(body));
	return bodies.GetSize() - 1;
}

void BaseElem::AddHotspot(const HOTS& hotspot) {
	hotspots.Push(hotspot);
}

void BaseElem::AddNHotspot(const HOTS* hotspotArray, UInt32 n) {
	if (n > 0) hotspots.insert(hotspots.end(), hotspotArray, hotspotArray + n);
}

void BaseElem::CopyHotspots(const BaseElem& src, const TRAN& t) {
	if (this != &src) hotspots = src.hotspots;
	if (!IsIdentityTrafo(t)) {
		for (HOTS& h : hotspots)
			Geometry::TMPoint(&t, &h.x, &h.y, &h.z);
	}
}

UInt32 BaseElem::AddLightSource(const LGHT& light) {
	lights.Push(light);
	return lights.GetSize() - 1;
}

void BaseElem::CopyLights(const BaseElem& src, const TRAN& t) {
	if (this != &src) lights = src.lights;
	if (!IsIdentityTrafo(t)) {
		for (LGHT& light : lights)
			light.Transform(t);
	}
}

void BaseElem::GetHotspotCoords(UInt32 i, const TRAN* t, double* x, double* y, double* z) const {
	const HOTS& h = hotspots[i];
	*x = h.x;
	*y = h.y;
	*z = h.z;
	DLModelPoint(t, x, y, z);
}

void BaseElem::ClearConvexPolygonCache() const {
	for (const Kit::ConstSharedPtr<Body>& body : bodies) {
		if (body != nullptr) body->ClearConvexPolygonCache();
	}
}

bool BaseElem::operator==(const BaseElem& other) const {
	if (bodies.size() != other.bodies.size()) return false;
	for (USize i = 0; i < bodies.size(); ++i) {
		const Body* a = bodies[i].Get();
		const Body* b = other.bodies[i].Get();
		if (a == b) continue;
		if (a == nullptr || b == nullptr || !(*a == *b)) return false;
	}
	return true;
}

UInt64 BaseElem::GetLightsourceUsedBytes() const {
	UInt64 bytes = 0;
	for (const LGHT& light : lights)
		bytes += light.GetUsedBytes();
	return bytes;
}

UInt64 BaseElem::GetSizeofBaseElem() const {
	return sizeof(BaseElem) + UInt64(8) * bodies.size() + UInt64(32) * hotspots.size() + GetLightsourceUsedBytes();
}

UInt64 BaseElem::GetUsedBytes() const {
	UInt64 bytes = sizeof(BaseElem) + UInt64(32) * hotspots.size() + GetLightsourceUsedBytes();
	for (const Kit::ConstSharedPtr<Body>& body : bodies)
		bytes += (body != nullptr ? body->GetUsedBytes() : 0) + 8;
	return bytes;
}

} // namespace Modeler
