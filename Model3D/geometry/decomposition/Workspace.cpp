#include "Model3D/geometry/decomposition/detail/Workspace.h"

namespace Model3D::Decomposition {

Workspace& ThreadWorkspace() {
	thread_local Workspace workspace;
	return workspace;
}

} // namespace Model3D::Decomposition
