// The quick stream of BaseElem.
#include "Model3D/elements/elem/BaseElem.h"

#include "Model3D/elements/elem/detail/ElemAlloc.h"
#include "Model3D/elements/elem/detail/QuickStreamCheck.h"

namespace Modeler {

void BaseElem::QuickWrite(Kit::OChannel& ch, BodyWriteTable& bodyTable) const {
	ch.Write(bodies.GetSize());
	for (const Kit::ConstSharedPtr<Body>& body : bodies) {
		const Body* key = body.Get();
		if (const Int32* known = bodyTable.GetPtr(key)) {
			ch.Write(*known);
			continue;
		}
		const Int32 index = static_cast<Int32>(bodyTable.GetSize());
		ch.Write(index);
		body->QuickWrite(ch);
		bodyTable.Add(key, index);
	}

	ch.Write(hotspots.GetSize());
	if (!hotspots.empty()) ch.WriteBin(hotspots.data(), UInt64(sizeof(HOTS)) * hotspots.size());

	ch.Write(lights.GetSize());
	for (const LGHT& light : lights)
		light.QuickWrite(ch);

	QuickStream::CheckOutput(ch);
}

void BaseElem::QuickWrite(Kit::OChannel& ch) const {
	BodyWriteTable bodyTable;
	QuickWrite(ch, bodyTable);
}

void BaseElem::QuickRead(Kit::IChannel& ch, BodyReadTable& bodyTable) {
	// Read into a fresh record, taken over only when it is complete; the bodies a failed
	// read added to the table go with it.
	const USize knownBodies = bodyTable.size();
	BaseElem read;
	try {
		read.QuickReadParts(ch, bodyTable);
	} catch (...) {
		bodyTable.resize(knownBodies);
		throw;
	}
	bodies.swap(read.bodies);
	hotspots.swap(read.hotspots);
	lights.swap(read.lights);
}

void BaseElem::QuickReadParts(Kit::IChannel& ch, BodyReadTable& bodyTable) {
	UInt32 bodyCount = 0;
	ch.Read(bodyCount);
	QuickStream::CheckInput(ch);
	// Every body takes at least its 4-byte index.
	QuickStream::CheckCount(ch, bodyCount, sizeof(Int32), "BaseElem::QuickRead: body count exceeds the stream",
	                        __LINE__);
	bodies.reserve(bodyCount);
	for (UInt32 i = 0; i < bodyCount; ++i) {
		Int32 index = 0;
		if (!QuickStream::ReadSharedIndex(ch, bodyTable.size(), index, "BaseElem::QuickRead: bad body index",
		                                  __LINE__)) {
			bodies.Push(bodyTable[static_cast<USize>(index)]);
			continue;
		}
		Kit::SharedPtr<Body> body(NewElemObject<Body>(Body::NormalBody));
		body->QuickRead(ch);
		bodies.Push(body);
		bodyTable.Push(body.Get());
	}

	UInt32 hotspotCount = 0;
	ch.Read(hotspotCount);
	QuickStream::CheckInput(ch);
	QuickStream::CheckCount(ch, hotspotCount, sizeof(HOTS), "BaseElem::QuickRead: hotspot count exceeds the stream",
	                        __LINE__);
	hotspots.resize(hotspotCount);
	if (hotspotCount > 0) ch.ReadBin(hotspots.data(), UInt64(sizeof(HOTS)) * hotspotCount);
	QuickStream::CheckInput(ch);

	UInt32 lightCount = 0;
	ch.Read(lightCount);
	QuickStream::CheckInput(ch);
	// Every light takes at least its fixed raw record.
	QuickStream::CheckCount(ch, lightCount, sizeof(LGHTRecord), "BaseElem::QuickRead: light count exceeds the stream",
	                        __LINE__);
	lights.resize(lightCount);
	for (LGHT& light : lights)
		light.QuickRead(ch);

	QuickStream::CheckInput(ch);
}

void BaseElem::QuickRead(Kit::IChannel& ch) {
	BodyReadTable bodyTable;
	QuickRead(ch, bodyTable);
}

} // namespace Modeler
