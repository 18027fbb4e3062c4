#include "Model3D/proplist/PropertyList.h"

#include "Model3D/proplist/detail/KitPropertyListIO.h"
#include "Model3D/proplist/detail/ParxPropertyListImp.h"

template class Kit::PropertyList<Modeler::PropListUserData>;
template class Parx::PropertyList<Modeler::PropListUserData>;
