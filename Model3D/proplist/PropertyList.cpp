#include "Model3D/proplist/PropertyList.h"

#include "Model3D/proplist/KitPropertyListIO.h"
#include "Model3D/proplist/ParxPropertyListImp.h"

template class Kit::PropertyList<Modeler::PropListUserData>;
template class Parx::PropertyList<Modeler::PropListUserData>;
