#include "Model3D/geometry/models/CopyGeometry.h"

#include "Model3D/bodies/body/Body.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/elements/elem/Elem.h"
#include "platform/KitException.h"

#include <algorithm>
#include <new>

void DLCopyGeometryOfBodies(const Modeler::Model3DViewer& src, UInt32 firstElem, UInt32 firstBody, UInt32 lastElem,
                            UInt32 lastBody, Modeler::Model3DModifier& dst, UInt32* newFirstElem, UInt32* newFirstBody,
                            UInt32* newLastElem, UInt32* newLastBody) {
	using Modeler::Elem;
	if (lastElem >= firstElem && lastElem >= src.GetElemCount())
		throw Kit::IllegalArgumentException("DLCopyGeometryOfBodies: element index out of range");
	*newFirstElem = dst.GetElemCount();
	*newFirstBody = 0;
	try {
		for (UInt32 i = firstElem; i <= lastElem && lastElem >= firstElem; ++i) {
			const Kit::ConstSharedPtr<Elem> source = src.GetConstElem(i);
			if (source == nullptr || source->GetConstBaseElem() == nullptr) continue;
			const UInt32 count = source->GetBodyCount();
			const UInt32 from = i == firstElem ? firstBody : 0;
			const UInt32 to = i == lastElem ? std::min(lastBody, count - 1) : count - 1;
			for (UInt32 j = from; count > 0 && j <= to; ++j) {
				const Kit::ConstSharedPtr<Modeler::Body>& body = source->GetConstBody(j);
				if (body == nullptr) continue;
				Kit::ConstSharedPtr<Modeler::Body> copy(
				    new Modeler::Body(*body, Modeler::Body::CopyGeometryOnly, Modeler::BodyClosed));
				Kit::SharedPtr<Elem> elem(
				    new Elem(source->GetElemId(), source->IsParent(), source->IsChild(), nullptr));
				elem->GetBaseElem()->AddBody(copy);
				dst.AddElem(elem, src.GetParentGuid(i));
			}
		}
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	const UInt32 n = dst.GetElemCount();
	*newLastElem = n - 1;
	*newLastBody = n > 0 ? dst.GetConstElem(n - 1)->GetBodyCount() - 1 : UInt32(-1);
}
