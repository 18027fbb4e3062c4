#include "Model3D/geometry/decomposition/detail/Workspace.h"

namespace Modeler::Decomposition {

Workspace& ThreadWorkspace() {
	thread_local Workspace workspace;
	return workspace;
}

} // namespace Modeler::Decomposition
